#include "framework/ChangeDisplay.h"
#include "framework/Window.h"
#include "framework/ScreenWindow.h"

#include <gtest/gtest.h>

#include <imm.h>
#include <string>
#include <vector>

namespace {

const UINT kProbe = WM_APP + 7;

struct RecordingHandler : CMessageHandler {
    RecordingHandler(std::vector<std::string>* log, const char* name, UINT claims, int result)
        : m_Log(log), m_Name(name), m_Claims(claims), m_Result(result) {}
    int OnMessage(HWND, UINT message, WPARAM, LPARAM) override
    {
        if (message == m_Claims || message == kProbe)
            m_Log->push_back(m_Name);
        return message == m_Claims ? m_Result : 0;
    }
    std::vector<std::string>* m_Log;
    std::string m_Name;
    UINT m_Claims;
    int m_Result;
};

CWindowParams HiddenParams(const char* className)
{
    CWindowParams params;
    params.m_WndClass.lpszClassName = className;
    params.m_Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    params.m_Width = 320;
    params.m_Height = 200;
    return params;
}

SIZE ClientOf(HWND hWnd)
{
    RECT rect;
    GetClientRect(hWnd, &rect);
    SIZE size = {rect.right, rect.bottom};
    return size;
}

SIZE OuterOf(HWND hWnd)
{
    RECT rect;
    GetWindowRect(hWnd, &rect);
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    return size;
}

TEST(WindowTest, HandlersRunInOrderAndFirstNonZeroWins)
{
    CWindow window;
    ASSERT_TRUE(window.Create(HiddenParams("QuillDispatch")));
    std::vector<std::string> log;
    RecordingHandler a(&log, "a", 0, 0), b(&log, "b", kProbe + 1, 42), c(&log, "c", 0, 0);
    window.AddMessageHandler(&a);
    window.AddMessageHandler(&b);
    window.AddMessageHandler(&c);

    EXPECT_EQ(0, SendMessageA(window.GetHWnd(), kProbe, 0, 0));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), log);

    log.clear();
    EXPECT_EQ(42, SendMessageA(window.GetHWnd(), kProbe + 1, 0, 0));
    EXPECT_EQ((std::vector<std::string>{"b"}), log) << "c must not run after b claimed it";

    // Removal takes every occurrence.
    window.AddMessageHandler(&a);
    window.RemoveMessageHandler(&a);
    log.clear();
    SendMessageA(window.GetHWnd(), kProbe, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"b", "c"}), log);
}

TEST(WindowTest, ClaimedMessageSkipsDefaultProcessing)
{
    CWindow window;
    ASSERT_TRUE(window.Create(HiddenParams("QuillDefault")));
    std::vector<std::string> log;
    RecordingHandler claim(&log, "claim", WM_SETTEXT, 1);
    window.AddMessageHandler(&claim);
    SetWindowTextA(window.GetHWnd(), "changed");
    char text[64] = {};
    GetWindowTextA(window.GetHWnd(), text, sizeof text);
    EXPECT_STREQ("Application", text) << "DefWindowProcA must not have set the text";
}

TEST(WindowTest, ButtonChildIsSubclassedAndHandlersComeFirst)
{
    CWindow parent;
    ASSERT_TRUE(parent.Create(HiddenParams("QuillParent")));
    CWindowParams params = HiddenParams("BUTTON");
    params.m_Style = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON;
    params.m_Parent = parent.GetHWnd();
    params.m_Centre = 0;
    params.m_ClientSize = 0;
    params.m_Title = "押す";
    params.m_MenuOrId = 1234;
    CWindow button;
    ASSERT_TRUE(button.Create(params));
    HWND hButton = button.GetHWnd();
    EXPECT_EQ(parent.GetHWnd(), GetParent(hButton));
    EXPECT_EQ(1234, GetDlgCtrlID(hButton));
    EXPECT_EQ(reinterpret_cast<LONG>(&CWindow::FrameworkProc), GetWindowLongA(hButton, GWL_WNDPROC));
    char className[16] = {};
    GetClassNameA(hButton, className, sizeof className);
    EXPECT_STREQ("Button", className) << "the system class, not one of ours";

    std::vector<std::string> log;
    RecordingHandler pass(&log, "pass", WM_SETTEXT, 0);
    button.AddMessageHandler(&pass);
    SetWindowTextA(hButton, "first");
    char text[64] = {};
    GetWindowTextA(hButton, text, sizeof text);
    EXPECT_STREQ("first", text) << "the button's own procedure runs after a handler passes";
    EXPECT_EQ(1u, log.size());

    RecordingHandler claim(&log, "claim", WM_SETTEXT, 1);
    button.RemoveMessageHandler(&pass);
    button.AddMessageHandler(&claim);
    SetWindowTextA(hButton, "second");
    GetWindowTextA(hButton, text, sizeof text);
    EXPECT_STREQ("first", text) << "a claimed message must not reach the button";
}

TEST(WindowTest, ClassIsRegisteredOnlyOnce)
{
    CWindowParams first = HiddenParams("QuillOnce");
    first.m_WndClass.style = CS_HREDRAW;
    CWindowParams second = first;
    second.m_WndClass.style = CS_VREDRAW;
    CWindow one, two;
    ASSERT_TRUE(one.Create(first));
    ASSERT_TRUE(two.Create(second)) << "a second RegisterClassExA would fail";
    EXPECT_EQ(static_cast<DWORD>(CS_HREDRAW), GetClassLongA(two.GetHWnd(), GCL_STYLE));
    // Re-creating the same object replaces its window.
    HWND old = one.GetHWnd();
    ASSERT_TRUE(one.Create(first));
    EXPECT_FALSE(IsWindow(old));
}

