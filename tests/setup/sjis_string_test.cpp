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

TEST(SjisSeparators, LastSeparatorAndTrailingBackslash)
{
    EXPECT_EQ(std::string::npos, FindLastSeparator(kHyo));
    EXPECT_EQ(std::string::npos, FindLastSeparator(kSlashTrail));
    EXPECT_EQ(1u, FindLastSeparator("a/" + kSo));
    EXPECT_EQ(3u, FindLastSeparator("a\\b/c"));

    EXPECT_TRUE(EndsWithBackslash("C:\\"));
    EXPECT_FALSE(EndsWithBackslash("C:\\" + kHyo)) << "the last byte 0x5C is a trail byte";
    EXPECT_FALSE(EndsWithBackslash(""));
    EXPECT_EQ("C:\\" + kSo + "\\", AddTrailingBackslash("C:\\" + kSo));
    EXPECT_EQ("C:\\", AddTrailingBackslash("C:\\"));
    EXPECT_EQ("", AddTrailingBackslash(""));
    EXPECT_EQ("C:\\" + kSo, RemoveTrailingBackslash("C:\\" + kSo));
    EXPECT_EQ("C:\\" + kSo, RemoveTrailingBackslash("C:\\" + kSo + "\\"));
    EXPECT_EQ("a\\", RemoveTrailingBackslash("a\\\\")) << "one backslash only";
}

TEST(SjisRelative, BaseEndingInTrailByte)
{
    // Base C:\表 ends in byte 0x5C, but not in a backslash: the separator
    // after it must still go.
    EXPECT_EQ("a.txt", RelativePath("C:\\" + kHyo + "\\a.txt", "C:\\" + kHyo));
    EXPECT_EQ("a.txt", RelativePath("C:\\" + kHyo + "\\a.txt", "C:\\" + kHyo + "\\"));
}

TEST(SjisSlashTrail, NeverASeparatorAnywhere)
{
    const std::string name = "a" + kSlashTrail;  // ends in byte 0x2F
    EXPECT_EQ("C:\\" + name, ParentFolder("C:/" + name + "/x"));
    EXPECT_EQ("C:\\d", ParentFolder("C:\\d\\" + name + "\\"));
    EXPECT_EQ("C:\\" + name, CollapseBackslashes("C:\\\\" + name));
    std::string folder, file, ext;
    SplitPath("C:\\d\\" + name + ".txt", folder, file);
    EXPECT_EQ("C:\\d", folder);
    EXPECT_EQ(name + ".txt", file);
    SplitFileName(name, file, ext);
    EXPECT_EQ(name, file);
    EXPECT_EQ("", ext);
    EXPECT_EQ(name, ToForwardSlashes(name));
    EXPECT_EQ(name, RelativePath("C:\\g\\" + name, "C:\\g"));
}

TEST(SjisNetworkPath, SplitParentAndRoot)
{
    std::string folder, file;
    SplitPath("\\\\srv\\share\\f.txt", folder, file);
    EXPECT_EQ("\\\\srv\\share", folder);
    EXPECT_EQ("f.txt", file);
    SplitPath("//srv/share//sub/f.txt", folder, file);
    EXPECT_EQ("\\\\srv\\share\\sub", folder);
    EXPECT_EQ("\\\\srv", ParentFolder("\\\\srv\\share\\"));
    EXPECT_EQ("\\\\srv\\" + kHyo, ParentFolder("\\\\srv\\" + kHyo + "\\x.txt"));
}

TEST(SjisDriveRoot, DriveLettersSharesAndRelative)
{
    EXPECT_EQ("D:\\", DriveRoot("D:\\Games\\Quillmoor"));
    EXPECT_EQ("C:\\", DriveRoot("C:"));
    EXPECT_EQ("C:\\", DriveRoot("C:relative"));
    EXPECT_EQ("\\\\srv\\share\\", DriveRoot("\\\\srv\\share\\games\\q"));
    EXPECT_EQ("\\\\srv\\share\\", DriveRoot("\\\\\\srv\\\\share"));
    EXPECT_EQ("\\\\srv\\share\\", DriveRoot("//srv/share/x"));
    // A share named 表: its trail 0x5C does not end the share name.
    EXPECT_EQ("\\\\srv\\" + kHyo + "\\", DriveRoot("\\\\srv\\" + kHyo + "\\q\\x"));
    EXPECT_EQ("\\\\srv\\", DriveRoot("\\\\srv"));
    EXPECT_EQ("", DriveRoot("data\\gamedata2"));
    EXPECT_EQ("", DriveRoot("\\\\"));
    EXPECT_EQ("", DriveRoot(""));
    EXPECT_EQ("", DriveRoot("\x81:x")) << "a lead byte and its trail are no drive letter";
}

TEST(SjisComponents, SplitAtRealSeparatorsOnly)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(V({"a", kSo + "t", kHyo + ".csv"}), SplitComponents("a\\" + kSo + "t/" + kHyo + ".csv"));
    EXPECT_EQ(V({kSo}), SplitComponents(kSo)) << "a name that is one character with trail 0x5C";
    EXPECT_EQ(V({"", "a", "", "b", ""}), SplitComponents("\\a\\\\b/"));
    EXPECT_EQ(V(), SplitComponents(""));
    EXPECT_EQ(V({"x", "\x83"}), SplitComponents("x\\\x83")) << "a lead byte at the end stands alone";
}

TEST(SjisResolve, DotsStayInsideTheStartFolder)
{
    std::string r;
    EXPECT_TRUE(ResolveRelativePath("bg//a.bmp", r));
    EXPECT_EQ("bg\\a.bmp", r);
    EXPECT_TRUE(ResolveRelativePath("bg\\..\\bg\\.\\a.bmp", r));
    EXPECT_EQ("bg\\a.bmp", r);
    EXPECT_TRUE(ResolveRelativePath("\\bg/a.bmp\\", r));
    EXPECT_EQ("\\bg\\a.bmp\\", r) << "a leading and a trailing separator stay";
    // ソ\.. is one folder up from ソ, not from the byte 0x83.
    EXPECT_TRUE(ResolveRelativePath(kSo + "\\" + kHyo + "\\..\\x", r));
    EXPECT_EQ(kSo + "\\x", r);
    EXPECT_TRUE(ResolveRelativePath("a\\..", r));
    EXPECT_EQ("", r) << "the start folder itself";

    r = "stale";
    EXPECT_FALSE(ResolveRelativePath("..\\a.bmp", r));
    EXPECT_EQ("", r);
    EXPECT_FALSE(ResolveRelativePath("bg\\..\\..\\gamedata\\a.bmp", r)) << "out and back in";
    EXPECT_FALSE(ResolveRelativePath("\\..\\a.bmp", r));
    EXPECT_FALSE(ResolveRelativePath("bg/../../a.bmp", r));
    EXPECT_FALSE(ResolveRelativePath("bg\\...\\a.bmp", r)) << "two folders up on old systems";
    EXPECT_TRUE(ResolveRelativePath("a..\\..b", r)) << "names with dots are names";
    EXPECT_EQ("a..\\..b", r);
}
