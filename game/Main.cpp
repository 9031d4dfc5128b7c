// Quillmoor.exe: the game.
//
//   Quillmoor [--scene N|last] [--dib]
//   Quillmoor --bench [--dib]
//
// --scene starts at the N-th (or the last) scene of the script; --dib keeps the frame off
// DirectDraw; --bench prints the time to the first picture and the frames
// per second of every transition the script uses, then quits. The game's
// data is looked up from the program's folder. Once the window shows, one
// line "window X Y W H" on standard output gives its place on the screen.
#include "GameStartup.h"
#include "QuillmoorApp.h"

#include "framework/DebugPrint.h"
#include "setup/PathUtil.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND g_Window = nullptr;  // the game's window, once it exists

HWND AppWindow()
{
    return g_Window;
}

// False for an unknown option or a bad value.
bool ParseOptions(int argc, char** argv, CQuillmoorApp::Options& options)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scene") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "last") == 0) {
            options.startScene = 0;
            ++i;
        } else if (std::strcmp(argv[i], "--scene") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (end == argv[i] || *end != '\0' || n < 1 || n > 9999)
                return false;
            options.startScene = int(n);
        } else if (std::strcmp(argv[i], "--bench") == 0) {
            options.bench = true;
        } else if (std::strcmp(argv[i], "--dib") == 0) {
            options.dib = true;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CGameStartup startup(AppWindow);
    CQuillmoorApp::Options options;
    if (!ParseOptions(__argc, __argv, options)) {
        MessageBoxA(nullptr, "使い方: Quillmoor [--scene 番号] [--dib] [--bench]", CQuillmoorApp::kTitle,
                    MB_OK | MB_ICONINFORMATION);
        return 2;
    }
    SetCurrentFolder(GetModuleFolder());

    int code = 0;
    {
        CQuillmoorApp app(options);
        if (!app.Run()) {
            DebugPrint("WinMain() ウィンドウを作成できませんでした");
            code = 1;
        } else {
            // Where the window is, once it shows, for whoever photographs it
            // (standard output exists when started from a console or script).
            HWND hWnd = app.GetHWnd();  // the handle only: the window object is the window thread's
            g_Window = hWnd;
            bool told = false;
            while (app.IsRunning()) {
                if (!told && IsWindowVisible(hWnd)) {
                    RECT r = {};
                    GetWindowRect(hWnd, &r);
                    std::printf("window %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
                    std::fflush(stdout);
                    told = true;
                }
                Sleep(told ? 50 : 10);
            }
            code = app.GetExitCode();
        }
        g_Window = nullptr;
    }
    return code;
}
