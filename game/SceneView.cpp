#include "SceneView.h"

#include "SceneImage.h"
#include "TextWrap.h"

#include "filesystem/ImageFile.h"
#include "framework/DebugPrint.h"
#include "surface/DDSurface.h"
#include "surface/ImageSurface.h"
#include "surface/RectUpdateRegion.h"

namespace {

const RECT kWhole = {0, 0, CSceneView::kWidth, CSceneView::kHeight};
const POINT kOrigin = {0, 0};
// The text box and what is written in it.
const RECT kBox = {20, 440, 780, 590};
const int kTextLeft = 48;
const int kSpeakerTop = 452;
const int kTextTop = 484;
const int kLineHeight = 30;
const int kTextWidth = 704;
const int kMaxRows = 3;
const COLORREF kDarkPicture = RGB(24, 24, 32);
const COLORREF kPlainBox = RGB(16, 26, 56);
const COLORREF kTextColor = RGB(255, 255, 255);
const COLORREF kShadowColor = RGB(0, 0, 0);
const COLORREF kSpeakerColor = RGB(232, 200, 122);
const COLORREF kVersionColor = RGB(160, 168, 192);
const char kMoreMark[] = "▼";
const char kFontFace[] = "ＭＳ ゴシック";

HFONT MakeFont(int height)
{
    return CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, kFontFace);
}

void TextWithShadow(HDC dc, int x, int y, const std::string& text, COLORREF color)
{
    SetTextColor(dc, kShadowColor);
    TextOutA(dc, x + 2, y + 2, text.data(), int(text.size()));
    SetTextColor(dc, color);
    TextOutA(dc, x, y, text.data(), int(text.size()));
}

}  // namespace

CSceneView::CSceneView() : m_Current(0), m_Font(nullptr), m_SmallFont(nullptr)
{
    for (CAutoSurface& picture : m_Pictures)
        picture.SetDirectDrawEnable(false);
    m_TextBox.SetDirectDrawEnable(false);
}

CSceneView::~CSceneView()
{
    Release();
}

bool CSceneView::Create(HWND hWnd)
{
    Release();
    m_Frame.SetHWnd(hWnd);
    for (CAutoSurface& picture : m_Pictures)
        picture.SetHWnd(hWnd);
    m_TextBox.SetHWnd(hWnd);
    // The screen's format where a surface can take it (not on a 256-colour
    // desktop); 32 bits otherwise, which GDI converts when painting.
    if ((!m_Frame.Create(kWidth, kHeight, 0, true) || !m_Frame.IsCreated()) &&
        (!m_Frame.Create(kWidth, kHeight, 32, true) || !m_Frame.IsCreated())) {
        DebugPrint("CSceneView::Create() 画面の作成に失敗しました");
        return false;
    }
    m_Frame.Fill(RGB(0, 0, 0));
    m_Frame.GetUpdateRegion().Reset();  // the bounds of the new frame
    m_Frame.GetUpdateRegion().AddRect(0, 0, kWidth, kHeight);
    for (CAutoSurface& picture : m_Pictures) {
        picture.Create(kWidth, kHeight, m_Frame.GetBitCount(), false);
        picture.Fill(kDarkPicture);
    }
    m_Font = MakeFont(22);
    m_SmallFont = MakeFont(14);
    return true;
}

void CSceneView::Release()
{
    m_Frame.Release();
    for (CAutoSurface& picture : m_Pictures)
        picture.Release();
    m_TextBox.Release();
    if (m_Font)
        DeleteObject(m_Font);
    if (m_SmallFont)
        DeleteObject(m_SmallFont);
    m_Font = m_SmallFont = nullptr;
}

bool CSceneView::IsDirectDraw()
{
    return dynamic_cast<CDDSurface*>(m_Frame.GetSurface()) != nullptr;
}

int CSceneView::GetFormat()
{
    return m_Frame.GetBitCount();
}

void CSceneView::SetTextBox(CImageInterface* image)
{
    if (image == nullptr || !CopyImageToSurface(*image, m_TextBox, GetFormat())) {
        DebugPrint("CSceneView::SetTextBox() 文章枠の画像がないので、単色の枠を使います");
        m_TextBox.Release();
    }
}

