#include "framework/DebugOutput.h"
#include "framework/DebugWindow.h"

namespace {
// Set once either output has been switched on; until then nothing is created.
volatile bool g_Used = false;
}

void DebugOutput(const char* text)
{
    if (g_Used)
        CDebugWindow::GetInstance().Output(text);
}

bool ShowDebugWindow()
{
    g_Used = true;
    return CDebugWindow::GetInstance().Show();
}

void ClearDebugWindow()
{
    if (g_Used)
        CDebugWindow::GetInstance().Clear();
}

void EnableLogFile()
{
    g_Used = true;
    CDebugWindow::GetInstance().EnableLog();
}
