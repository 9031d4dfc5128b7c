#include "installer/AppStartup.h"
#include "framework/DebugOutput.h"
#include "framework/StartupCallbacks.h"
#include "framework/ThreadList.h"
#include "installer/CommandLine.h"
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
