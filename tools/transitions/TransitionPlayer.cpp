#include "TransitionPlayer.h"

#include "framework/Callback.h"
#include "surface/RectUpdateRegion.h"

#include <cstdio>

namespace {

const UINT kCaptionMessage = WM_APP + 1;
const DWORD kTickMs = 16;
const int kProgressPerTick = 12;  // about 1.4 s per operation
const int kHoldTicks = 30;        // the end state stays half a second
const int kFormats[] = {32, 24, 16, 15};

}  // namespace

CTransitionPlayer::CTransitionPlayer(const Options& options)
    : m_Options(options), m_Step(options.step), m_Progress(options.progress), m_Paused(options.paused),
      m_Hold(kHoldTicks), m_TimerId(0)
{
}

CTransitionPlayer::~CTransitionPlayer()
{
    // The window thread goes first: the timer and the window use the members.
    Stop();
}

void CTransitionPlayer::OnSetupWindow(CWindowParams& params)
{
    params.m_WndClass.lpszClassName = "QuillTransitionPlayer";
    params.m_Title = "transitions";
    params.m_Width = m_Options.width;
    params.m_Height = m_Options.height;
}

void CTransitionPlayer::OnInit()
{
    CCriticalLock lock(m_Lock);
    if (!MakeSurfaces(m_Options.format))
        return;
    m_TimerId = GetTimerService()->AddTimer(make_callback(this, &CTransitionPlayer::Tick), 0, kTickMs, 0);
}

void CTransitionPlayer::OnExit()
{
    if (m_TimerId != 0)
        GetTimerService()->RemoveTimer(m_TimerId);
    m_TimerId = 0;
}

bool CTransitionPlayer::MakeSurfaces(int format)
{
    if (!m_Scene.Create(m_Options.width, m_Options.height, format, m_Options.picture) ||
        !m_Frame.Create(m_Options.width, m_Options.height, format, true)) {
        std::fprintf(stderr, "transitions: cannot make %d x %d surfaces of format %d\n", m_Options.width,
                     m_Options.height, format);
        return false;
    }
    m_Frame.Fill(RGB(0, 0, 0));
    m_Frame.GetUpdateRegion().Reset();  // the bounds of the new surface
    m_Frame.GetUpdateRegion().AddRect(0, 0, m_Options.width, m_Options.height);
    return true;
}

void CTransitionPlayer::GoTo(int step)
{
    const int count = int(CTransitionScene::GetSteps().size());
    m_Step = (step % count + count) % count;
    m_Progress = 0;
    m_Hold = kHoldTicks;
}

void CTransitionPlayer::Tick()
{
    CCriticalLock lock(m_Lock);
    if (!m_Frame.IsCreated())
        return;
    if (!m_Paused) {
        if (m_Progress < 1024) {
            m_Progress = m_Progress + kProgressPerTick > 1024 ? 1024 : m_Progress + kProgressPerTick;
        } else if (--m_Hold <= 0) {
            GoTo(m_Step + 1);
            PostMessageA(GetHWnd(), kCaptionMessage, 0, 0);
        }
    }
    DrawFrame();
}

void CTransitionPlayer::DrawFrame()
{
    m_Scene.Draw(m_Frame, CTransitionScene::GetSteps()[size_t(m_Step)], m_Progress);
    CRectUpdateRegion& region = m_Frame.GetUpdateRegion();
    HWND hWnd = GetHWnd();
    for (int i = 0; i < region.GetCount(); ++i) {
        const PixelRect p = region.GetRect(i);
        const RECT r = {p.left, p.top, p.right, p.bottom};
        InvalidateRect(hWnd, &r, FALSE);
    }
    region.Reset();
}

void CTransitionPlayer::OnPaint(HDC dc, const RECT& dirty)
{
    CCriticalLock lock(m_Lock);
    HDC from = m_Frame.IsCreated() ? m_Frame.GetDC() : nullptr;
    if (from != nullptr) {
        BitBlt(dc, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, from, dirty.left,
               dirty.top, SRCCOPY);
        m_Frame.ReleaseDC();
    }
}

void CTransitionPlayer::UpdateCaption(HWND hWnd)
{
    std::string caption;
    {
        CCriticalLock lock(m_Lock);
        caption = "transitions - " + CTransitionScene::Describe(CTransitionScene::GetSteps()[size_t(m_Step)]) +
                  " - " + std::to_string(m_Scene.GetFormat()) + " bpp";
        if (m_Paused)
            caption += " - paused at " + std::to_string(m_Progress);
    }
    SetWindowTextA(hWnd, caption.c_str());
}

int CTransitionPlayer::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kCaptionMessage:
        UpdateCaption(hWnd);
        return 1;
    case WM_SHOWWINDOW:
        PostMessageA(hWnd, kCaptionMessage, 0, 0);
        break;
    case WM_KEYDOWN: {
        bool known = true;
        {
            CCriticalLock lock(m_Lock);
            switch (wParam) {
            case VK_SPACE: m_Paused = !m_Paused; break;
            case VK_RIGHT: GoTo(m_Step + 1); break;
            case VK_LEFT: GoTo(m_Step - 1); break;
            case VK_UP:
            case VK_DOWN:
                m_Paused = true;
                m_Progress += wParam == VK_UP ? 64 : -64;
                m_Progress = m_Progress < 0 ? 0 : m_Progress > 1024 ? 1024 : m_Progress;
                break;
            case 'F': {
                int next = 0;
                for (int i = 0; i < 4; ++i)
                    if (kFormats[i] == m_Scene.GetFormat())
                        next = kFormats[(i + 1) % 4];
                if (MakeSurfaces(next ? next : 32))
                    DrawFrame();
                break;
            }
            case VK_ESCAPE: known = false; break;
            default: return CAppBase::OnMessage(hWnd, message, wParam, lParam);
            }
        }
        if (!known) {
            Close();
            return 1;
        }
        UpdateCaption(hWnd);
        return 1;
    }
    default: break;
    }
    return CAppBase::OnMessage(hWnd, message, wParam, lParam);
}
