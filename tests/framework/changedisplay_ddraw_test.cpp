// The DirectDraw display changer under Wine on Xvfb, and the window
// wrappers' choice of changer.
//
// What Wine on Xvfb can do with display modes: Xvfb has one mode, the size
// and depth it was started with (1024 x 768 at 24 bits, which Wine shows as
// 32 bits per pixel). Wine sets that mode through DirectDraw and through
// ChangeDisplaySettingsA, and the exclusive full-screen cooperative level
// works on a top-level window; every other size or depth is refused
// (DirectDraw: DDERR_UNSUPPORTED; the CDS_TEST request: DISP_CHANGE_BADMODE),
// so no test here sees the screen change size. A change "to" the current
// mode runs every step of a real change; the refused modes run the failure
// paths with their messages.
#include "common/DirectDrawTest.h"
#include "common/TraceCapture.h"
#include "common/VtableHook.h"
#include "common/WindowTestApp.h"
#include "framework/AppManager.h"
#include "framework/ChangeDisplayDDraw.h"
#include "framework/DirectDraw.h"
#include "framework/DirectDrawManager.h"
#include "framework/Window.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kNoWindow[] =
    "CChangeDisplayDDraw::CChangeDisplayDDraw() CAppManager::GetHWnd()に失敗.以後Win32APIを使用します";
const char kNoInterface[] =
    "CChangeDisplayDDraw::CChangeDisplayDDraw() DirectDrawインターフェースを取得できません.以後Win32APIを使用します";
const char kLevelFailed[] = "CChangeDisplayDDraw::ChangeDisplay() SetCooperativeLevelに失敗";
const char kModeFailed[] = "CChangeDisplayDDraw::ChangeDisplay() SetDisplayModeに失敗";
const char kRestoreFailed[] = "CChangeDisplayDDraw::Reset() RestoreDisplayModeに失敗";
const char kResetLevelFailed[] = "CChangeDisplayDDraw::Reset() SetCooperativeLevelに失敗";

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += "\n  " + line;
    return all.empty() ? "\n  (nothing)" : all;
}

struct Screen {
    int width, height, bits;
};
Screen CurrentScreen()
{
    HDC dc = GetDC(NULL);
    Screen s = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetDeviceCaps(dc, BITSPIXEL)};
    ReleaseDC(NULL, dc);
    return s;
}

// The changer's fallback: the Win32 changer's answers, the DirectDraw kind.
void ExpectWin32Behaviour(CChangeDisplayDDraw& changer)
{
    EXPECT_EQ(2, changer.GetKind());
    EXPECT_FALSE(changer.UsesDirectDraw());
    EXPECT_FALSE(changer.IsChanged());
    EXPECT_TRUE(changer.Reset()) << "nothing to reset";
    EXPECT_TRUE(changer.ChangeDisplay(640, 480, 0)) << "depth 0 is the desktop";
    EXPECT_TRUE(changer.CanChange(777, 333, 0));
    const Screen screen = CurrentScreen();
    EXPECT_TRUE(changer.CanChange(screen.width, screen.height, screen.bits));
    EXPECT_FALSE(changer.CanChange(777, 333, 8));
    EXPECT_FALSE(changer.ChangeDisplay(777, 333, 8));
    EXPECT_TRUE(changer.IsChanged()) << "the Win32 changer counts a failed change as a change";
    EXPECT_TRUE(changer.Reset());
    EXPECT_FALSE(changer.IsChanged());
}

TEST(ChangeDisplayDDrawFallback, OffAWindowThreadItWorksThroughWin32AndSaysSoOnce)
{
    TraceCapture trace;
    CChangeDisplayDDraw changer;
    ExpectWin32Behaviour(changer);
    EXPECT_EQ(std::vector<std::string>{kNoWindow}, trace.Lines()) << Joined(trace.Lines());
}

TEST(ChangeDisplayDDrawFallback, AWindowWithoutDirectDrawWorksThroughWin32)
{
    WindowTestApp app(64, 48, "QuillChangerNoDirectDraw");
    ASSERT_TRUE(app.Start());
    TraceCapture trace;
    app.Run([] {
        CChangeDisplayDDraw changer;
        ExpectWin32Behaviour(changer);
    });
    EXPECT_EQ(std::vector<std::string>{kNoInterface}, trace.Lines()) << Joined(trace.Lines());
}