void CSceneView::SetNextPicture(CImageInterface* image)
{
    CAutoSurface& next = m_Pictures[1 - m_Current];
    const int format = GetFormat();
    int width = 0, height = 0;
    if (image != nullptr)
        image->GetSize(width, height);
    if (image != nullptr && width == kWidth && height == kHeight && CopyImageToSurface(*image, next, format)) {
        next.SetAlphaEnable(false);  // a scene's picture covers the whole frame
        return;
    }
    next.Create(kWidth, kHeight, format, false);
    next.Fill(kDarkPicture);
    if (image == nullptr || !image->IsLoaded()) {
        DebugPrint("CSceneView::SetNextPicture() 画像の読み込みに失敗しました[%s]",
                   image ? image->GetName().c_str() : "");
        return;
    }
    // Another size is stretched over the frame.
    CAutoSurface picture;
    picture.SetDirectDrawEnable(false);
    if (CopyImageToSurface(*image, picture, format)) {
        picture.SetAlphaEnable(false);
        next.StretchBlt(1, &picture, kWhole);
    }
}

void CSceneView::SwapPictures()
{
    m_Current = 1 - m_Current;
}

void CSceneView::DrawPicture()
{
    m_Frame.Blt(0, &m_Pictures[m_Current], kOrigin);
}

void CSceneView::DrawPage(const ScenePage& page, const std::string& version, bool more)
{
    DrawPicture();
    if (m_TextBox.IsCreated())
        m_Frame.Blt(0, &m_TextBox, POINT{kBox.left, kBox.top});
    else
        m_Frame.Fill(kPlainBox, kBox.left, kBox.top, kBox.right, kBox.bottom);
    HDC dc = m_Frame.GetDC();
    if (dc == nullptr)
        return;
    DrawText(dc, page, version, more);
    m_Frame.ReleaseDC();
    // GDI drawing is not seen by the frame's own notifications.
    m_Frame.GetUpdateRegion().AddRect(kBox.left, kBox.top, kBox.right, kBox.bottom);
}

void CSceneView::DrawText(HDC dc, const ScenePage& page, const std::string& version, bool more)
{
    const int mode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, m_SmallFont);
    if (!version.empty()) {
        const std::string label = "Ver." + version;
        SIZE size = {};
        GetTextExtentPoint32A(dc, label.data(), int(label.size()), &size);
        TextWithShadow(dc, kBox.right - 24 - size.cx, kSpeakerTop, label, kVersionColor);
    }
    SelectObject(dc, m_Font);
    if (!page.speaker.empty())
        TextWithShadow(dc, kTextLeft, kSpeakerTop, page.speaker, kSpeakerColor);
    const std::vector<std::string> rows = WrapText(page.text, kTextWidth, [dc](const char* bytes, size_t count) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, bytes, int(count), &size);
        return int(size.cx);
    });
    if (rows.size() > size_t(kMaxRows))
        DebugPrint("CSceneView::DrawText() 文章が%d行を超えたので、後ろを省きます", kMaxRows);
    for (size_t i = 0; i < rows.size() && i < size_t(kMaxRows); ++i)
        TextWithShadow(dc, kTextLeft, kTextTop + int(i) * kLineHeight, rows[i], kTextColor);
    if (more)
        TextWithShadow(dc, kBox.right - 40, kBox.bottom - 32, kMoreMark, kSpeakerColor);
    SelectObject(dc, oldFont);
    SetBkMode(dc, mode);
}

void CSceneView::DrawTransition(const SceneTransition& transition, int progress)
{
    CAutoSurface* from = &m_Pictures[m_Current];
    CAutoSurface* to = &m_Pictures[1 - m_Current];
    switch (transition.family) {
    case SceneTransition::kExtended:
        m_Frame.BltTransitionEx(transition.op, from, to, kOrigin, kWhole, kWhole, kWhole, progress);
        break;
    case SceneTransition::kTwoPicture:
        m_Frame.BltTransition(transition.op, from, to, kOrigin, kWhole, kOrigin, kWhole, kWhole, progress);
        break;
    case SceneTransition::kCut:
        m_Frame.Blt(0, progress < 1024 ? from : to, kOrigin);
        break;
    }
}

void CSceneView::DrawCopy()
{
    m_Frame.Blt(0, &m_Pictures[1 - m_Current], kOrigin);
}

std::vector<RECT> CSceneView::TakeTouched()
{
    CRectUpdateRegion& region = m_Frame.GetUpdateRegion();
    std::vector<RECT> rects;
    for (int i = 0; i < region.GetCount(); ++i) {
        const PixelRect p = region.GetRect(i);
        rects.push_back(RECT{p.left, p.top, p.right, p.bottom});
    }
    region.Reset();
    return rects;
}

bool CSceneView::Present(HDC dc, const RECT& rect)
{
    HDC frame = m_Frame.IsCreated() ? m_Frame.GetDC() : nullptr;
    if (frame == nullptr)
        return false;
    const BOOL done = BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, frame,
                             rect.left, rect.top, SRCCOPY);
    m_Frame.ReleaseDC();
    return done != FALSE;
}
