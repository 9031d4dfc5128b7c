// sysinfo: opens a window and makes its Direct3D object, which writes the
// system report "info.txt" into the current folder; prints the report's
// full path. A support person asks a player to run it and send the file.
#include "d3d/Direct3D8Manager.h"

#include "framework/AppBase.h"

#include <cstdio>

namespace {

class CSysInfoApp : public CAppBase {
public:
    CSysInfoApp() : m_Made(false) { SetQuitOnDestroy(false); }
    ~CSysInfoApp() override { Stop(); }

    void OnSetupWindow(CWindowParams& params) override
    {
        params.m_WndClass.lpszClassName = "QuillSysInfo";
        params.m_Title = "sysinfo";
        params.m_Width = 320;
        params.m_Height = 240;
    }
    // On the window thread: the Direct3D object is made (and the report
    // written) and taken down again; then the window closes.
    void MainLoop() override
    {
        PumpMessages();
        CDirect3D8Manager& manager = CDirect3D8Manager::GetInstance();
        m_Made = manager.Initialize(GetHWnd());
        if (m_Made)
            manager.Finalize(GetHWnd());
    }
    bool IsMade() const { return m_Made; }

private:
    volatile bool m_Made;
};

bool LastWrite(const char* path, FILETIME& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

}  // namespace

int main()
{
    char path[MAX_PATH] = {};
    if (!GetFullPathNameA("info.txt", MAX_PATH, path, nullptr)) {
        std::fprintf(stderr, "sysinfo: 現在のフォルダが分かりません。\n");
        return 1;
    }
    FILETIME before = {}, after = {};
    const bool existed = LastWrite(path, before);

    bool made = false;
    {
        CSysInfoApp app;
        if (!app.Run()) {
            std::fprintf(stderr, "sysinfo: ウィンドウを作成できませんでした。\n");
            return 1;
        }
        while (app.IsRunning())
            Sleep(10);
        made = app.IsMade();
    }
    if (!made) {
        std::fprintf(stderr, "sysinfo: Direct3D 8 を使用できないため、システム情報を書き出せませんでした。\n");
        return 1;
    }
    if (!LastWrite(path, after) || (existed && CompareFileTime(&before, &after) == 0)) {
        std::fprintf(stderr, "sysinfo: %s を書き出せませんでした。\n", path);
        return 1;
    }
    std::printf("%s\n", path);
    return 0;
}
