#include "installer/SetupWindow.h"
#include "surface/SurfaceLock.h"

const char* const kSetupCancelQuestion = "セットアップをキャンセルしますか？";
const char* const kCloseCaption = "確認";
const char* const kBackgroundPicture = "data\\v_006_000.bmp";
const char* const kPanelPicture = "data\\v_006_001.bmp";

CSetupWindow::CSetupWindow() : m_Value(0), m_CloseFlag(0)
{
    m_Background.SetHWnd(m_Window.GetHWnd());
    m_Background.Load(kBackgroundPicture, 0, false);
    m_Panel.Load(kPanelPicture, 0, false);
    m_Panel.SetAlphaEnable(true);
}

CSetupWindow::~CSetupWindow()
{
    m_PaintSource.Release();
    m_Window.RemoveMessageHandler(this);
    m_Window.Destroy();
}

int CSetupWindow::OnMessage(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_PAINT:
        Paint(hWnd);
        return 1;
    case WM_CLOSE:
        return QueryClose(hWnd);
    default:
        return 0;
    }
}

void CSetupWindow::Paint(HWND hWnd)
{
    PAINTSTRUCT paint;
    HDC target = BeginPaint(hWnd, &paint);
    // Only a DIB (or DirectDraw) surface has a device context.
    if (HDC source = m_PaintSource.GetDC()) {
        const RECT& r = paint.rcPaint;
        BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left, r.top, SRCCOPY);
        m_PaintSource.ReleaseDC();
    }
    EndPaint(hWnd, &paint);
}

int CSetupWindow::QueryClose(HWND hWnd)
{
    if (MessageBoxA(hWnd, kSetupCancelQuestion, kCloseCaption, MB_ICONINFORMATION | MB_YESNO) != IDYES)
        return 1;  // the close is refused
    m_CloseFlag = 0;
    return 0;  // the default processing closes the window
}

void CSetupWindow::ComposePaintSource(int width, int height)
{
    if (!m_PaintSource.Create(width, height, 0, true))
        return;
    m_PaintSource.Fill(0);
    // The background copied, the panel over it through its alpha plane when
    // alpha is on (a missing picture draws nothing).
    const POINT origin = {0, 0};
    m_PaintSource.Blt(0, &m_Background, origin);
    const SIZE panel = m_Panel.GetSize();
    const POINT at = {(width - panel.cx) / 2, height / 4};
    m_PaintSource.Blt(0, &m_Panel, at);
}

bool CSetupWindow::Show()
{
    ComposePaintSource(m_Params.m_Width, m_Params.m_Height);
    m_Window.RemoveMessageHandler(this);
    m_Window.AddMessageHandler(this);
    CWindowParams params = m_Params;
    params.m_Title = "Quillmoor";
    return m_Window.Create(params);
}
