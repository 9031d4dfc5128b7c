// Splitting rules of the text table.
#include "filesystem/TextTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<std::string>> ReadAll(CTextTable& t, const std::string& text, int n = 4)
{
    EXPECT_TRUE(t.LoadBuffer(text.data(), uint32_t(text.size())));
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> f(n);
    while (t.ReadLine(n, f.data()))
        lines.push_back(f);
    return lines;
}

typedef std::vector<std::vector<std::string>> Lines;

}  // namespace

TEST(TextTable, DefaultSplitting)
{
    CTextTable t;
    EXPECT_EQ((Lines{{"a", "b", "c", ""}}), ReadAll(t, "a b,c\n"));
    EXPECT_EQ((Lines{{"a", "", "b", ""}}), ReadAll(t, "a,,b"));
    // Runs of blanks collapse; one leading blank is skipped.
    EXPECT_EQ((Lines{{"a", "b", "", ""}}), ReadAll(t, " a \t  b\r\n"));
    // Comments and empty lines are skipped; a remark after data is cut.
    EXPECT_EQ((Lines{{"x", "", "", ""}, {"y", "z", "", ""}}),
              ReadAll(t, "// remark\n\n\r\nx// tail\ny,z"));
    // Fields past the count are ignored.
    EXPECT_EQ((Lines{{"1", "2"}}), ReadAll(t, "1,2,3,4", 2));
    EXPECT_TRUE(t.IsAtEnd());
}

TEST(TextTable, Options)
{
    CTextTable t;
    t.SetCollapseCommas(true);
    EXPECT_EQ((Lines{{"a", "b", "", ""}}), ReadAll(t, "a,,b"));
    CTextTable r;
    r.SetSplitBlanks(false);
    // A single blank after a comma stays in the field.
    EXPECT_EQ((Lines{{"x y", " z", "", ""}}), ReadAll(r, "x y, z\n"));
    CTextTable u;
    u.SetCollapseBlanks(false);
    EXPECT_EQ((Lines{{"", "a", "", "b"}}), ReadAll(u, " a  b"));
}

TEST(TextTable, ShiftJisSecondBytes)
{
    CTextTable t;
    // 0x83 0x5C and 0x83 0x2C: the second byte is neither backslash nor comma.
    std::string text = "\x83\x5C,\x83\x2C\x83\x2C,\x81\x40//\n\x82\x2F/x";
    Lines lines = ReadAll(t, text);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("\x83\x5C", lines[0][0]);
    EXPECT_EQ("\x83\x2C\x83\x2C", lines[0][1]);
    EXPECT_EQ("\x81\x40", lines[0][2]);
    // 0x82 0x2F followed by '/' is no comment start.
    EXPECT_EQ("\x82\x2F/x", lines[1][0]);
}

TEST(TextTable, SkipLinesAndEnd)
{
    CTextTable t;
    std::string f[2];
    EXPECT_FALSE(t.ReadLine(2, f));
    EXPECT_TRUE(t.IsAtEnd());
    ASSERT_TRUE(t.LoadBuffer("one", 3));
    EXPECT_TRUE(t.SkipLines(1));
    EXPECT_FALSE(t.SkipLines(2));
    EXPECT_TRUE(t.SkipLines(0));
    ASSERT_TRUE(t.ReadLine(2, f));
    EXPECT_EQ("one", f[0]);
    EXPECT_FALSE(t.ReadLine(2, f));
    EXPECT_TRUE(f[0].empty());
    ASSERT_TRUE(t.LoadBuffer("", 0));
    EXPECT_FALSE(t.ReadLine(2, f));
    t.Release();
    EXPECT_TRUE(t.IsAtEnd());
}
