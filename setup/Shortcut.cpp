#include "setup/Shortcut.h"

#include "framework/ComInit.h"
#include "framework/Handle.h"
#include "setup/PathUtil.h"
#include "setup/ProductLookup.h"
#include "setup/SystemFolders.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace {

// A COM interface pointer, released when replaced or destroyed.
template <class Interface>
struct CComInterfaceTraits {
    typedef Interface* Type;
    static Interface* Invalid() { return nullptr; }
    static void Close(Interface* p) { p->Release(); }
};
typedef CHandle<CComInterfaceTraits<IShellLinkA>> CShellLinkPtr;
typedef CHandle<CComInterfaceTraits<IPersistFile>> CPersistFilePtr;

// base + "\" + tail, collapsed; empty when base is (a failed folder lookup
// must not turn into a path below the current drive's root).
std::string Below(const std::string& base, const std::string& tail)
{
    return base.empty() ? std::string() : CollapseBackslashes(base + "\\" + tail);
}

bool SaveLink(const std::string& shortcutPath, const std::string& target, const std::string& workFolder)
{
    IShellLinkA* raw = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&raw))))
        return false;
    CShellLinkPtr link(raw);
    link.Get()->SetIconLocation(target.c_str(), 0);
    link.Get()->SetPath(target.c_str());
    link.Get()->SetWorkingDirectory(workFolder.c_str());
    IPersistFile* rawFile = nullptr;
    if (FAILED(link.Get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
        return false;
    CPersistFilePtr file(rawFile);
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, shortcutPath.c_str(), -1, wide, MAX_PATH) == 0)
        return false;
    return SUCCEEDED(file.Get()->Save(wide, TRUE));
}

}  // namespace

bool CreateShortcut(const std::string& shortcutPath, const std::string& target)
{
    std::string linkFolder, linkFile, targetFolder, targetFile;
    SplitPath(shortcutPath, linkFolder, linkFile);
    SplitPath(target, targetFolder, targetFile);
    MakeFolderChain(linkFolder);

    // A thread already in another apartment still creates the link.
    const bool counted = ComInitialize();
    const bool saved = SaveLink(shortcutPath, target, targetFolder);
    if (counted)
        ComUninitialize();
    return saved;
}

std::string DesktopShortcutPath(const std::string& name)
{
    return Below(GetDesktopPath(), name + ".lnk");
}

std::string ProgramsShortcutPath(const std::string& name)
{
    return Below(GetSpecialFolderPath(kProgramsFolder), name + ".lnk");
}

bool DeleteDesktopShortcut(const std::string& name)
{
    const std::string path = DesktopShortcutPath(name);
    return !path.empty() && DeleteFileA(path.c_str()) != FALSE;
}

bool DeleteProgramsShortcut(const std::string& name)
{
    const std::string path = ProgramsShortcutPath(name);
    return !path.empty() && DeleteFileA(path.c_str()) != FALSE;
}

bool CreateProgramsFolder(const std::string& subfolder)
{
    const std::string folder = Below(GetSpecialFolderPath(kProgramsFolder), subfolder);
    return !folder.empty() && MakeFolderChain(folder);
}

bool RemoveProgramsFolder(const std::string& subfolder)
{
    for (int csidl : {kProgramsFolder, kCommonProgramsFolder}) {
        const std::string folder = Below(GetSpecialFolderPath(csidl), subfolder);
        if (!folder.empty())
            RemoveDirectoryA(folder.c_str());
    }
    return true;
}
