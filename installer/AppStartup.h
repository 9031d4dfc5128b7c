#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The process start-up object: created first by every program.
class CAppStartup {
public:
    CAppStartup(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
    ~CAppStartup();
    HINSTANCE GetInstance() const { return m_hInstance; }
    const std::vector<std::string>& GetArguments() const { return m_Arguments; }
    // The living start-up object, null when none.
    static CAppStartup* GetCurrent();

private:
    CAppStartup(const CAppStartup&) = delete;
    CAppStartup& operator=(const CAppStartup&) = delete;
    HINSTANCE m_hInstance;
    HINSTANCE m_hPrevInstance;
    LPSTR m_CommandLine;
    int m_ShowCommand;
    std::vector<std::string> m_Arguments;
};

