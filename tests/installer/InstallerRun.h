#pragma once
// Runs the real installer against a game registered in this prefix and reads
// and answers every message box it shows; shared by the end-to-end tests.
#include "DialogReader.h"
#include "common/TestFiles.h"
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

const char* const kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const DWORD kTimeout = 20000;

// The CP932 bytes of the texts the user sees.
const char* const kErrorCaption = "\x83\x47\x83\x89\x81\x5B";  // エラー
const char* const kNotInstalled =
    "Quillmoor\x81\x60" "Brindlewick\x81\x60\x82\xAA\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B"
    "\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42";

inline std::string Bytes(size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed * 31 + i * 13 + i / 509);
    return bytes;
}

inline void SetString(HKEY key, const char* name, const std::string& value)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

inline void Unregister()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteKeyA(root, (std::string(kAppPaths) + "Quillmoor.exe").c_str());
        RegDeleteKeyA(root, (std::string(kAppPaths) + "Quillmoor\x81\x69Varnel\x81\x6A.exe").c_str());
    }
}

inline void Register(const std::string& product, const std::string& program, const std::string& folder)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (kAppPaths + product + ".exe").c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    SetString(key, nullptr, program);
    SetString(key, "Path", folder);
    RegCloseKey(key);
}

struct Seen {
    std::string caption, text;
    std::vector<std::string> buttons;
};

// QUILL_WINDOWS_VERSION ("win98", "winxp") is the Windows version Wine reports
// to installer.exe for the whole test program (Wine's per-program setting),
// so that the same cases run on the paths of that system.
class CWindowsVersionEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* version = std::getenv("QUILL_WINDOWS_VERSION");
        if (!version || !*version)
            return;
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        SetString(key, "Version", version);
        RegCloseKey(key);
        m_Set = true;
    }
    void TearDown() override
    {
        if (m_Set)
            RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaults);
    }

private:
    static constexpr const char* kAppDefaults = "Software\\Wine\\AppDefaults\\installer.exe";
    bool m_Set = false;
};
inline ::testing::Environment* const g_WindowsVersion =
    ::testing::AddGlobalTestEnvironment(new CWindowsVersionEnvironment);

// One installer process with its answers.
class CRun {
public:
    // answer(n, box) returns the button id to press for the n-th box.
    std::function<int(size_t, const CDialogInfo&)> answer = [](size_t, const CDialogInfo&) { return IDOK; };
    std::vector<Seen> seen;
    DWORD exitCode = 0xDEAD;

    bool Start(const std::string& exe)
    {
        STARTUPINFOA si = {sizeof si};
        std::string command = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_Info))
            return false;
        CloseHandle(m_Info.hThread);
        return true;
    }
    // Answers boxes until the process ends; false (and the process killed)
    // when it does not end in time.
    bool Finish()
    {
        DWORD start = GetTickCount();
        while (WaitForSingleObject(m_Info.hProcess, 0) == WAIT_TIMEOUT) {
            if (GetTickCount() - start > kTimeout * 2)
                return Kill();
            CDialogInfo box;
            if (!dialog_reader::Find(m_Info.dwProcessId, &box)) {
                Sleep(20);
                continue;
            }
            seen.push_back(Seen{box.caption, box.text, box.buttons});
            if (!dialog_reader::Press(box, answer(seen.size() - 1, box)) ||
                !dialog_reader::WaitClosed(box.hWnd, kTimeout))
                return Kill();
        }
        GetExitCodeProcess(m_Info.hProcess, &exitCode);
        return true;
    }
    DWORD Pid() const { return m_Info.dwProcessId; }
    HANDLE Process() const { return m_Info.hProcess; }
    bool HasEnded() const { return WaitForSingleObject(m_Info.hProcess, 0) == WAIT_OBJECT_0; }
    ~CRun()
    {
        if (m_Info.hProcess) {
            Kill();
            CloseHandle(m_Info.hProcess);
        }
    }

    // Ends the process at once, as a crash or the task manager would. It is
    // frozen first, so that it ends where it was seen.
    bool Kill()
    {
        typedef LONG(WINAPI * SuspendProcess)(HANDLE);
        static SuspendProcess suspend =
            reinterpret_cast<SuspendProcess>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSuspendProcess"));
        if (WaitForSingleObject(m_Info.hProcess, 0) == WAIT_TIMEOUT) {
            if (suspend)
                suspend(m_Info.hProcess);
            TerminateProcess(m_Info.hProcess, 99);
            WaitForSingleObject(m_Info.hProcess, 5000);
        }
        return false;
    }

private:
    PROCESS_INFORMATION m_Info = {};
};

}  // namespace e2e
