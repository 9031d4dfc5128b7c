#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Reads and answers the message boxes of another process: a visible top-level
// "#32770" window with at least one button and no dialog inside (a property
// sheet, which holds its pages as child dialogs, is not a message box).
struct CDialogInfo {
    HWND hWnd = nullptr;
    std::string caption;
    std::string text;  // the static control's text
    std::vector<std::string> buttons;
    std::vector<int> buttonIds;
    bool hasChildDialog = false;
};

namespace dialog_reader {

inline std::string WindowText(HWND hWnd)
{
    char text[4096] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

inline bool ClassIs(HWND hWnd, const char* name)
{
    char cls[64] = {};
    GetClassNameA(hWnd, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

struct Search {
    DWORD pid;
    CDialogInfo* info;
    bool found;
};

inline BOOL CALLBACK OnChild(HWND child, LPARAM param)
{
    CDialogInfo* info = reinterpret_cast<CDialogInfo*>(param);
    if (ClassIs(child, "#32770")) {
        info->hasChildDialog = true;
    } else if (ClassIs(child, "Button")) {
        info->buttons.push_back(WindowText(child));
        info->buttonIds.push_back(GetDlgCtrlID(child));
    } else if (ClassIs(child, "Static") && info->text.empty()) {
        info->text = WindowText(child);
    }
    return TRUE;
}

inline BOOL CALLBACK OnTop(HWND hWnd, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (!IsWindowVisible(hWnd) || !ClassIs(hWnd, "#32770") || pid == GetCurrentProcessId() ||
        (search->pid != 0 && pid != search->pid))
        return TRUE;
    CDialogInfo info;
    info.hWnd = hWnd;
    info.caption = WindowText(hWnd);
    EnumChildWindows(hWnd, OnChild, reinterpret_cast<LPARAM>(&info));
    if (info.buttons.empty() || info.hasChildDialog)
        return TRUE;
    *search->info = info;
    search->found = true;
    return FALSE;
}

// The first message box of process pid (0: of any other process).
inline bool Find(DWORD pid, CDialogInfo* info)
{
    Search search = {pid, info, false};
    EnumWindows(OnTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits up to timeout ms for a message box; stops early when `process` (if
// given) ends without one.
inline bool Wait(DWORD pid, DWORD timeout, CDialogInfo* info, HANDLE process = nullptr)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (Find(pid, info))
            return true;
        if (GetTickCount() - start >= timeout)
            return false;
        if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            return Find(pid, info);
        Sleep(20);
    }
}

// Button id of an answer name ("ok", "cancel", "retry", "yes", "no", "abort",
// "ignore"); 0 when unknown.
inline int AnswerId(const std::string& answer)
{
    static const struct { const char* name; int id; } kAnswers[] = {
        {"ok", IDOK}, {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
        {"ignore", IDIGNORE}, {"yes", IDYES}, {"no", IDNO}};
    for (const auto& a : kAnswers)
        if (answer == a.name)
            return a.id;
    return 0;
}

// Presses the button with that id; false when the box has none.
inline bool Press(const CDialogInfo& info, int id)
{
    for (size_t i = 0; i < info.buttonIds.size(); ++i) {
        if (info.buttonIds[i] != id)
            continue;
        HWND button = GetDlgItem(info.hWnd, id);
        return PostMessageA(info.hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(button)) != 0;
    }
    return false;
}

// Waits until the window is gone.
inline bool WaitClosed(HWND hWnd, DWORD timeout)
{
    DWORD start = GetTickCount();
    while (IsWindow(hWnd) && IsWindowVisible(hWnd)) {
        if (GetTickCount() - start >= timeout)
            return false;
        Sleep(20);
    }
    return true;
}

}  // namespace dialog_reader
