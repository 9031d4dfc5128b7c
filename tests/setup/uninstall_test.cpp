// Uninstall records written by the engine and undone by Uninstall, on real
// files, folders, links and registry keys.
#include "setup/InstallEngine.h"
#include "setup/PathUtil.h"
#include "setup/ProductLookup.h"
#include "setup/RegistryKey.h"
#include "setup/Shortcut.h"
#include "setup/SystemFolders.h"
#include "setup/Uninstall.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/TestProductKeys.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A product of this test process: installed in a folder of its own, its
// App Paths and Uninstall keys removed from both roots afterwards.
class TestProduct {
public:
    explicit TestProduct(const std::string& tag)
        : m_Keys("QuillUninstall_" + tag), m_Folder("uninstall_" + tag)
    {
    }
    const std::string& Name() const { return m_Keys.Name(); }
    const std::string& Folder() const { return m_Folder.Path(); }
    std::string operator/(const std::string& relative) const { return m_Folder / relative; }

    // App Paths (program and folder) and the Uninstall entry.
    void Register() const
    {
        ASSERT_TRUE(RegisterAppPath(Folder(), "game.exe", Name()));
        ASSERT_TRUE(RegisterUninstall(Folder(), "uninst.exe", "Quill test game", Name()));
    }
    bool HasAppPath() const
    {
        std::string folder, program;
        return FindInstalledProduct(Name(), folder, program);
    }
    bool HasUninstallEntry() const
    {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            CRegistryKey key(root);
            if (key.Open(UninstallKey(Name()), KEY_QUERY_VALUE))
                return true;
        }
        return false;
    }

private:
    CTestProductKeys m_Keys;
    CTempFolder m_Folder;
};

std::string Record(const std::string& product, const std::string& files, const std::string& folders)
{
    return "#AppName," + product + "\r\n#UninstallFile\r\n" + files + "##\r\n#UninstallDirectory\r\n" +
           folders + "##\r\n";
}

}  // namespace

TEST(UninstallLists, EngineOperationsAppendAndResetEmpties)
{
    CInstallEngine engine;
    engine.AddUninstallFile("save\\a.dat");
    engine.AddUninstallFile("C:\\abs\\b.dat");
    engine.AddUninstallFolder("save");
    engine.AddDesktopShortcutToUninstall("Game");
    engine.AddProgramsShortcutToUninstall("Maker\\Game");
    engine.AddProgramsFolderToUninstall("Maker");
    const std::string user = GetSpecialFolderPath(kProgramsFolder);
    const std::string common = GetSpecialFolderPath(kCommonProgramsFolder);
    EXPECT_EQ((std::vector<std::string>{"save\\a.dat", "C:\\abs\\b.dat", GetDesktopPath() + "\\Game.lnk",
                                        user + "\\Maker\\Game.lnk", common + "\\Maker\\Game.lnk"}),
              engine.GetUninstallFiles());
    EXPECT_EQ((std::vector<std::string>{"save", user + "\\Maker", common + "\\Maker"}),
              engine.GetUninstallFolders());
    engine.Reset();
    EXPECT_TRUE(engine.GetUninstallFiles().empty());
    EXPECT_TRUE(engine.GetUninstallFolders().empty());
}

TEST(UninstallRecordFile, TwoRecordsAppendedOlderFirst)
{
    CTempFolder game("record_append");
    CInstallEngine engine;
    engine.SetDestination(game.Path() + "\\");
    engine.SetProductName("First");
    engine.AddUninstallFile("a.dat");
    engine.AddUninstallFolder("save");
    ASSERT_TRUE(engine.WriteUninstallRecord("uninst.txt")) << "doubled backslash collapsed";
    engine.Reset();
    engine.SetDestination(game.Path());
    engine.SetProductName("Second");
    ASSERT_TRUE(engine.WriteUninstallRecord("uninst.txt"));
    EXPECT_EQ(Record("First", "a.dat\r\n", "save\r\n") + Record("Second", "", ""), GetFile(game / "uninst.txt"));
    EXPECT_EQ("#AppName,Second\r\n#UninstallFile\r\n##\r\n#UninstallDirectory\r\n##\r\n", Record("Second", "", ""))
        << "the empty record is five lines";

    engine.SetDestination(game / "no such folder");
    EXPECT_FALSE(engine.WriteUninstallRecord("uninst.txt")) << "a file that cannot be opened";
}

