#pragma once
// The installer's main window object: a window with the update's two
// pictures. The update flow constructs it and uses its (null) handle as the
// owner of its message boxes without showing it; Show makes it a real
// window painted from the two pictures.
#include "framework/MessageHandler.h"
#include "framework/Window.h"
#include "framework/WindowParams.h"
#include "surface/AutoSurface.h"
#include <windows.h>
#include <string>

extern const char* const kSetupCancelQuestion;  // "セットアップをキャンセルしますか？"
extern const char* const kCloseCaption;         // "確認"
extern const char* const kBackgroundPicture;    // "data\v_006_000.bmp"
extern const char* const kPanelPicture;         // "data\v_006_001.bmp"

class CSetupWindow : public CMessageHandler {
public:
    // Loads both pictures (a missing one leaves its surface empty).
    CSetupWindow();
    ~CSetupWindow() override;

    // WM_PAINT paints from the paint source; WM_CLOSE asks before it closes.
    int OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The system window, null while it does not exist (the owner of the
    // update's message boxes).
    HWND GetHWnd() { return m_Window.GetHWnd(); }

    // Puts the pictures together into the paint source (the background at the
    // origin, the panel over it, centred across and a quarter down), then
    // creates and shows the window. False when the window cannot be created.
    bool Show();

    CAutoSurface& GetPaintSource() { return m_PaintSource; }
    CAutoSurface& GetPanel() { return m_Panel; }
    CAutoSurface& GetBackground() { return m_Background; }

private:
    CSetupWindow(const CSetupWindow&) = delete;
    CSetupWindow& operator=(const CSetupWindow&) = delete;

    void ComposePaintSource(int width, int height);
    void Paint(HWND hWnd);
    int QueryClose(HWND hWnd);

    CWindow m_Window;
    CWindowParams m_Params;  // the default creation parameters
    CAutoSurface m_PaintSource;
    CAutoSurface m_Panel;
    CAutoSurface m_Spare;
    CAutoSurface m_Background;
    std::string m_Text;
    DWORD m_Value;
    BYTE m_CloseFlag;
};
