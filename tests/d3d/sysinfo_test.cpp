// out/sysinfo.exe run as a player would: in a folder of its own, it leaves
// "info.txt" there and prints its full path; when the file cannot be
// written it says so and fails.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/TempFolder.h"
#include "common/TestFiles.h"

#include <string>

namespace {

struct ToolRun {
    DWORD code = 0xFFFFFFFF;
    std::string out, err;
};

HANDLE Inheritable(const std::string& path)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                       CREATE_ALWAYS, 0, NULL);
}

// A log of the child's; Wine's helper processes that the child starts may
// still hold it open for writing.
std::string ReadLog(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr))
        got = 0;
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

ToolRun SysInfo(const CTempFolder& folder, const std::string& exe = WinePath(QUILL_OUT_DIR "/sysinfo.exe"))
{
    ToolRun run;
    std::string cmd = "\"" + exe + "\"";
    HANDLE out = Inheritable(folder / "out.log");
    HANDLE err = Inheritable(folder / "err.log");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        folder.Path().c_str(), &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    EXPECT_TRUE(started) << exe;
    if (!started)
        return run;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 120000));
    GetExitCodeProcess(pi.hProcess, &run.code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    run.out = ReadLog(folder / "out.log");
    run.err = ReadLog(folder / "err.log");
    return run;
}

TEST(SysInfoTool, WritesTheReportAndPrintsWhere)
{
    CTempFolder folder("sysinfo");
    const ToolRun run = SysInfo(folder);
    EXPECT_EQ(0u, run.code) << run.err;
    char full[MAX_PATH] = {};
    GetFullPathNameA((folder / "info.txt").c_str(), MAX_PATH, full, nullptr);
    EXPECT_EQ(std::string(full) + "\r\n", run.out);
    EXPECT_EQ("", run.err);
    const std::string report = GetFile(folder / "info.txt");
    EXPECT_EQ(0u, report.find("■■■■■システム情報■■■■■\r\n")) << report.substr(0, 100);
    EXPECT_NE(std::string::npos, report.find("\\sysinfo.exe\r\n\r\n----------System----------\r\n"));
    EXPECT_NE(std::string::npos, report.find("----------Display Format----------\r\n"));

    // Run again: the report is replaced.
    ASSERT_TRUE(PutFile(folder / "info.txt", std::string(100000, 'x')));
    const ToolRun again = SysInfo(folder);
    EXPECT_EQ(0u, again.code) << again.err;
    EXPECT_EQ(std::string::npos, GetFile(folder / "info.txt").find("xxx"));
}

TEST(SysInfoTool, SaysSoWhenTheReportCannotBeWritten)
{
    CTempFolder folder("sysinfo");
    ASSERT_TRUE(PutFile(folder / "info.txt", "old"));
    HANDLE held = CreateFileA((folder / "info.txt").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const ToolRun run = SysInfo(folder);
    CloseHandle(held);
    EXPECT_EQ(1u, run.code);
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("info.txt を書き出せませんでした。")) << run.err;
    EXPECT_EQ("old", GetFile(folder / "info.txt"));
}

// A copy of sysinfo.exe under Wine's per-program settings (a value below
// HKCU\Software\Wine\AppDefaults\copy.exe), run in the folder.
ToolRun SysInfoWith(const CTempFolder& folder, const std::string& copy, const char* subkey, const char* name,
                    const char* value)
{
    const std::string exe = folder / copy, key = "Software\\Wine\\AppDefaults\\" + copy + subkey;
    EXPECT_TRUE(CopyFileA(WinePath(QUILL_OUT_DIR "/sysinfo.exe").c_str(), exe.c_str(), FALSE));
    HKEY hKey;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &hKey, nullptr));
    RegSetValueExA(hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(lstrlenA(value) + 1));
    RegCloseKey(hKey);
    const ToolRun run = SysInfo(folder, exe);
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    if (*subkey)
        RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Wine\\AppDefaults\\" + copy).c_str());
    return run;
}

TEST(SysInfoTool, StartsWithoutDirect3D8AndSaysSo)
{
    CTempFolder folder("sysinfo");
    const ToolRun run = SysInfoWith(folder, "nod3d8.exe", "\\DllOverrides", "d3d8", "");
    EXPECT_EQ(1u, run.code);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("sysinfo: Direct3D 8 を使用できないため、システム情報を書き出せませんでした。\r\n", run.err);
    EXPECT_EQ("<missing>", GetFile(folder / "info.txt"));
}

TEST(SysInfoTool, RunsOnWindows98)
{
    CTempFolder folder("sysinfo");
    const ToolRun run = SysInfoWith(folder, "sysinfo98.exe", "", "Version", "win98");
    EXPECT_EQ(0u, run.code) << run.err;
    const std::string report = GetFile(folder / "info.txt");
    EXPECT_NE(std::string::npos, report.find(" : Windows98SE ServicePack 0\r\n")) << report.substr(0, 400);
}

}  // namespace
