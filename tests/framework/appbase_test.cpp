#include "framework/AppBase.h"
#include "framework/DebugPrint.h"
#include "framework/AppManager.h"
#include "framework/ThreadList.h"

#include <gtest/gtest.h>

#include "common/TraceCapture.h"
#include "common/WaitFor.h"

#include <atomic>
#include <string>
#include <vector>

namespace {

class TestApp : public CAppBase {
public:
    TestApp() { SetQuitOnDestroy(false); }
    ~TestApp() override { Stop(); }
    void OnSetupWindow(CWindowParams& params) override
    {
        params.m_WndClass.lpszClassName = "QuillAppTest";
        params.m_Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        params.m_Width = 200;
        params.m_Height = 100;
        if (m_BadParent) {
            params.m_Style |= WS_CHILD;
            params.m_Parent = reinterpret_cast<HWND>(0x7FFF0);
        }
    }
    bool Update() override
    {
        if (!m_SeenOnThread)
            m_SeenOnThread = CAppManager::GetHWnd();
        return CAppBase::Update();
    }
    bool OnQueryClose() override
    {
        ++m_Queries;
        if (m_SecondCloseInQuery)
            m_SecondCloseResult = SendMessageA(GetHWnd(), WM_CLOSE, 0, 0);
        return m_AllowClose;
    }
    void PumpMessages() override
    {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                m_SawQuit = true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    void OnExit() override { m_Exited = true; }
    bool DrawsWholeClient() override { return m_DrawsWhole; }
    void OnPaint(HDC dc, const RECT& dirty) override
    {
        FillRect(dc, &dirty, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        m_Dirty = dirty;
        ++m_Paints;
    }

    bool m_BadParent = false;
    bool m_AllowClose = true;
    bool m_SecondCloseInQuery = false;
    std::atomic<HWND> m_SeenOnThread{NULL};
    std::atomic<int> m_Queries{0};
    std::atomic<LRESULT> m_SecondCloseResult{-1};
    std::atomic<bool> m_SawQuit{false};
    std::atomic<bool> m_Exited{false};
    bool m_DrawsWhole = false;
    RECT m_Dirty = {};
    std::atomic<int> m_Paints{0};
};

class Worker : public CThread {
public:
    void ThreadMain() override
    {
        while (IsRunning())
            Sleep(10);
    }
};

TEST(AppBaseTest, RunReturnsPromptlyWhenWindowCreationFails)
{
    TraceCapture trace;
    {
        TestApp app;
        app.m_BadParent = true;
        DWORD start = GetTickCount();
        EXPECT_FALSE(app.Run());
        EXPECT_LT(GetTickCount() - start, 9000u) << "Run must not wait for the 10 s time-out";
        EXPECT_EQ(nullptr, app.GetWindow());
        EXPECT_TRUE(WaitFor([&] { return !app.IsRunning(); }));
        EXPECT_EQ(1u, trace.Count("CAppBase::ThreadProc() ウィンドウ作成に失敗しました"));
        EXPECT_EQ(0u, trace.Count("CAppBase::Run() m_CreateWndEventがタイムアウトした"));
    }
}

TEST(AppBaseTest, GetHWndOnlyOnWindowThread)
{
    TestApp app;
    ASSERT_TRUE(app.Run());
    HWND hWnd = app.GetHWnd();
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(app.GetThreadId(), GetWindowThreadProcessId(hWnd, NULL));
    ASSERT_TRUE(WaitFor([&] { return app.m_SeenOnThread.load() != NULL; }));
    EXPECT_EQ(hWnd, app.m_SeenOnThread.load());
    EXPECT_EQ(nullptr, CAppManager::GetHWnd()) << "not a window thread";
    EXPECT_EQ(&app, CAppManager::GetInstance().GetApp(hWnd));
    app.CloseNoQuery();
    EXPECT_TRUE(WaitFor([&] { return !app.IsRunning(); }));
    app.Stop();
    EXPECT_EQ(nullptr, CAppManager::GetInstance().GetApp(hWnd));
}

// An app that draws its whole client area paints just the invalid part and
// never has its background erased; any other app is never asked to paint.
TEST(AppBaseTest, WholeClientAppsPaintTheDirtyPartOverAnUnerasedBackground)
{
    for (bool whole : {true, false}) {
        TestApp app;
        app.m_DrawsWhole = whole;
        ASSERT_TRUE(app.Run());
        HWND hWnd = app.GetHWnd();
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        WaitFor([&] { return app.m_Paints.load() > 0; }, whole ? 10000 : 500);
        app.m_Paints = 0;
        const RECT dirty = {10, 20, 60, 45};
        InvalidateRect(hWnd, &dirty, TRUE);
        EXPECT_EQ(whole, WaitFor([&] { return app.m_Paints.load() > 0; }, whole ? 10000 : 500)) << whole;
        if (whole) {
            EXPECT_TRUE(EqualRect(&dirty, &app.m_Dirty)) << "painted " << app.m_Dirty.left << "," << app.m_Dirty.top
                                                         << "-" << app.m_Dirty.right << "," << app.m_Dirty.bottom;
            HDC screen = GetDC(nullptr);
            HDC memory = CreateCompatibleDC(screen);
            HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
            HGDIOBJ old = SelectObject(memory, bitmap);
            SetPixel(memory, 1, 1, RGB(0, 200, 0));
            EXPECT_NE(0, SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0));
            EXPECT_EQ(RGB(0, 200, 0), GetPixel(memory, 1, 1)) << "the background was erased";
            SelectObject(memory, old);
            DeleteObject(bitmap);
            DeleteDC(memory);
            ReleaseDC(nullptr, screen);
        }
        app.CloseNoQuery();
        EXPECT_TRUE(WaitFor([&] { return !app.IsRunning(); }));
    }
}

TEST(AppBaseTest, RefusedCloseKeepsRunningAndCloseNoQueryEndsIt)
{
    TestApp app;
    app.m_AllowClose = false;
    ASSERT_TRUE(app.Run());
    HWND hWnd = app.GetHWnd();
    app.Close();
    ASSERT_TRUE(WaitFor([&] { return app.m_Queries.load() == 1; }));
    ::Sleep(100);
    EXPECT_TRUE(app.IsRunning());
    EXPECT_TRUE(IsWindow(hWnd));
    app.CloseNoQuery();
    ASSERT_TRUE(WaitFor([&] { return !app.IsRunning(); }));
    app.Stop();  // teardown runs after the stop request
    EXPECT_EQ(1, app.m_Queries.load()) << "CloseNoQuery must not ask";
    EXPECT_TRUE(app.m_Exited.load());
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST(AppBaseTest, SecondCloseDuringOpenQueryIsIgnored)
{
    TestApp app;
    app.m_SecondCloseInQuery = true;
    ASSERT_TRUE(app.Run());
    app.Close();
    ASSERT_TRUE(WaitFor([&] { return !app.IsRunning(); }));
    app.Stop();  // teardown runs after the stop request
    EXPECT_EQ(1, app.m_Queries.load());
    EXPECT_EQ(1, app.m_SecondCloseResult.load());
}

TEST(AppBaseTest, QuitOnDestroyOffLeavesOtherThreadsRunning)
{
    Worker worker;
    ASSERT_TRUE(worker.Start(0));
    TestApp app;
    ASSERT_FALSE(app.GetQuitOnDestroy());
    ASSERT_TRUE(app.Run());
    app.CloseNoQuery();
    ASSERT_TRUE(WaitFor([&] { return !app.IsRunning(); }));
    app.Stop();  // teardown runs after the stop request
    EXPECT_FALSE(app.m_SawQuit.load()) << "no WM_QUIT without quit-on-destroy";
    ::Sleep(50);
    EXPECT_TRUE(worker.IsRunning());
    worker.Stop();
}

TEST(AppBaseTest, QuitOnDestroyPostsQuitAndStopsThreads)
{
    Worker worker;
    ASSERT_TRUE(worker.Start(0));
    TestApp app;
    app.SetQuitOnDestroy(true);
    ASSERT_TRUE(app.Run());
    app.CloseNoQuery();
    ASSERT_TRUE(WaitFor([&] { return !app.IsRunning(); }));
    app.Stop();  // teardown runs after the stop request
    EXPECT_TRUE(app.m_SawQuit.load());
    EXPECT_TRUE(WaitFor([&] { return !worker.IsRunning(); }));
    worker.Stop();
}

TEST(AppManagerTest, PerWindowPointersKeepEntryAlive)
{
    CAppManager& manager = CAppManager::GetInstance();
    size_t before = manager.GetEntryCount();
    int a = 0, b = 0;
    manager.SetPointer(0, &a);
    manager.SetPointer(3, &b);
    EXPECT_EQ(before + 1, manager.GetEntryCount());
    EXPECT_EQ(&a, manager.GetPointer(0));
    EXPECT_EQ(&b, manager.GetPointer(3));
    EXPECT_EQ(nullptr, manager.GetPointer(4)) << "only four slots";
    manager.ClearPointer(0, &a);
    EXPECT_EQ(before + 1, manager.GetEntryCount());
    manager.ClearPointer(3, &b);
    EXPECT_EQ(before, manager.GetEntryCount());
}

}  // namespace
