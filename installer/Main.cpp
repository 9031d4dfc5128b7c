#include "installer/AppStartup.h"
#include "installer/SetupWindow.h"
#include "installer/SingleInstance.h"
#include "installer/UpdateRun.h"
#include "installer/WizardPages.h"
#include "setup/FindFile.h"
#include "setup/PathUtil.h"
#include "setup/ProductLookup.h"
#include "setup/SjisString.h"
#include <commctrl.h>

namespace {

const char* const kProductNames[2] = {"Quillmoor", "Quillmoor（Varnel）"};

// The registered program: the default value when absolute, else joined to
// the folder.
std::string RegisteredProgram(const std::string& folder, const std::string& program)
{
    return IsAbsolutePath(program) ? program : CollapseBackslashes(folder + "\\" + program);
}

int NotInstalled()
{
    MessageBoxA(nullptr, kNotInstalledText, kErrorCaption, MB_OK);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    CAppStartup startup(instance, previous, commandLine, showCommand);
    CSingleInstance single;
    if (!single.IsFirstInstance())
        return 0;

    std::string folder, program;
    if (!FindInstalledProduct(kProductNames[0], folder, program) &&
        !FindInstalledProduct(kProductNames[1], folder, program))
        return NotInstalled();
    // The game counts as installed only when its registered program exists.
    if (!FindExists(RegisteredProgram(folder, program)))
        return NotInstalled();

    SetCurrentFolder(GetModuleFolder());
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    // Constructed but not shown; destroyed first, before the guard.
    CSetupWindow window;
    CWizardPages pages(instance);

    RunUpdate(folder, window.GetHWnd());
    return 0;
}
