// Special folders, shell links and program-menu folders in the test prefix,
// read back through the shell's own link object.
#include "framework/ComInit.h"
#include "setup/InstallEngine.h"
#include "setup/PathUtil.h"
#include "setup/ProductLookup.h"
#include "setup/RegistryKey.h"
#include "setup/Shortcut.h"
#include "setup/SystemFolders.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

namespace {

// What the shell's link object reads from a ".lnk" file.
struct LinkContents {
    bool loaded = false;
    std::string path, workFolder, iconPath;
    int iconIndex = -1;
};

LinkContents ReadLink(const std::string& file)
{
    LinkContents out;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* persist = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
                out.loaded = true;
                char buffer[MAX_PATH] = "";
                WIN32_FIND_DATAA data;
                if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, &data, SLGP_RAWPATH)))
                    out.path = buffer;
                buffer[0] = '\0';
                if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH)))
                    out.workFolder = buffer;
                buffer[0] = '\0';
                if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &out.iconIndex)))
                    out.iconPath = buffer;
            }
            persist->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return out;
}

// A name no other test process uses.
std::string Unique(const std::string& tag)
{
    return "QuillTest_" + tag + "_" + FormatInt(int(GetCurrentProcessId()));
}

bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(SystemFolders, ShellFoldersOfThePrefix)
{
    const std::string programs = GetSpecialFolderPath(kProgramsFolder);
    const std::string common = GetSpecialFolderPath(kCommonProgramsFolder);
    ASSERT_FALSE(programs.empty());
    ASSERT_FALSE(common.empty());
    EXPECT_NE(programs, common);
    EXPECT_TRUE(IsFolder(programs)) << programs;
    EXPECT_TRUE(IsAbsolutePath(programs));
    EXPECT_EQ("", GetSpecialFolderPath(0x7F)) << "an unknown CSIDL gives an empty path";

    EXPECT_TRUE(IsFolder(GetDesktopPath())) << GetDesktopPath();
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(windows, GetWindowsFolder());
    const std::string temp = GetTempFolder();
    EXPECT_TRUE(EndsWithBackslash(temp)) << temp;
    EXPECT_TRUE(IsFolder(temp));
}

TEST(SystemFolders, CurrentFolderFollowsTheProcess)
{
    CTempFolder folder("current");
    const std::string before = GetCurrentFolder();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
    EXPECT_EQ(folder.Path(), GetCurrentFolder());
    SetCurrentDirectoryA(before.c_str());
    EXPECT_EQ(before, GetCurrentFolder());
}

TEST(Shortcut, DesktopShortcutIsARealLinkWithTargetWorkingFolderAndIcon)
{
    CInstallEngine engine;
    const std::string name = Unique("Game");
    const std::string file = GetDesktopPath() + "\\" + name + ".lnk";
    ASSERT_TRUE(engine.CreateDesktopShortcut("C:\\Game\\game.exe", name));
    ASSERT_TRUE(PathExists(file)) << file;
    LinkContents link = ReadLink(file);
    ASSERT_TRUE(link.loaded) << file << " is no shell link";
    EXPECT_EQ("C:\\Game\\game.exe", link.path);
    EXPECT_EQ("C:\\Game", link.workFolder);
    EXPECT_EQ("C:\\Game\\game.exe", link.iconPath);
    EXPECT_EQ(0, link.iconIndex);

    // Saving again replaces the link.
    ASSERT_TRUE(engine.CreateDesktopShortcut("C:\\Other\\run.exe", name));
    EXPECT_EQ("C:\\Other", ReadLink(file).workFolder);

    EXPECT_TRUE(DeleteDesktopShortcut(name));
    EXPECT_FALSE(PathExists(file));
    EXPECT_FALSE(DeleteDesktopShortcut(name)) << "DeleteFileA's result: nothing left to delete";
}

TEST(Shortcut, RelativeTargetIsTakenBelowTheDestination)
{
    CInstallEngine engine;
    CTempFolder game("shortcut_game");
    engine.SetDestination(game.Path());
    const std::string name = Unique("Relative");
    ASSERT_TRUE(engine.CreateDesktopShortcut("bin\\game.exe", name));
    LinkContents link = ReadLink(DesktopShortcutPath(name));
    EXPECT_EQ(game / "bin\\game.exe", link.path);
    EXPECT_EQ(game / "bin", link.workFolder);
    DeleteDesktopShortcut(name);
}

