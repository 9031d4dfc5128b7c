// The installer engine's uninstall lists, record writer and shortcuts.
#include "setup/InstallEngine.h"

#include "framework/Handle.h"
#include "setup/PathUtil.h"
#include "setup/ProductLookup.h"
#include "setup/Shortcut.h"
#include "setup/SystemFolders.h"
#include "setup/UninstallRecord.h"

#include <cstdio>

namespace {

// A file of the C runtime's streams, closed when the object goes.
struct CStdioFileTraits {
    typedef FILE* Type;
    static FILE* Invalid() { return nullptr; }
    static void Close(FILE* file) { std::fclose(file); }
};
typedef CHandle<CStdioFileTraits> CStdioFile;

// base + "\\" + tail, collapsed; nothing when the base folder is unknown.
void AddBelow(std::vector<std::string>& list, const std::string& base, const std::string& tail)
{
    if (!base.empty())
        list.push_back(CollapseBackslashes(base + "\\" + tail));
}

}  // namespace

void CInstallEngine::AddUninstallFile(const std::string& path)
{
    m_UninstallFiles.push_back(path);
}

void CInstallEngine::AddUninstallFolder(const std::string& path)
{
    m_UninstallFolders.push_back(path);
}

void CInstallEngine::AddDesktopShortcutToUninstall(const std::string& name)
{
    AddBelow(m_UninstallFiles, GetDesktopPath(), name + ".lnk");
}

void CInstallEngine::AddProgramsShortcutToUninstall(const std::string& name)
{
    AddBelow(m_UninstallFiles, GetSpecialFolderPath(kProgramsFolder), name + ".lnk");
    AddBelow(m_UninstallFiles, GetSpecialFolderPath(kCommonProgramsFolder), name + ".lnk");
}

void CInstallEngine::AddProgramsFolderToUninstall(const std::string& subfolder)
{
    AddBelow(m_UninstallFolders, GetSpecialFolderPath(kProgramsFolder), subfolder);
    AddBelow(m_UninstallFolders, GetSpecialFolderPath(kCommonProgramsFolder), subfolder);
}

bool CInstallEngine::WriteUninstallRecord(const std::string& fileName)
{
    const std::string path = CollapseBackslashes(m_Destination + "\\" + fileName);
    // Appending, bytes as they are: earlier records stay in front.
    CStdioFile file(std::fopen(path.c_str(), "a+b"));
    if (!file.IsValid())
        return false;
    bool written = true;
    for (const std::string& line :
         FormatUninstallRecord(m_ProductName, m_UninstallFiles, m_UninstallFolders))
        written = written && std::fwrite(line.data(), 1, line.size(), file.Get()) == line.size();
    // The stream's buffer reaches the disk only here: a full disk shows now.
    const bool closed = std::fclose(file.Release()) == 0;
    return written && closed;
}

bool CInstallEngine::CreateDesktopShortcut(const std::string& target, const std::string& name)
{
    const std::string path = DesktopShortcutPath(name);
    return !path.empty() && CreateShortcut(path, FullPathBelow(m_Destination, target));
}

bool CInstallEngine::CreateProgramsShortcut(const std::string& target, const std::string& name)
{
    // CreateShortcut makes the subfolders on the way.
    const std::string path = ProgramsShortcutPath(name);
    return !path.empty() && CreateShortcut(path, FullPathBelow(m_Destination, target));
}
