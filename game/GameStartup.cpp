#include "GameStartup.h"

#include "filesystem/LzssFileLoad.h"
#include "framework/DebugOutput.h"
#include "framework/StartupCallbacks.h"
#include "framework/ThreadList.h"
#include "surface/BlendTables.h"

namespace {

HWND (*g_MainWindow)() = nullptr;

void* MainWindow()
{
    return g_MainWindow ? g_MainWindow() : nullptr;
}

}  // namespace

CGameStartup::CGameStartup(HWND (*mainWindow)())
{
    g_MainWindow = mainWindow;
    SetLzssDialogOwner(MainWindow);
    CStartupCallbacks::GetInstance().RunStartupCallbacks();
    BuildBlendTables();
    ClearDebugWindow();
}

CGameStartup::~CGameStartup()
{
    CThreadList::GetInstance().StopAll();
    CStartupCallbacks::GetInstance().RunShutdownCallbacks();
    SetLzssDialogOwner(nullptr);
    g_MainWindow = nullptr;
}
