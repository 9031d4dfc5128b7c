#pragma once
#include "framework/AppBase.h"
#include "filesystem/File.h"
#include <string>
#include <vector>

// Destinations of the framework's diagnostics: the debug window (a list box
// on a thread of its own) and "log.txt", echoed to the system debugger. Both
// are off until switched on; with both off a line is discarded.

// Writes one finished line to the enabled destinations; not formatted again.
void DebugOutput(const char* text);
// Switches the debug window on and opens it; true when it exists afterwards.
bool ShowDebugWindow();
// Empties the debug window's list; does nothing while the window is off.
void ClearDebugWindow();
// Switches the log file on and creates "log.txt" at once.
void EnableLogFile();

// The debug window: a list box application, created on first use.
//
// Other threads never wait for the window thread while they hold the output
// lock: lines are queued under it and the window thread is told with a posted
// message, then adds them to the list itself. So the window thread may print
// too, and holding the lock is always short.
class CDebugWindow : public CAppBase {
public:
    static CDebugWindow& GetInstance();

    void Output(const char* text);
    bool Show();
    void Clear();
    void EnableLog();
    // Closes "log.txt" and ends logging for the rest of the run, so the file
    // can be read (it is held open without sharing while logging).
    void CloseLog();

    void OnSetupWindow(CWindowParams& params) override;
    int OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Lines queued for the list box and not yet added (for tests).
    size_t GetPendingCount();

private:
    struct Pending {
        bool clear;
        std::string text;
    };
    CDebugWindow();
    ~CDebugWindow() override;
    static void OnShutdown(CDebugWindow* window);
    // Runs the window unless it exists or the caller is its own thread.
    bool EnsureRunning();
    void Queue(bool clear, const char* text);
    void Drain();
    void OpenLog();

    CCriticalSection m_OutputLock;
    CFile m_Log;
    volatile unsigned char m_WindowOn;
    volatile unsigned char m_LogOn;
    CCriticalSection m_RunLock;  // serialises Run; never taken on the window thread
    std::vector<Pending> m_Pending;
    bool m_LogOpen;
};