TEST(Uninstall, EmptyRecordUnregistersAndRemovesTheEmptyProductFolder)
{
    TestProduct product("empty");
    product.Register();
    CInstallEngine engine;
    engine.SetDestination(product.Folder());
    engine.SetProductName(product.Name());
    ASSERT_TRUE(engine.WriteUninstallRecord("uninst.txt"));
    const std::string record = product / "uninst.txt";

    EXPECT_EQ(kUninstallDone, Uninstall(record));
    EXPECT_FALSE(product.HasAppPath());
    EXPECT_FALSE(product.HasUninstallEntry());
    EXPECT_FALSE(PathExists(record));
    EXPECT_FALSE(PathExists(product.Folder())) << "the product folder went once empty";
}

TEST(Uninstall, AbsoluteAndRelativeLines)
{
    TestProduct product("lines");
    product.Register();
    CTempFolder elsewhere("uninstall_elsewhere");
    PutFile(product / "save\\a.dat", "a");
    PutFile(product / "save\\deep\\b.dat", "b");
    PutFile(product / "keep.dat", "k");
    PutFile(product / "my  file, copy.dat", "spaces and a comma");
    PutFile(elsewhere / "abs.dat", "x");
    MakeFolders(elsewhere / "absdir");

    CInstallEngine engine;
    engine.SetDestination(product.Folder());
    engine.SetProductName(product.Name());
    engine.AddUninstallFile("save\\a.dat");
    engine.AddUninstallFile("save\\\\deep\\b.dat");
    engine.AddUninstallFile("my  file, copy.dat");
    engine.AddUninstallFile(elsewhere / "abs.dat");
    engine.AddUninstallFile("save\\missing.dat");
    engine.AddUninstallFolder("save\\deep");
    engine.AddUninstallFolder("save");
    engine.AddUninstallFolder(elsewhere / "absdir");
    ASSERT_TRUE(engine.WriteUninstallRecord("uninst.txt"));

    EXPECT_EQ(kUninstallDone, Uninstall(product / "uninst.txt"));
    EXPECT_FALSE(PathExists(product / "save\\a.dat")) << "relative to the product folder";
    EXPECT_FALSE(PathExists(product / "save")) << "folders removed in list order, deepest first";
    EXPECT_FALSE(PathExists(product / "my  file, copy.dat")) << "blanks and commas belong to the name";
    EXPECT_FALSE(PathExists(elsewhere / "abs.dat")) << "an absolute line is used as it is";
    EXPECT_FALSE(PathExists(elsewhere / "absdir"));
    EXPECT_EQ("k", GetFile(product / "keep.dat")) << "what is not listed stays";
    EXPECT_TRUE(PathExists(product.Folder())) << "a product folder that is not empty stays";
    EXPECT_FALSE(PathExists(product / "uninst.txt"));
    EXPECT_FALSE(product.HasAppPath());
}

TEST(Uninstall, MissingProductStopsBeforeItsRecord)
{
    TestProduct first("first"), second("second");
    first.Register();
    PutFile(first / "a.dat", "a");
    PutFile(second / "b.dat", "b");
    const std::string record = first / "uninst.txt";
    PutFile(record, Record(first.Name(), "a.dat\r\n", "") + Record(second.Name(), second / "b.dat\r\n", ""));

    EXPECT_EQ(kUninstallNotInstalled, Uninstall(record));
    EXPECT_FALSE(PathExists(first / "a.dat")) << "the first record was processed and stays so";
    EXPECT_EQ("b", GetFile(second / "b.dat")) << "nothing of the missing product's record is deleted";
    EXPECT_TRUE(first.HasAppPath()) << "nothing is unregistered";
    EXPECT_TRUE(first.HasUninstallEntry());
    EXPECT_TRUE(PathExists(record)) << "the record file remains";
}

