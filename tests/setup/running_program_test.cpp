// Starting programs and bringing a running one to the front, with the probe
// program (tools/e2e/probe.cpp) as the program.
#include "setup/PathUtil.h"
#include "setup/RunningProgram.h"
#include "setup/SystemFolders.h"
#include "setup/Toolhelp.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/WaitFor.h"

#include <gtest/gtest.h>

namespace {

const std::string kProbe = WinePath(QUILL_OUT_DIR "/probe.exe");

// A copy of the probe under the given name; its log is path + ".log".
std::string CopyProbe(const std::string& path)
{
    MakeFolders(ParentFolder(path));
    EXPECT_TRUE(CopyFileA(kProbe.c_str(), path.c_str(), FALSE)) << kProbe << " -> " << path;
    return path;
}

std::string Log(const std::string& program)
{
    std::string text = GetFile(program + ".log");
    return text == "<missing>" ? std::string() : text;
}

bool LogHas(const std::string& program, const std::string& line)
{
    return Log(program).find(line + "\r\n") != std::string::npos;
}

// A window of the test process, made the foreground window.
class OwnWindow {
public:
    OwnWindow()
    {
        m_Window = CreateWindowA("STATIC", "quill test window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(m_Window);
        Pump();
    }
    ~OwnWindow() { DestroyWindow(m_Window); }
    HWND Get() const { return m_Window; }
    static void Pump()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }

private:
    HWND m_Window;
};

}  // namespace

TEST(LaunchProgram, PathWithSpacesIsQuotedSoNoShorterPrefixRuns)
{
    CTempFolder folder("launch_spaces");
    const std::string program = CopyProbe(folder / "with space\\probe copy.exe");
    // What CreateProcess would start for the unquoted path: "...\with.exe".
    const std::string decoy = CopyProbe(folder / "with.exe");
    CTempFolder work("launch_work");

    ASSERT_TRUE(LaunchProgram(program, work.Path(), true));
    EXPECT_EQ("\"" + program + "\"|" + work.Path() + "\r\n", Log(program))
        << "quoted command line, run in the working folder, ended before LaunchProgram returned";
    EXPECT_EQ("", Log(decoy)) << "the unquoted line would have started " << decoy;
}

TEST(LaunchProgram, QuotedLineIsPassedUnchanged)
{
    CTempFolder folder("launch_quoted");
    const std::string program = CopyProbe(folder / "with space\\probe copy.exe");
    const std::string line = "\"" + program + "\" sleep 1";
    ASSERT_TRUE(LaunchProgram(line, "", true));
    std::string log = Log(program);
    EXPECT_EQ(0u, log.find(line + "|" + GetCurrentFolder() + "\r\n"))
        << "the line as given, in the caller's folder: " << log;
    EXPECT_TRUE(LogHas(program, "done"));
}

TEST(LaunchProgram, WaitsOnlyWhenAsked)
{
    CTempFolder folder("launch_wait");
    const std::string program = CopyProbe(folder / "probe.exe");

    ASSERT_TRUE(LaunchProgram(program + " sleep 300", "", true));
    EXPECT_TRUE(LogHas(program, "done")) << "with wait, the program has ended: " << Log(program);

    DeleteFileA((program + ".log").c_str());
    const DWORD start = GetTickCount();
    ASSERT_TRUE(LaunchProgram(program + " sleep 3000", "", false));
    const DWORD took = GetTickCount() - start;
    EXPECT_FALSE(LogHas(program, "done")) << "without wait, LaunchProgram returned after " << took << " ms";
    EXPECT_TRUE(WaitFor([&] { return LogHas(program, "done"); }, 20000)) << "the program ran on";
    // Let the process end before its folder goes.
    Sleep(200);
}

