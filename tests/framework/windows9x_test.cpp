// Renames and name case on the paths of Windows NT and, forced, of Windows
// 95/98/ME (where MoveFileExA and CharUpperBuffW answer "not implemented"),
// with the same results on both; entry points looked up at run time.
#include "framework/FileHandle.h"
#include "framework/FileRename.h"
#include "framework/NameCase.h"
#include "framework/SystemFunction.h"
#include "framework/Windows9x.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>

namespace {

typedef std::map<std::string, std::string> Tree;

// The parameter: true for the paths of Windows 95, 98 and ME.
class Win9xPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (GetParam())
            m_Force.reset(new CForceWindows9x);
    }
    std::string Put(const std::string& name, const std::string& bytes)
    {
        PutFile(m_Dir / name, bytes);
        return m_Dir / name;
    }
    // Every file and folder left, with its bytes.
    Tree Files() { return SnapshotTree(m_Dir.Path()); }

    std::unique_ptr<CForceWindows9x> m_Force;
    CTempFolder m_Dir{"win9x"};
};

INSTANTIATE_TEST_SUITE_P(, Win9xPaths, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Win9x" : "Nt"; });

TEST_P(Win9xPaths, RenameFileNeverReplaces)
{
    EXPECT_EQ(GetParam(), IsWindows9x());
    // "ソ" and "表" end in 0x5C.
    const std::string a = Put("ソフト.txt", "a"), b = m_Dir / "表.txt";
    ASSERT_TRUE(RenameFile(a.c_str(), b.c_str())) << GetLastError();
    const std::string c = Put("c.txt", "c");
    EXPECT_FALSE(RenameFile(c.c_str(), b.c_str()));
    EXPECT_TRUE(GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS) << GetLastError();
    EXPECT_FALSE(RenameFile((m_Dir / "none").c_str(), (m_Dir / "x").c_str()));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    MakeFolders(m_Dir / "d");
    EXPECT_TRUE(RenameFile((m_Dir / "d").c_str(), (m_Dir / "e").c_str())) << "a folder";
    EXPECT_EQ(Tree({{"表.txt", "a"}, {"c.txt", "c"}, {"e", "<dir>"}}), Files());
}

TEST_P(Win9xPaths, RenameFileOverReplacesAndLeavesNothingAside)
{
    const std::string a = Put("a", "new"), b = Put("b", "old");
    ASSERT_TRUE(RenameFileOver(a.c_str(), b.c_str())) << GetLastError();
    // To a free name, and past a copy aside that an earlier run left.
    const std::string stale = "c.~" + std::to_string(GetCurrentProcessId()) + ".old";
    Put(stale, "stale");
    Put("c", "old c");
    EXPECT_TRUE(RenameFileOver(b.c_str(), (m_Dir / "c").c_str())) << GetLastError();
    EXPECT_TRUE(RenameFileOver((m_Dir / "c").c_str(), (m_Dir / "d").c_str())) << GetLastError();
    EXPECT_EQ(Tree({{"d", "new"}, {stale, "stale"}}), Files());
}

TEST_P(Win9xPaths, RenameFileOverChangesNothingWhenItCannot)
{
    const std::string a = Put("a", "new"), ro = Put("ro", "read-only"), held = Put("held", "held");
    MakeFolders(m_Dir / "folder");
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(RenameFileOver(a.c_str(), ro.c_str()));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(RenameFileOver(a.c_str(), (m_Dir / "folder").c_str()));
    EXPECT_FALSE(RenameFileOver((m_Dir / "none").c_str(), held.c_str()));
    {
        // A game holding the file: neither the old nor the new one moves.
        CFileHandle game;
        ASSERT_TRUE(game.OpenRead(held.c_str()));
        EXPECT_FALSE(RenameFileOver(a.c_str(), held.c_str())) << "over a file held open";
        CFileHandle source;
        ASSERT_TRUE(source.OpenWrite(a.c_str(), false));
        EXPECT_FALSE(RenameFileOver(a.c_str(), ro.c_str())) << "a source held open";
    }
    EXPECT_EQ(Tree({{"a", "new"}, {"ro", "read-only"}, {"held", "held"}, {"folder", "<dir>"}}), Files());
}

TEST_P(Win9xPaths, ShareAllOpensWithoutDeleteSharingOn9x)
{
    EXPECT_EQ(GetParam() ? 0u : DWORD(FILE_SHARE_DELETE), ShareAllMode() & FILE_SHARE_DELETE);
    CFileHandle file;
    EXPECT_TRUE(file.OpenReadShareAll(Put("f", "x").c_str()));
}

std::string Upper(std::string name)
{
    EXPECT_TRUE(UpperCaseName(name));
    return name;
}

TEST_P(Win9xPaths, UpperCaseNames)
{
    EXPECT_EQ("", Upper(""));
    EXPECT_EQ("README.TXT", Upper("ReadMe.txt"));
    EXPECT_EQ("ＡＢＣ－ΑΩ－ЖЁ－Ⅱ", Upper("ａｂｃ－αω－жё－ⅱ"));
    // Trail bytes 0x5C and 0x7C are not backslashes or letters.
    EXPECT_EQ("ソフト表\\能ア|Z", Upper("ソフト表\\能ア|z"));
}

// Every character of code page 932, one at a time: the table of the 9x path
// gives what CharUpperBuffW gives.
TEST(NameCase, TableAgreesWithTheSystemOnEveryCharacter)
{
    ASSERT_EQ(932u, GetACP());
    std::string mismatches;
    int checked = 0;
    for (unsigned code = 0x20; code <= 0xFCFC; ++code) {
        std::string text;
        if (code < 0x100) {
            if (IsDBCSLeadByte(BYTE(code)))
                continue;
            text = std::string(1, char(code));
        } else {
            if (!IsDBCSLeadByte(BYTE(code >> 8)) || (code & 0xFF) < 0x40 || (code & 0xFF) == 0x7F)
                continue;
            text = std::string{char(code >> 8), char(code & 0xFF)};
        }
        wchar_t wide[2];
        if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide, 2) != 1)
            continue;
        std::string nt = text, win9x = text;
        ASSERT_TRUE(UpperCaseName(nt));
        {
            CForceWindows9x force;
            ASSERT_TRUE(UpperCaseName(win9x));
        }
        ++checked;
        if (nt != win9x && mismatches.size() < 400) {
            char line[64];
            wsprintfA(line, "%X: U+%04X gives %d bytes on NT; ", code, unsigned(wide[0]), int(nt.size()));
            mismatches += line;
        }
    }
    EXPECT_GT(checked, 7000);
    EXPECT_EQ("", mismatches);
}

