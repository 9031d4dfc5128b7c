#include "installer/AppStartup.h"
#include "installer/Product.h"
#include "installer/UpdateRun.h"
#include "setup/InstallEngine.h"
#include <commctrl.h>

namespace {

const char* const kProductNames[2] = {"Quillmoor", "Quillmoor（Varnel）"};

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
    if (!installer::FindInstalledProduct(kProductNames[0], &folder, &program) &&
        !installer::FindInstalledProduct(kProductNames[1], &folder, &program))
        return NotInstalled();
    // The game counts as installed only when its registered program exists.
    if (!engine_path::FileExists(installer::RegisteredProgramPath(folder, program)))
        return NotInstalled();

    SetCurrentDirectoryA(installer::GetModuleFolder().c_str());
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    RunUpdate(folder, nullptr);
    return 0;
}