TEST(WindowTest, ClientSizeVersusOuterSize)
{
    CWindow client, outer;
    CWindowParams params = HiddenParams("QuillSize");
    ASSERT_TRUE(client.Create(params));
    SIZE c = ClientOf(client.GetHWnd());
    EXPECT_EQ(320, c.cx);
    EXPECT_EQ(200, c.cy);
    // Centred on the screen.
    RECT rect;
    GetWindowRect(client.GetHWnd(), &rect);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, (rect.left + rect.right) / 2, 1);
    EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN) / 2, (rect.top + rect.bottom) / 2, 1);

    params.m_ClientSize = 0;
    params.m_Centre = 0;
    params.m_X = 10;
    params.m_Y = 20;
    ASSERT_TRUE(outer.Create(params));
    SIZE o = OuterOf(outer.GetHWnd());
    EXPECT_EQ(320, o.cx);
    EXPECT_EQ(200, o.cy);
    EXPECT_LT(ClientOf(outer.GetHWnd()).cy, 200);
    GetWindowRect(outer.GetHWnd(), &rect);
    EXPECT_EQ(10, rect.left);
    EXPECT_EQ(20, rect.top);

    ASSERT_TRUE(outer.SetClientSize(256, 128));
    c = ClientOf(outer.GetHWnd());
    EXPECT_EQ(256, c.cx);
    EXPECT_EQ(128, c.cy);
    EXPECT_EQ(256, outer.GetClientSize().cx);
}

TEST(WindowTest, CreateFailureCleansUpAndOperationsFailWithoutWindow)
{
    CWindow window;
    CWindowParams params = HiddenParams("QuillBadParent");
    params.m_Style = WS_CHILD;
    params.m_Parent = reinterpret_cast<HWND>(0x7FFF0);
    EXPECT_FALSE(window.Create(params));
    EXPECT_EQ(nullptr, window.GetHWnd());
    EXPECT_FALSE(window.Show());
    EXPECT_FALSE(window.SetClientSize(10, 10));
    EXPECT_FALSE(window.SetFullScreen(32));
    EXPECT_FALSE(window.IsFullScreen());
}

TEST(WindowTest, ImeIsOffForTheWindow)
{
    CWindow window;
    ASSERT_TRUE(window.Create(HiddenParams("QuillIme")));
    ASSERT_NE(nullptr, window.GetImeGuard());
    HIMC context = ImmGetContext(window.GetHWnd());
    EXPECT_EQ(nullptr, context);
    if (context)
        ImmReleaseContext(window.GetHWnd(), context);
}

TEST(WindowTest, RefusedFullScreenLeavesWindowWindowed)
{
    CWindow window;
    CWindowParams params = HiddenParams("QuillFull");
    params.m_Width = 777;
    params.m_Height = 333;
    ASSERT_TRUE(window.Create(params));
    ASSERT_TRUE(window.GetDisplayChanger());
    ASSERT_FALSE(window.GetDisplayChanger()->CanChange(777, 333, 8)) << "the display takes 777x333x8";
    LONG windowedStyle = GetWindowLongA(window.GetHWnd(), GWL_STYLE);
    EXPECT_FALSE(window.SetFullScreen(8));
    EXPECT_FALSE(window.IsFullScreen());
    EXPECT_EQ(0, window.GetFullScreenDepth());
    EXPECT_EQ(windowedStyle, GetWindowLongA(window.GetHWnd(), GWL_STYLE));
    EXPECT_EQ(0, GetWindowLongA(window.GetHWnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    SIZE c = ClientOf(window.GetHWnd());
    EXPECT_EQ(777, c.cx);
    EXPECT_EQ(333, c.cy);
}

struct RecordingScreen : CScreenWindow {
    void OnFullScreenChanged(int depth) override { m_Changes.push_back(depth); }
    std::vector<int> m_Changes;
};

TEST(WindowTest, ScreenWindowTurnsMaximiseIntoFullScreenRequest)
{
    RecordingScreen window;
    CWindowParams params = HiddenParams("QuillScreen");
    params.m_Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;
    params.m_Width = 777;  // a mode the display cannot take
    params.m_Height = 333;
    ASSERT_TRUE(window.Create(params));
    EXPECT_EQ(1, SendMessageA(window.GetHWnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0));
    EXPECT_FALSE(IsZoomed(window.GetHWnd())) << "default maximising must be suppressed";
    EXPECT_FALSE(window.IsFullScreen());
    EXPECT_EQ(0, window.GetFullScreenDepth());
    ASSERT_FALSE(window.m_Changes.empty());
    EXPECT_EQ(0, window.m_Changes.back());
    SIZE c = ClientOf(window.GetHWnd());
    EXPECT_EQ(777, c.cx);
    // Minimise while windowed is the default one.
    EXPECT_EQ(0, SendMessageA(window.GetHWnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0));
    EXPECT_TRUE(IsIconic(window.GetHWnd()));
}

// ---- display changer ------------------------------------------------------

TEST(WindowTest, StartsWithWin32DisplayChanger)
{
    CWindow window;
    ASSERT_NE(nullptr, window.GetDisplayChanger());
    EXPECT_EQ(1, window.GetDisplayChanger()->GetKind());
    CChangeDisplay* replaced = window.SelectDisplayChanger(1);
    ASSERT_NE(nullptr, replaced);
    EXPECT_EQ(replaced, window.GetDisplayChanger());
    EXPECT_FALSE(window.IsFullScreen());
}

}  // namespace