TEST(LaunchProgram, Failures)
{
    CTempFolder folder("launch_fail");
    EXPECT_FALSE(LaunchProgram("", "", false));
    EXPECT_FALSE(LaunchProgram(folder / "missing.exe", "", false));
    EXPECT_FALSE(LaunchProgram("\"" + (folder / "missing.exe") + "\"", "", true));
    const std::string program = CopyProbe(folder / "probe.exe");
    EXPECT_FALSE(LaunchProgram(program, folder / "no such folder", true)) << "a missing working folder";
    EXPECT_EQ("", Log(program));
}

TEST(Toolhelp, LoadsFromKernel32Only)
{
    CToolhelp kernel;
    EXPECT_FALSE(kernel.IsLoaded());
    EXPECT_TRUE(kernel.Load());
    EXPECT_TRUE(kernel.IsLoaded());
    CToolhelp user("USER32.DLL");
    EXPECT_FALSE(user.Load());
    EXPECT_FALSE(user.IsLoaded());
    CToolhelp none("quill_no_such_module.dll");
    EXPECT_FALSE(none.Load());
}

TEST(GetWindowProgramName, NamesTheOwningExecutable)
{
    OwnWindow window;
    char name[MAX_PATH] = "";
    ASSERT_TRUE(GetWindowProgramName(window.Get(), name, sizeof name));
    std::string folder, file;
    SplitPath(GetModulePath(), folder, file);
    EXPECT_EQ(file, name);

    char small[5] = "xxxx";
    ASSERT_TRUE(GetWindowProgramName(window.Get(), small, sizeof small));
    EXPECT_EQ(file.substr(0, 4), small) << "cut like lstrcpynA";

    strcpy(name, "kept");
    EXPECT_FALSE(GetWindowProgramName(nullptr, name, sizeof name)) << "no window, no process";
    EXPECT_STREQ("kept", name);
    CToolhelp user("USER32.DLL");
    EXPECT_FALSE(GetWindowProgramName(window.Get(), name, sizeof name, user));
}

TEST(ActivateRunningProgram, BringsTheRunningProgramsWindowToTheFront)
{
    CTempFolder folder("activate");
    const std::string program = CopyProbe(folder / "QuillProbeActivate.exe");
    const std::string title = "Quill probe " + FormatInt(int(GetCurrentProcessId()));
    ASSERT_TRUE(LaunchProgram("\"" + program + "\" window \"" + title + "\" 30 min", "", false));
    ASSERT_TRUE(WaitFor([&] { return LogHas(program, "ready"); })) << Log(program);
    HWND probe = FindWindowA("QuillProbe", title.c_str());
    HWND helper = FindWindowA("QuillProbe", "QuillProbeHelper");
    ASSERT_NE(nullptr, probe);
    ASSERT_NE(nullptr, helper);
    EXPECT_TRUE(IsIconic(probe));
    EXPECT_FALSE(IsWindowVisible(helper));

    OwnWindow own;
    ASSERT_EQ(own.Get(), GetForegroundWindow());
    EXPECT_TRUE(ActivateRunningProgram("C:\\nowhere\\QuillNoSuchProgram.exe"))
        << "true: no window was activated";
    EXPECT_EQ(own.Get(), GetForegroundWindow());
    EXPECT_TRUE(ActivateRunningProgram(folder / "quillprobeactivate.exe"))
        << "the file name is compared byte for byte";

    EXPECT_FALSE(ActivateRunningProgram("D:\\elsewhere\\QuillProbeActivate.exe"))
        << "false: a window was activated (the folder plays no part)";
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == probe; }, 3000))
        << "foreground is " << GetForegroundWindow() << ", the probe's window " << probe;
    EXPECT_FALSE(IsIconic(probe)) << "shown normal";
    EXPECT_FALSE(IsWindowVisible(helper)) << "the program's hidden window, first in the order, stays hidden";

    // Without the process functions nothing is looked at.
    SetForegroundWindow(own.Get());
    OwnWindow::Pump();
    CToolhelp missing("USER32.DLL");
    EXPECT_FALSE(ActivateRunningProgram(program, missing));
    EXPECT_EQ(own.Get(), GetForegroundWindow());

    PostMessageA(probe, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return LogHas(program, "closed"); }));
    Sleep(200);
}