TEST(SystemFunction, FindsOrAnswersNull)
{
    EXPECT_EQ(reinterpret_cast<FARPROC>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount")),
              FindSystemFunction("kernel32.dll", "GetTickCount"));
    EXPECT_EQ(nullptr, FindSystemFunction("kernel32.dll", "NoSuchFunction"));
    // No system message box for a missing DLL: the call returns at once.
    EXPECT_EQ(nullptr, FindSystemFunction("no_such_library.dll", "Anything"));
    EXPECT_NE(nullptr, FindSystemFunction("d3d8.dll", "Direct3DCreate8"));
}

TEST(Windows9x, ForcedWhileAnyForceLives)
{
    EXPECT_FALSE(IsWindows9x()) << "the test prefix reports Windows NT";
    {
        CForceWindows9x outer;
        {
            CForceWindows9x inner;
            EXPECT_TRUE(IsWindows9x());
            EXPECT_FALSE(MoveFileExOnNt("a", "b", 0));
            EXPECT_EQ(DWORD(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
        }
        EXPECT_TRUE(IsWindows9x());
        wchar_t text[] = L"a";
        EXPECT_EQ(0u, CharUpperBuffWOnNt(text, 1));
        EXPECT_EQ(L'a', text[0]) << "a stub changes nothing";
    }
    EXPECT_FALSE(IsWindows9x());
}

}  // namespace