// Every call the changer makes of DirectDraw, in order; a call can be made
// to fail.
std::vector<std::string> g_calls;
std::string g_refuse;  // a call's text, or its name, that fails
void* g_level = nullptr;
void* g_mode = nullptr;
void* g_restore = nullptr;

bool Record(const std::string& call)
{
    g_calls.push_back(call);
    return g_refuse.empty() || call.compare(0, g_refuse.size(), g_refuse) != 0;
}

HRESULT __stdcall HookLevel(IDirectDraw7* self, HWND hWnd, DWORD flags)
{
    std::ostringstream call;
    call << "SetCooperativeLevel 0x" << std::hex << flags;
    if (!Record(call.str()))
        return DDERR_EXCLUSIVEMODEALREADYSET;
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*, HWND, DWORD)>(g_level)(self, hWnd, flags);
}

HRESULT __stdcall HookMode(IDirectDraw7* self, DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD flags)
{
    std::ostringstream call;
    call << "SetDisplayMode " << width << "x" << height << "x" << bits << " " << refresh << " " << flags;
    if (!Record(call.str()))
        return DDERR_UNSUPPORTED;
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*, DWORD, DWORD, DWORD, DWORD, DWORD)>(g_mode)(
        self, width, height, bits, refresh, flags);
}

HRESULT __stdcall HookRestore(IDirectDraw7* self)
{
    if (!Record("RestoreDisplayMode"))
        return DDERR_GENERIC;
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*)>(g_restore)(self);
}

// The changer on the window of the suite, which has its DirectDraw object;
// every DirectDraw call recorded.
class ChangeDisplayDDrawTest : public DirectDrawTest {
protected:
    void Check(const std::function<void(CChangeDisplayDDraw&)>& work)
    {
        OnWindow([&] {
            DirectDrawProbe probe;
            VtableHook level(probe.DirectDraw(), kSlotDDSetCooperativeLevel, reinterpret_cast<void*>(&HookLevel));
            VtableHook mode(probe.DirectDraw(), kSlotDDSetDisplayMode, reinterpret_cast<void*>(&HookMode));
            VtableHook restore(probe.DirectDraw(), kSlotDDRestoreDisplayMode, reinterpret_cast<void*>(&HookRestore));
            g_level = level.Original();
            g_mode = mode.Original();
            g_restore = restore.Original();
            g_calls.clear();
            g_refuse.clear();
            TraceCapture trace;
            {
                CChangeDisplayDDraw changer;
                EXPECT_TRUE(changer.UsesDirectDraw());
                EXPECT_TRUE(trace.Lines().empty()) << "made quietly:" << Joined(trace.Lines());
                work(changer);
                g_refuse.clear();
            }
            m_Lines = trace.Lines();
        });
    }
    // The calls since the last look.
    static std::vector<std::string> Calls()
    {
        std::vector<std::string> calls;
        calls.swap(g_calls);
        return calls;
    }
    static std::string Mode(const Screen& s)
    {
        return "SetDisplayMode " + std::to_string(s.width) + "x" + std::to_string(s.height) + "x" +
               std::to_string(s.bits) + " 0 0";
    }

    std::vector<std::string> m_Lines;  // what the changer wrote
};

TEST_F(ChangeDisplayDDrawTest, ChangesAndResetsThroughTheWindowsDirectDraw)
{
    const Screen screen = CurrentScreen();
    Check([&](CChangeDisplayDDraw& changer) {
        EXPECT_EQ(2, changer.GetKind());
        EXPECT_TRUE(changer.Reset()) << "nothing changed";
        EXPECT_TRUE(Calls().empty()) << "Reset without a change asks nothing";

        const DWORD start = GetTickCount();
        ASSERT_TRUE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        EXPECT_GE(GetTickCount() - start, 290u) << "100 ms before, 200 ms after";
        const std::vector<std::string> change = {"SetCooperativeLevel 0x411", Mode(screen)};
        EXPECT_EQ(change, Calls());
        EXPECT_TRUE(changer.IsChanged());
        EXPECT_TRUE(DirectDraw()->IsFullScreen());
        EXPECT_EQ(screen.width, GetSystemMetrics(SM_CXSCREEN));

        ASSERT_TRUE(changer.Reset());
        const std::vector<std::string> reset = {"RestoreDisplayMode", "SetCooperativeLevel 0x408"};
        EXPECT_EQ(reset, Calls());
        EXPECT_FALSE(changer.IsChanged());
        EXPECT_FALSE(DirectDraw()->IsFullScreen());

        // Depth 0 is Reset, with or without a change in effect.
        EXPECT_TRUE(changer.ChangeDisplay(640, 480, 0));
        EXPECT_TRUE(Calls().empty());
        ASSERT_TRUE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        Calls();
        EXPECT_TRUE(changer.ChangeDisplay(640, 480, 0));
        EXPECT_EQ(reset, Calls());
        EXPECT_FALSE(changer.IsChanged());
    });
    EXPECT_TRUE(m_Lines.empty()) << Joined(m_Lines);
}

