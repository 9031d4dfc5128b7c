// Shift-JIS aware string scanning. "\x95\x5C" is 表 and "\x83\x5C" is ソ: their
// trail byte is a backslash; "\x82\x2F" has a slash as trail byte.
#include "setup/SjisString.h"

#include <gtest/gtest.h>

namespace {
const std::string kHyo = "\x95\x5C";   // 表
const std::string kSo = "\x83\x5C";    // ソ
const std::string kSlashTrail = "\x82\x2F";
}  // namespace

TEST(SjisLeadByte, Ranges)
{
    EXPECT_FALSE(IsSjisLeadByte(0x80));
    EXPECT_TRUE(IsSjisLeadByte(0x81));
    EXPECT_TRUE(IsSjisLeadByte(0x9F));
    EXPECT_FALSE(IsSjisLeadByte(0xA0));
    EXPECT_FALSE(IsSjisLeadByte(0xDF));
    EXPECT_TRUE(IsSjisLeadByte(0xE0));
    EXPECT_TRUE(IsSjisLeadByte(0xFC));
    EXPECT_FALSE(IsSjisLeadByte(0xFD));
    EXPECT_FALSE(IsSjisLeadByte('\\'));
}

TEST(SjisSlashes, TrailBytesAreNeverSeparators)
{
    EXPECT_EQ("a/" + kSo + "/b", ToForwardSlashes("a\\" + kSo + "\\b"));
    EXPECT_EQ("a\\" + kSlashTrail + "\\b", NormalizeSlashes("a/" + kSlashTrail + "/b"));
    // A lead byte at the very end stands alone; the scan does not run past it.
    EXPECT_EQ("x/\x83", ToForwardSlashes("x\\\x83"));
}

TEST(SjisCollapse, RunsNetworkPathsAndTrailBytes)
{
    EXPECT_EQ("C:\\data\\x", CollapseBackslashes("C:\\\\data\\\\\\x"));
    EXPECT_EQ("\\\\server\\share", CollapseBackslashes("\\\\\\server\\\\share"));
    EXPECT_EQ("\\\\server\\share\\a", CollapseBackslashes("\\\\server\\share\\\\a"));
    // The trail 0x5C of ソ followed by a real backslash is not a pair.
    EXPECT_EQ("a\\" + kSo + "\\b", CollapseBackslashes("a\\" + kSo + "\\b"));
    EXPECT_EQ(kHyo + "\\" + kHyo, CollapseBackslashes(kHyo + "\\\\" + kHyo));
    EXPECT_EQ("", CollapseBackslashes(""));
    EXPECT_EQ("\\", CollapseBackslashes("\\"));
}

TEST(SjisCase, OnlySingleByteLettersChange)
{
    // 0x83 0x41 is ア: its trail byte is an ASCII "A" and must stay.
    EXPECT_EQ("abc\x83\x41z", ToLowerAscii("ABC\x83\x41Z"));
    EXPECT_EQ("ABC\x83\x61Z", ToUpperAscii("abc\x83\x61z"));
}

TEST(SjisRemove, SpacesTabsCarriageReturns)
{
    EXPECT_EQ("ab", RemoveSpaces(" a b "));
    EXPECT_EQ("ab", RemoveTabs("\ta\tb"));
    EXPECT_EQ("a\nb\n", RemoveCarriageReturns("a\r\nb\r\n"));
}

TEST(SjisParentFolder, Components)
{
    EXPECT_EQ("C:\\a", ParentFolder("C:\\a\\b"));
    EXPECT_EQ("C:\\a", ParentFolder("C:\\a\\b\\"));
    EXPECT_EQ("C:\\a", ParentFolder("C:/a//b"));
    EXPECT_EQ("C:", ParentFolder("C:\\a"));
    EXPECT_EQ("name", ParentFolder("name"));
    EXPECT_EQ("\\\\", ParentFolder("\\\\"));
    EXPECT_EQ("\\\\srv", ParentFolder("\\\\srv\\share"));
    // 表 ends in 0x5C but is not a separator: the parent of C:\表\x is C:\表.
    EXPECT_EQ("C:\\" + kHyo, ParentFolder("C:\\" + kHyo + "\\x"));
    EXPECT_EQ("C:", ParentFolder("C:\\" + kHyo));
}

TEST(SjisAbsolute, Forms)
{
    EXPECT_FALSE(IsAbsolutePath(""));
    EXPECT_FALSE(IsAbsolutePath("C"));
    EXPECT_TRUE(IsAbsolutePath("C:"));
    EXPECT_TRUE(IsAbsolutePath("C:\\x"));
    EXPECT_TRUE(IsAbsolutePath("\\\\server\\share"));
    EXPECT_FALSE(IsAbsolutePath("\\x"));
    EXPECT_FALSE(IsAbsolutePath("data\\gamedata2"));
    // 0x81 0x3A is not a colon (it would be if the scan ignored lead bytes).
    EXPECT_FALSE(IsAbsolutePath("ab\x81\x3A"));
}

TEST(SjisRelative, PrefixRules)
{
    EXPECT_EQ("sub\\f.txt", RelativePath("C:\\base\\sub\\f.txt", "C:\\base"));
    EXPECT_EQ("sub\\f.txt", RelativePath("C:\\base\\sub\\f.txt", "C:\\base\\"));
    EXPECT_EQ("", RelativePath("C:\\other\\f.txt", "C:\\base"));
    EXPECT_EQ("", RelativePath("C:\\BASE\\f.txt", "C:\\base"));
    EXPECT_EQ("", RelativePath("C:\\b", "C:\\base"));
    EXPECT_EQ("", RelativePath("C:\\base\\f", ""));
    EXPECT_EQ(kSo + "\\x", RelativePath("C:\\g\\" + kSo + "\\x", "C:\\g"));
}

TEST(SjisSplit, FolderFileNameExtension)
{
    std::string folder, file, name, ext;
    SplitPath("C:\\games\\q\\a.exe", folder, file);
    EXPECT_EQ("C:\\games\\q", folder);
    EXPECT_EQ("a.exe", file);
    SplitPath("C:\\a.exe", folder, file);
    EXPECT_EQ("C:", folder);
    SplitPath("\\a.exe", folder, file);
    EXPECT_EQ("\\", folder) << "a folder of backslashes only keeps its backslash";
    SplitPath("C:/x//" + kSo + "/" + kHyo + ".txt", folder, file);
    EXPECT_EQ("C:\\x\\" + kSo, folder);
    EXPECT_EQ(kHyo + ".txt", file);
    SplitFileName("data\\a.bmp.dat", name, ext);
    EXPECT_EQ("a.bmp", name);
    EXPECT_EQ("dat", ext);
    SplitFileName("dir.d\\noext", name, ext);
    EXPECT_EQ("noext", name);
    EXPECT_EQ("", ext);
    SplitFileName(kHyo, name, ext);
    EXPECT_EQ(kHyo, name) << "the trail 0x5C of the name is not a folder separator";
}

TEST(SjisFormat, Numbers)
{
    EXPECT_EQ("-2147483648", FormatInt(-2147483647 - 1));
    EXPECT_EQ("0", FormatInt(0));
    EXPECT_EQ("1.50", FormatFloat(1.5f));
}
