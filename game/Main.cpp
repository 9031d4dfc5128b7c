// Quillmoor.exe: the game.
//
//   Quillmoor [--scene N|last] [--dib]
//   Quillmoor --bench [--dib]
//
// --scene starts at the N-th (or the last) scene of the script; --dib keeps the frame off
// DirectDraw; --bench prints the time to the first picture and the frames
// per second of every transition the script uses, then quits. The game's
// data is looked up from the program's folder.
#include "GameStartup.h"
#include "QuillmoorApp.h"

#include "framework/DebugPrint.h"
#include "setup/PathUtil.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

CQuillmoorApp* g_App = nullptr;

HWND AppWindow()
{
    return g_App ? g_App->GetHWnd() : nullptr;
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
        g_App = &app;
        if (!app.Run()) {
            DebugPrint("WinMain() ウィンドウを作成できませんでした");
            code = 1;
        } else {
            while (app.IsRunning())
                Sleep(50);
            code = app.GetExitCode();
        }
        g_App = nullptr;
    }
    return code;
}
