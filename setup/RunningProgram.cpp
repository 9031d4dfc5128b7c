#include "setup/RunningProgram.h"

#include "framework/Handle.h"
#include "setup/FindFile.h"
#include "setup/SjisString.h"

#include <vector>

namespace {

struct ActivateSearch {
    std::string wanted;
    CToolhelp* toolhelp;
    bool activated;
};

std::string FileNameOf(const std::string& path)
{
    std::string folder, file;
    SplitPath(path, folder, file);
    return file;
}

BOOL CALLBACK ActivateMatching(HWND window, LPARAM param)
{
    ActivateSearch& search = *reinterpret_cast<ActivateSearch*>(param);
    // Hidden windows (a program's helper and input-method windows) are no
    // candidates: showing one of them would bring nothing useful up.
    if (!IsWindowVisible(window))
        return TRUE;
    char name[MAX_PATH];
    if (!GetWindowProgramName(window, name, sizeof name, *search.toolhelp))
        return TRUE;
    if (FileNameOf(name) != search.wanted)
        return TRUE;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    search.activated = true;
    return FALSE;
}

}  // namespace

bool LaunchProgram(const std::string& commandLine, const std::string& workFolder, bool wait)
{
    if (commandLine.empty())
        return false;
    std::string line = commandLine;
    if (line[0] != '"' && FindExists(line))
        line = "\"" + line + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    ZeroMemory(&info, sizeof info);
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workFolder.empty() ? nullptr : workFolder.c_str(), &startup, &info))
        return false;
    CKernelHandle process(info.hProcess);
    CKernelHandle thread(info.hThread);
    if (wait)
        WaitForSingleObject(process.Get(), INFINITE);
    return true;
}

bool GetWindowProgramName(HWND window, char* buffer, int length, CToolhelp& toolhelp)
{
    if (!toolhelp.IsLoaded() && !toolhelp.Load())
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    // No window, no process: id 0 would match the system's idle process.
    if (processId == 0)
        return false;
    CSnapshotHandle snapshot(toolhelp.CreateSnapshot()(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return false;
    PROCESSENTRY32 entry;
    ZeroMemory(&entry, sizeof entry);
    entry.dwSize = sizeof entry;
    for (BOOL more = toolhelp.First()(snapshot.Get(), &entry); more;
         more = toolhelp.Next()(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == processId) {
            lstrcpynA(buffer, entry.szExeFile, length);
            return true;
        }
    }
    return false;
}

bool ActivateRunningProgram(const std::string& programPath, CToolhelp& toolhelp)
{
    ActivateSearch search{FileNameOf(programPath), &toolhelp, false};
    if (!toolhelp.Load())
        return false;
    EnumWindows(&ActivateMatching, reinterpret_cast<LPARAM>(&search));
    return !search.activated;
}
