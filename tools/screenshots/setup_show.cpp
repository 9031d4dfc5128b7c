// setup_show.exe window|wizard
// Shows the installer's main window (pictures from the current folder) or
// its wizard for the screenshot script, and walks through them on its own,
// printing one line per stage with the window's rectangle:
//   window: "window X Y W H", then the close question ("close").
//   wizard: "page1 X Y W H", Next, "page2 X Y W H", then Cancel ("cancel").
// Whoever answers the question (out/answer.exe) ends the program.
#include "framework/Window.h"
#include "installer/SetupWindow.h"
#include "installer/WizardPages.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

namespace {

const DWORD kStageMs = 1500;
HWND g_Sheet = nullptr;

void Say(const char* stage, HWND hWnd)
{
    RECT r = {};
    GetWindowRect(hWnd, &r);
    std::printf("%s %ld %ld %ld %ld\n", stage, r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
}

// Dispatches messages for ms milliseconds; false once the window is gone.
bool PumpFor(HWND hWnd, DWORD ms)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        DispatchPendingMessages();
        if (!IsWindow(hWnd))
            return false;
        Sleep(10);
    }
    return true;
}

int ShowWindowStages()
{
    CSetupWindow window;
    if (!window.Show())
        return 1;
    HWND hWnd = window.GetHWnd();
    PumpFor(hWnd, 300);
    Say("window", hWnd);
    PumpFor(hWnd, kStageMs);
    std::printf("close\n");
    std::fflush(stdout);
    PostMessageA(hWnd, WM_CLOSE, 0, 0);
    // Until the question is answered Yes (a minute at most).
    for (int second = 0; second < 60 && PumpFor(hWnd, 1000); ++second) {
    }
    return 0;
}

int CALLBACK OnSheet(HWND hWnd, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED)
        g_Sheet = hWnd;
    return 0;
}

DWORD WINAPI WalkWizard(void*)
{
    while (!g_Sheet || !IsWindowVisible(g_Sheet))
        Sleep(20);
    Sleep(300);
    Say("page1", g_Sheet);
    Sleep(kStageMs);
    PostMessageA(g_Sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    Sleep(300);
    Say("page2", g_Sheet);
    Sleep(kStageMs);
    std::printf("cancel\n");
    std::fflush(stdout);
    PostMessageA(g_Sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return 0;
}

int ShowWizardStages()
{
    CWizardPages pages(GetModuleHandleA(nullptr));
    HANDLE walker = CreateThread(nullptr, 0, WalkWizard, nullptr, 0, nullptr);
    pages.Run(nullptr, OnSheet);
    WaitForSingleObject(walker, 5000);
    CloseHandle(walker);
    std::printf("cancelled %d\n", int(g_WizardCancel));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    InitCommonControls();
    if (argc == 2 && std::strcmp(argv[1], "window") == 0)
        return ShowWindowStages();
    if (argc == 2 && std::strcmp(argv[1], "wizard") == 0)
        return ShowWizardStages();
    std::fprintf(stderr, "usage: setup_show window|wizard\n");
    return 2;
}