TEST(Shortcut, ProgramMenuShortcutInASubfolderWithShiftJisNames)
{
    CInstallEngine engine;
    // 表示 and ソフト: both have 0x5C as a second byte.
    const std::string folder = Unique("Menu") + "\\\x95\x5C\x8E\xA6";
    const std::string name = folder + "\\\x83\x5C\x83\x74\x83\x67";
    const std::string programs = GetSpecialFolderPath(kProgramsFolder);
    const std::string file = programs + "\\" + name + ".lnk";
    EXPECT_EQ(file, ProgramsShortcutPath(name));

    ASSERT_TRUE(engine.CreateProgramsShortcut("D:\\\x83\x5C\x83\x74\x83\x67\\play.exe", name))
        << "the subfolders are made on the way";
    ASSERT_TRUE(PathExists(file)) << file;
    LinkContents link = ReadLink(file);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ("D:\\\x83\x5C\x83\x74\x83\x67\\play.exe", link.path);
    EXPECT_EQ("D:\\\x83\x5C\x83\x74\x83\x67", link.workFolder);

    EXPECT_TRUE(DeleteProgramsShortcut(name));
    EXPECT_FALSE(PathExists(file));
    EXPECT_TRUE(RemoveProgramsFolder(folder));
    EXPECT_FALSE(PathExists(programs + "\\" + folder));
    EXPECT_TRUE(IsFolder(programs + "\\" + Unique("Menu"))) << "only the folder named is removed";
    EXPECT_TRUE(RemoveProgramsFolder(Unique("Menu")));
    EXPECT_FALSE(PathExists(programs + "\\" + Unique("Menu")));
    EXPECT_TRUE(RemoveProgramsFolder(Unique("Menu"))) << "a missing folder is no failure";
}

TEST(Shortcut, ProgramsFolderCreationAndRemoval)
{
    const std::string programs = GetSpecialFolderPath(kProgramsFolder);
    const std::string top = Unique("Folder");
    EXPECT_TRUE(CreateProgramsFolder(top + "\\a\\b"));
    EXPECT_TRUE(IsFolder(programs + "\\" + top + "\\a\\b"));
    EXPECT_FALSE(CreateProgramsFolder(top + "\\a")) << "an existing folder: MakeFolderChain's false";

    // A folder that is not empty stays.
    PutFile(programs + "\\" + top + "\\a\\keep.txt", "x");
    RemoveProgramsFolder(top + "\\a\\b");
    RemoveProgramsFolder(top + "\\a");
    EXPECT_TRUE(IsFolder(programs + "\\" + top + "\\a"));
    DeleteFileA((programs + "\\" + top + "\\a\\keep.txt").c_str());
    RemoveProgramsFolder(top + "\\a");
    RemoveProgramsFolder(top);
    EXPECT_FALSE(PathExists(programs + "\\" + top));

    // The shared menu's folder goes as well.
    const std::string common = GetSpecialFolderPath(kCommonProgramsFolder) + "\\" + top;
    ASSERT_TRUE(CreateDirectoryA(common.c_str(), nullptr)) << common;
    RemoveProgramsFolder(top);
    EXPECT_FALSE(PathExists(common));
}

TEST(Shortcut, CreateShortcutReportsALinkThatWasNotSaved)
{
    CTempFolder folder("shortcut_fail");
    // A file where the link's folder should be: neither the folder nor the
    // link can be made.
    PutFile(folder / "blocked", "file");
    EXPECT_FALSE(CreateShortcut(folder / "blocked\\x.lnk", "C:\\Game\\game.exe"));
    EXPECT_TRUE(CreateShortcut(folder / "new\\deeper\\x.lnk", "C:\\Game\\game.exe"));
    EXPECT_TRUE(ReadLink(folder / "new\\deeper\\x.lnk").loaded);
    EXPECT_EQ(0, GetComInitCount()) << "COM is left as it was found";
}

// Without a known desktop folder no path below the drive's root is used.
TEST(Shortcut, UnknownDesktopFolderMakesNothing)
{
    const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    CRegistryKey key(HKEY_CURRENT_USER);
    ASSERT_TRUE(key.Open(kShellFolders, KEY_ALL_ACCESS));
    std::string desktop;
    ASSERT_TRUE(key.GetString("Desktop", desktop));
    ASSERT_TRUE(key.DeleteValue("Desktop"));

    CInstallEngine engine;
    const std::string name = Unique("NoDesktop");
    const bool created = engine.CreateDesktopShortcut("C:\\Game\\game.exe", name);
    engine.AddDesktopShortcutToUninstall(name);
    const std::string path = DesktopShortcutPath(name);
    key.SetString("Desktop", desktop);

    EXPECT_FALSE(created);
    EXPECT_EQ("", path);
    EXPECT_TRUE(engine.GetUninstallFiles().empty());
    EXPECT_FALSE(PathExists("\\" + name + ".lnk"));
    EXPECT_FALSE(PathExists("C:\\" + name + ".lnk"));
    EXPECT_EQ(desktop, GetDesktopPath());
}
