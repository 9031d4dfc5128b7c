// Path helpers against Wine's real file system.
#include "setup/PathUtil.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "setup/FileList.h"
#include "setup/FindFile.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

}  // namespace

TEST(PathModule, PathAndFolder)
{
    const std::string path = GetModulePath();
    const std::string folder = GetModuleFolder();
    ASSERT_TRUE(IsAbsolutePath(path)) << path;
    EXPECT_EQ(folder + "\\setup_path_util_test.exe", path);
    EXPECT_NE('\\', folder.back());
}

TEST(PathFull, RelativeAndAbsolute)
{
    CTempFolder t("paths");
    char old[MAX_PATH];
    GetCurrentDirectoryA(sizeof old, old);
    ASSERT_TRUE(SetCurrentFolder(t.Path()));
    EXPECT_EQ(t.Path() + "\\data\\gamedata2", MakeFullPath("data\\gamedata2"));
    EXPECT_EQ("C:\\a\\b", MakeFullPath("C:/a//b"));
    EXPECT_EQ("\\\\srv\\share\\x", MakeFullPath("\\\\srv\\\\share\\x"));
    SetCurrentFolder(old);
    EXPECT_FALSE(SetCurrentFolder(t.Path() + "\\missing"));
}

TEST(PathFolders, CreateAndChain)
{
    CTempFolder t("paths");
    EXPECT_FALSE(CreateFolder(""));
    EXPECT_FALSE(CreateFolder(t.Path() + "\\no\\parent"));
    const std::string deep = t.Path() + "\\a\\\x95\x5C\\c";  // 表 in the middle
    EXPECT_TRUE(MakeFolderChain(deep));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(deep.c_str()));
    EXPECT_FALSE(MakeFolderChain(deep)) << "an existing folder reports false";
    EXPECT_TRUE(CreateFolder(t.Path() + "\\single"));
}

TEST(PathFindFile, ExistenceAndPatterns)
{
    CTempFolder t("paths");
    const std::string f = t / "\x83\x5C\\file.txt";  // ソ\file.txt
    PutFile(f, "x");
    CFindFile find;
    EXPECT_TRUE(find.Find(f));
    EXPECT_STREQ("file.txt", find.Data().cFileName);
    EXPECT_FALSE(find.Find(t.Path() + "\\missing.txt"));
    EXPECT_TRUE(find.Find(t.Path() + "\\\x83\x5C\\*.txt"));
    EXPECT_TRUE(find.Find(f)) << "a failed test must not spoil the next";
}

TEST(PathFileList, RecursiveOrderAndPattern)
{
    CTempFolder t("paths");
    PutFile(t / "a.txt", "x");
    PutFile(t / "sub\\b.txt", "x");
    PutFile(t / "sub\\deeper\\c.txt", "x");
    PutFile(t / "\x95\x5C\\d.txt", "x");  // 表\d.txt
    PutFile(t / "z.bin", "x");
    CFileList list;
    list.List(t.Path(), "*.*", true);
    std::vector<std::string> files = list.Files();
    ASSERT_EQ(5u, files.size());
    // A subfolder's files stand together, right where the subfolder was met.
    const auto at = [&](const std::string& rel) {
        return std::find(files.begin(), files.end(), t.Path() + "\\" + rel) - files.begin();
    };
    ASSERT_LT(at("sub\\b.txt"), 5);
    ASSERT_LT(at("sub\\deeper\\c.txt"), 5);
    EXPECT_EQ(1, std::abs(static_cast<int>(at("sub\\b.txt") - at("sub\\deeper\\c.txt"))));
    EXPECT_LT(at("\x95\x5C\\d.txt"), 5);

    list.List(t.Path(), "*.*", false);
    EXPECT_EQ(2u, list.Files().size()) << "without recursion only the top files";
    list.List(t.Path() + "\\missing", "*.*", true);
    EXPECT_TRUE(list.Files().empty());
    list.List(t.Path(), "*.txt", true);
    EXPECT_EQ(1u, list.Files().size()) << "the pattern also filters folders";
}

TEST(PathFormat, TextTrimsOneNewline)
{
    EXPECT_EQ("7 x\n", FormatText("%d %s\n\n", 7, "x"));
    EXPECT_EQ("100%", FormatText("%d%%", 100));
}