TEST_F(ChangeDisplayDDrawTest, AModeTheScreenLacksFailsAndStaysChangedUntilReset)
{
    const Screen screen = CurrentScreen();
    Check([&](CChangeDisplayDDraw& changer) {
        EXPECT_FALSE(changer.ChangeDisplay(640, 480, screen.bits));
        EXPECT_TRUE(changer.IsChanged()) << "set before the calls";
        EXPECT_TRUE(DirectDraw()->IsFullScreen()) << "the level was set";
        Calls();
        EXPECT_TRUE(changer.Reset());
        EXPECT_FALSE(DirectDraw()->IsFullScreen());
        EXPECT_FALSE(changer.IsChanged());
    });
    EXPECT_EQ(std::vector<std::string>{kModeFailed}, m_Lines);
}

TEST_F(ChangeDisplayDDrawTest, RefusedCallsAreReportedOneByOne)
{
    const Screen screen = CurrentScreen();
    Check([&](CChangeDisplayDDraw& changer) {
        g_refuse = "SetCooperativeLevel";
        EXPECT_FALSE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        EXPECT_EQ(std::vector<std::string>{"SetCooperativeLevel 0x411"}, Calls()) << "no mode without the level";
        EXPECT_TRUE(changer.IsChanged());
        g_refuse.clear();
        EXPECT_TRUE(changer.Reset());
        Calls();

        ASSERT_TRUE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        Calls();
        g_refuse = "RestoreDisplayMode";
        EXPECT_FALSE(changer.Reset());
        EXPECT_EQ(std::vector<std::string>{"RestoreDisplayMode"}, Calls()) << "no level after a failed restore";
        EXPECT_FALSE(changer.IsChanged()) << "cleared before the calls";
        g_refuse.clear();

        ASSERT_TRUE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        Calls();
        g_refuse = "SetCooperativeLevel 0x408";
        EXPECT_FALSE(changer.Reset());
        const std::vector<std::string> reset = {"RestoreDisplayMode", "SetCooperativeLevel 0x408"};
        EXPECT_EQ(reset, Calls());
        g_refuse.clear();
        DirectDraw()->SetCooperativeLevel(CDirectDraw::kNormalLevel);
    });
    const std::vector<std::string> expected = {kLevelFailed, kRestoreFailed, kResetLevelFailed};
    EXPECT_EQ(expected, m_Lines) << Joined(m_Lines);
}

TEST_F(ChangeDisplayDDrawTest, TestsAskTheWin32ChangerOnly)
{
    const Screen screen = CurrentScreen();
    Check([&](CChangeDisplayDDraw& changer) {
        EXPECT_TRUE(changer.CanChange(screen.width, screen.height, screen.bits));
        EXPECT_FALSE(changer.CanChange(640, 480, screen.bits)) << "not on Xvfb";
        EXPECT_EQ(changer.CanChange(screen.width, screen.height, 16),
                  changer.CanChange(screen.width, screen.height, 15))
            << "15 is asked as 16";
        EXPECT_TRUE(changer.CanChange(1, 1, 0));
        EXPECT_TRUE(Calls().empty()) << "DirectDraw is not asked";
    });
}

TEST_F(ChangeDisplayDDrawTest, AChangeStillInEffectIsResetAtTheEnd)
{
    const Screen screen = CurrentScreen();
    Check([&](CChangeDisplayDDraw& changer) {
        ASSERT_TRUE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        Calls();
    });
    const std::vector<std::string> reset = {"RestoreDisplayMode", "SetCooperativeLevel 0x408"};
    EXPECT_EQ(reset, g_calls) << "at the changer's end";
    EXPECT_FALSE(DirectDraw()->IsFullScreen());
}