TEST(Uninstall, FormatErrorsStopWhereTheyAre)
{
    TestProduct product("format");
    product.Register();
    PutFile(product / "a.dat", "a");
    PutFile(product / "b.dat", "b");
    const std::string record = product / "uninst.txt";

    // The file section runs to the end: its last line is not acted on.
    PutFile(record, "#AppName," + product.Name() + "\r\n#UninstallFile\r\na.dat\r\nb.dat\r\n");
    EXPECT_EQ(kUninstallFormatError, Uninstall(record));
    EXPECT_FALSE(PathExists(product / "a.dat"));
    EXPECT_EQ("b", GetFile(product / "b.dat"));
    EXPECT_TRUE(product.HasAppPath());
    EXPECT_TRUE(PathExists(record));

    // No folder section: the files are gone, then -1.
    PutFile(record, "#AppName," + product.Name() + "\r\n#UninstallFile\r\nb.dat\r\n##\r\nsave\r\n##\r\n");
    EXPECT_EQ(kUninstallFormatError, Uninstall(record));
    EXPECT_FALSE(PathExists(product / "b.dat"));
    EXPECT_TRUE(product.HasUninstallEntry());

    // No "#UninstallFile": -1 before anything is deleted.
    PutFile(product / "c.dat", "c");
    PutFile(record, "#AppName," + product.Name() + "\r\nc.dat\r\n##\r\n");
    EXPECT_EQ(kUninstallFormatError, Uninstall(record));
    EXPECT_EQ("c", GetFile(product / "c.dat"));

    // A missing product takes precedence over the record's format error.
    PutFile(record, "#AppName,QuillNoSuchProduct\r\nc.dat\r\n");
    EXPECT_EQ(kUninstallNotInstalled, Uninstall(record));
}

TEST(Uninstall, EmptyOrUnreadableRecordFile)
{
    TestProduct product("emptyfile");
    product.Register();
    const std::string record = product / "uninst.txt";
    PutFile(record, "");
    EXPECT_EQ(kUninstallDone, Uninstall(record));
    EXPECT_FALSE(PathExists(record)) << "the record file is deleted";
    EXPECT_TRUE(product.HasAppPath()) << "nothing is unregistered";
    EXPECT_TRUE(PathExists(product.Folder()));

    // Comments and blank lines only: no records either.
    PutFile(record, "// made by hand\r\n\r\n   \r\n");
    EXPECT_EQ(kUninstallDone, Uninstall(record));
    EXPECT_FALSE(PathExists(record));

    EXPECT_EQ(kUninstallUnreadable, Uninstall(record)) << "a missing record file";
    EXPECT_EQ(kUninstallUnreadable, Uninstall(product.Folder())) << "a folder";
}

