#pragma once
#include "framework/AppBase.h"
#include "framework/CriticalSection.h"
#include "framework/FileHandle.h"
#include "framework/ServiceObject.h"
#include <string>
#include <vector>

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
    friend class CServiceObject<CDebugWindow>;
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
    CFileHandle m_Log;
    volatile unsigned char m_WindowOn;
    volatile unsigned char m_LogOn;
    CCriticalSection m_RunLock;  // serialises Run; never taken on the window thread
    std::vector<Pending> m_Pending;
    bool m_LogOpen;
};