TEST_F(ChangeDisplayDDrawTest, WithTheObjectGoneItRefusesInsteadOfFallingBack)
{
    const Screen screen = CurrentScreen();
    Check([&](CChangeDisplayDDraw& changer) {
        ASSERT_TRUE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        CDirectDrawManager::GetInstance().Uninitialize(Window());
        Calls();
        EXPECT_FALSE(changer.ChangeDisplay(screen.width, screen.height, screen.bits));
        EXPECT_FALSE(changer.Reset());
        EXPECT_TRUE(changer.IsChanged()) << "nothing was reset";
        EXPECT_TRUE(changer.UsesDirectDraw());
        EXPECT_TRUE(Calls().empty());
        EXPECT_TRUE(CDirectDrawManager::GetInstance().Initialize(Window()));
        EXPECT_TRUE(changer.Reset()) << "found again under the window";
    });
    EXPECT_TRUE(m_Lines.empty()) << Joined(m_Lines);
}

// The window wrappers make the changer by kind.
TEST_F(ChangeDisplayDDrawTest, WindowKindOneIsTheDirectDrawChanger)
{
    OnWindow([] {
        CWindow* window = dynamic_cast<CWindow*>(CAppManager::GetInstance().GetApp()->GetWindow());
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(1, window->GetDisplayChanger()->GetKind()) << "the Win32 changer from the start";
        CChangeDisplay* changer = window->SelectDisplayChanger(1);
        ASSERT_NE(nullptr, changer);
        EXPECT_EQ(changer, window->GetDisplayChanger());
        EXPECT_EQ(2, changer->GetKind());
        EXPECT_TRUE(dynamic_cast<CChangeDisplayDDraw*>(changer)->UsesDirectDraw());
        EXPECT_EQ(1, window->SelectDisplayChanger(0)->GetKind());
        EXPECT_EQ(1, window->SelectDisplayChanger(7)->GetKind());
    });
}

// A window the size of the screen goes full screen through DirectDraw and
// back; one of another size cannot (Xvfb has no such mode) and stays
// windowed.
TEST(ChangeDisplayDDrawWindow, FullScreenThroughDirectDrawAndBack)
{
    const Screen screen = CurrentScreen();
    for (bool fits : {true, false}) {
        WindowTestApp app(fits ? screen.width : 320, fits ? screen.height : 200, "QuillChangerWindow");
        ASSERT_TRUE(app.Start());
        TraceCapture trace;
        app.Run([&] {
            const HWND hWnd = CAppManager::GetHWnd();
            ASSERT_TRUE(CDirectDrawManager::GetInstance().Initialize(hWnd));
            CWindowBase* window = CAppManager::GetInstance().GetApp()->GetWindow();
            ASSERT_EQ(2, window->SelectDisplayChanger(1)->GetKind());
            const LONG windowedStyle = GetWindowLongA(hWnd, GWL_STYLE);
            EXPECT_FALSE(window->CanFullScreen(screen.bits)) << "640 x 480 and 800 x 600 are not on Xvfb";
            EXPECT_EQ(fits, window->SetFullScreen(screen.bits));
            EXPECT_EQ(fits, window->IsFullScreen());
            CDirectDraw* dd = CDirectDrawManager::GetInstance().GetDirectDraw(hWnd);
            EXPECT_EQ(fits, dd->IsFullScreen());
            if (fits) {
                EXPECT_EQ(0x900A0000, DWORD(GetWindowLongA(hWnd, GWL_STYLE)) & 0xFFFF0000u & ~DWORD(WS_CLIPSIBLINGS))
                    << std::hex << GetWindowLongA(hWnd, GWL_STYLE);
                EXPECT_TRUE(window->SetFullScreen(0));
            }
            EXPECT_FALSE(window->IsFullScreen());
            EXPECT_FALSE(dd->IsFullScreen());
            EXPECT_EQ(windowedStyle, GetWindowLongA(hWnd, GWL_STYLE)) << "the windowed frame is back";
            CDirectDrawManager::GetInstance().Uninitialize(hWnd);
        });
        const std::vector<std::string> expected =
            fits ? std::vector<std::string>() : std::vector<std::string>{kModeFailed};
        EXPECT_EQ(expected, trace.Lines()) << (fits ? "screen size" : "320 x 200") << Joined(trace.Lines());
    }
}

}  // namespace