// A product whose folder value is empty: relative lines would name paths
// below the current drive's root; they are left alone.
TEST(Uninstall, RelativeLinesNeedAProductFolder)
{
    TestProduct product("nofolder");
    CRegistryKey key(HasAdminRights() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    ASSERT_TRUE(key.Create(AppPathsKey(product.Name())));
    ASSERT_TRUE(key.SetString("", "C:\\somewhere\\game.exe"));
    ASSERT_TRUE(key.SetString("Path", ""));
    key.Close();

    // The line save\a.dat would become \save\a.dat: the root of the drive
    // of the current folder, C:.
    const std::string top = "QuillUninstallRoot_" + FormatInt(int(GetCurrentProcessId()));
    const std::string rootFile = "C:\\" + top + "\\a.dat";
    PutFile(rootFile, "root");
    const std::string previous = GetCurrentFolder();
    SetCurrentDirectoryA(product.Folder().c_str());
    PutFile(product / "abs.dat", "a");
    const std::string record = product / "uninst.txt";
    PutFile(record, Record(product.Name(), top + "\\a.dat\r\n" + (product / "abs.dat") + "\r\n", ""));
    const int result = Uninstall(record);
    SetCurrentDirectoryA(previous.c_str());

    EXPECT_EQ(kUninstallDone, result);
    EXPECT_EQ("root", GetFile(rootFile)) << "the relative line was taken below the drive's root";
    EXPECT_FALSE(PathExists(product / "abs.dat")) << "absolute lines still count";
    EXPECT_FALSE(product.HasAppPath());
    RemoveTree("C:\\" + top);
}

// An installation's shortcuts and menu folder, recorded and taken away again.
TEST(Uninstall, ShortcutsAndProgramMenuFolderOfAnInstallation)
{
    TestProduct product("links");
    product.Register();
    const std::string menu = "QuillMenu_" + FormatInt(int(GetCurrentProcessId()));
    const std::string link = "QuillLink_" + FormatInt(int(GetCurrentProcessId()));
    PutFile(product / "game.exe", "MZ");

    CInstallEngine engine;
    engine.SetDestination(product.Folder());
    engine.SetProductName(product.Name());
    ASSERT_TRUE(engine.CreateDesktopShortcut("game.exe", link));
    ASSERT_TRUE(engine.CreateProgramsShortcut("game.exe", menu + "\\" + link));
    engine.AddUninstallFile("game.exe");
    engine.AddDesktopShortcutToUninstall(link);
    engine.AddProgramsShortcutToUninstall(menu + "\\" + link);
    engine.AddProgramsFolderToUninstall(menu);
    ASSERT_TRUE(engine.WriteUninstallRecord("uninst.txt"));
    const std::string desktopLink = DesktopShortcutPath(link);
    const std::string menuLink = ProgramsShortcutPath(menu + "\\" + link);
    ASSERT_TRUE(PathExists(desktopLink));
    ASSERT_TRUE(PathExists(menuLink));

    EXPECT_EQ(kUninstallDone, Uninstall(product / "uninst.txt"));
    EXPECT_FALSE(PathExists(desktopLink));
    EXPECT_FALSE(PathExists(menuLink));
    EXPECT_FALSE(PathExists(GetSpecialFolderPath(kProgramsFolder) + "\\" + menu));
    EXPECT_FALSE(PathExists(product.Folder())) << "everything in it was listed";
    EXPECT_FALSE(product.HasAppPath());
    EXPECT_FALSE(product.HasUninstallEntry());
}

// Run by small_drive.sh with the destination on a nearly full drive.
TEST(UninstallSmallDrive, RecordThatDoesNotFitIsAFailure)
{
    const char* drive = std::getenv("QUILL_SMALL_DRIVE");
    if (!drive)
        GTEST_SKIP() << "needs a small drive (tests/installer/small_drive.sh)";
    const std::string root = std::string(drive) + "\\";
    // Fill the drive.
    HANDLE filler = CreateFileA((root + "filler.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, filler);
    std::string block(65536, 'f');
    DWORD written = 0;
    while (WriteFile(filler, block.data(), DWORD(block.size()), &written, nullptr) && written == block.size()) {
    }
    block.resize(512);
    while (WriteFile(filler, block.data(), DWORD(block.size()), &written, nullptr) && written) {
    }
    CloseHandle(filler);

    CInstallEngine engine;
    engine.SetDestination(root);
    engine.SetProductName("Quillmoor");
    for (int i = 0; i < 2000; ++i)
        engine.AddUninstallFile("data\\gamedata\\a rather long path of the installation\\file" + FormatInt(i) +
                                ".dat");
    EXPECT_FALSE(engine.WriteUninstallRecord("uninst.txt")) << "the record did not fit, yet was reported written";
    DeleteFileA((root + "uninst.txt").c_str());
    DeleteFileA((root + "filler.bin").c_str());
}
