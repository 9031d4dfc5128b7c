// probe.exe: a program for the launch and activation tests. Every run appends
// "<command line>|<current folder>" to "<its own path>.log", then
//   probe.exe sleep MS                   sleeps, appends "done"
//   probe.exe window TITLE SECONDS [min] shows a window titled TITLE (minimised
//                                        with "min"), appends "ready", and
//                                        appends "closed" when the window is
//                                        closed or after SECONDS. A hidden
//                                        top-level helper window "QuillProbeHelper"
//                                        is made after it, so it comes first
//                                        in the window order.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string g_Log;

// A test reading the log may hold it open without write sharing for a
// moment: the open is retried for up to two seconds.
void Append(const std::string& line)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 200 && file == INVALID_HANDLE_VALUE; ++attempt) {
        if (attempt)
            Sleep(10);
        file = CreateFileA(g_Log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, 0, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int ShowWindowFor(const char* title, double seconds, bool minimised)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "QuillProbe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("QuillProbe", title, WS_OVERLAPPEDWINDOW, 40, 40, 320, 200, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, minimised ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
    UpdateWindow(window);
    CreateWindowA("QuillProbe", "QuillProbeHelper", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                  windowClass.hInstance, nullptr);
    SetTimer(window, 1, UINT(seconds * 1000), nullptr);
    Append("ready");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    Append("closed");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    char module[MAX_PATH], folder[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    GetCurrentDirectoryA(MAX_PATH, folder);
    g_Log = std::string(module) + ".log";
    Append(std::string(GetCommandLineA()) + "|" + folder);

    if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) {
        Sleep(DWORD(std::atoi(argv[2])));
        Append("done");
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "window") == 0)
        return ShowWindowFor(argv[2], std::atof(argv[3]), argc >= 5 && std::strcmp(argv[4], "min") == 0);
    return 0;
}
