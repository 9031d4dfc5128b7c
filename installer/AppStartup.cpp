#include "installer/AppStartup.h"
#include "framework/DebugOutput.h"
#include "framework/StartupCallbacks.h"
#include "framework/Thread.h"
#include "installer/CommandLine.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"
#include "surface/BlendTables.h"
#include <commctrl.h>

namespace {
CAppStartup* g_Startup = nullptr;
}  // namespace

CAppStartup::CAppStartup(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
    : m_hInstance(instance), m_hPrevInstance(previous), m_CommandLine(commandLine),
      m_ShowCommand(showCommand)
{
    m_Arguments = SplitCommandLine(GetCommandLineA());
    g_Startup = this;
    InitCommonControls();
    CStartupCallbacks::GetInstance().RunStartupCallbacks();
    BuildBlendTables();
    ClearDebugWindow();
}

CAppStartup::~CAppStartup()
{
    CThreadList::GetInstance().StopAll();
    CStartupCallbacks::GetInstance().RunShutdownCallbacks();
    g_Startup = nullptr;
    m_Arguments.clear();
}

CAppStartup* CAppStartup::GetCurrent()
{
    return g_Startup;
}

CSingleInstance::CSingleInstance() : m_hMutex(nullptr), m_First(true)
{
    std::string name = ToForwardSlashes(GetModulePath());
    m_hMutex = CreateMutexA(nullptr, TRUE, name.c_str());
    m_First = GetLastError() != ERROR_ALREADY_EXISTS;
}

CSingleInstance::~CSingleInstance()
{
    if (m_hMutex)
        CloseHandle(m_hMutex);
}
