#include "installer/CommandLine.h"
#include <gtest/gtest.h>

namespace {

typedef std::vector<std::string> Args;

TEST(SplitCommandLine, QuotedArgumentKeepsItsSpace)
{
    EXPECT_EQ(Args({"a", "b c", "d"}), SplitCommandLine("a \"b c\" d"));
}

TEST(SplitCommandLine, QuoteClosesOnlyBeforeASpaceOrTheEnd)
{
    EXPECT_EQ(Args({"C:\\x\"y\\setup.exe", "z"}), SplitCommandLine("\"C:\\x\"y\\setup.exe\" z"));
    EXPECT_EQ(Args({"x"}), SplitCommandLine("\"x\""));
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(Args({"a", "b c"}), SplitCommandLine("a \"b c"));
}

TEST(SplitCommandLine, EmptyAndNullLines)
{
    EXPECT_EQ(Args(), SplitCommandLine(""));
    EXPECT_EQ(Args(), SplitCommandLine(nullptr));
    EXPECT_EQ(Args({"a", "b"}), SplitCommandLine("  a   b  "));
    EXPECT_EQ(Args({"a"}), SplitCommandLine("a \"\""));
}

TEST(SplitCommandLine, DoubleByteCharactersPassThrough)
{
    // "表" ends in 0x5C, "ソ" too.
    EXPECT_EQ(Args({"\x95\x5C", "\x83\x5C x"}), SplitCommandLine("\x95\x5C \"\x83\x5C x\""));
}

}  // namespace
