// Path helpers against Wine's real file system.
#include "setup/PathUtil.h"
#include "setup/FileList.h"
#include "setup/FindFile.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class TempFolder {
public:
    TempFolder()
    {
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        m_Path = CollapseBackslashes(std::string(tmp) + "\\quill_paths_" +
                                     FormatInt(static_cast<int>(GetCurrentProcessId())) + "_" +
                                     FormatInt(static_cast<int>(GetTickCount())));
        CreateDirectoryA(m_Path.c_str(), nullptr);
    }
    ~TempFolder() { Remove(m_Path); }
    const std::string& Path() const { return m_Path; }
    std::string File(const std::string& rel, const std::string& text = "x") const
    {
        const std::string p = m_Path + "\\" + rel;
        MakeFolderChain(ParentFolder(p));
        HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
        CloseHandle(h);
        return p;
    }

private:
    static void Remove(const std::string& dir)
    {
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::string n = d.cFileName;
                if (n == "." || n == "..")
                    continue;
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(dir + "\\" + n);
                else
                    DeleteFileA((dir + "\\" + n).c_str());
            } while (FindNextFileA(h, &d));
            FindClose(h);
        }
        RemoveDirectoryA(dir.c_str());
    }
    std::string m_Path;
};

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
    TempFolder t;
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
    TempFolder t;
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
    TempFolder t;
    const std::string f = t.File("\x83\x5C\\file.txt");  // ソ\file.txt
    CFindFile find;
    EXPECT_TRUE(find.Find(f));
    EXPECT_STREQ("file.txt", find.Data().cFileName);
    EXPECT_FALSE(find.Find(t.Path() + "\\missing.txt"));
    EXPECT_TRUE(find.Find(t.Path() + "\\\x83\x5C\\*.txt"));
    EXPECT_TRUE(find.Find(f)) << "a failed test must not spoil the next";
}

TEST(PathFileList, RecursiveOrderAndPattern)
{
    TempFolder t;
    t.File("a.txt");
    t.File("sub\\b.txt");
    t.File("sub\\deeper\\c.txt");
    t.File("\x95\x5C\\d.txt");  // 表\d.txt
    t.File("z.bin");
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
