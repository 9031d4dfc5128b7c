// The uninstall record's lines and how they are read back into records.
#include "setup/UninstallRecord.h"

#include <gtest/gtest.h>

namespace {

typedef std::vector<std::string> Lines;

std::string Join(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

}  // namespace

TEST(UninstallRecordFormat, LinesOfOneRecord)
{
    EXPECT_EQ("#AppName,Quillmoor\r\n#UninstallFile\r\nsave\\a.dat\r\nC:\\x y\\b.dat\r\n##\r\n"
              "#UninstallDirectory\r\nsave\r\n##\r\n",
              Join(FormatUninstallRecord("Quillmoor", {"save\\a.dat", "C:\\x y\\b.dat"}, {"save"})));
    Lines empty = FormatUninstallRecord("P", {}, {});
    EXPECT_EQ((Lines{"#AppName,P\r\n", "#UninstallFile\r\n", "##\r\n", "#UninstallDirectory\r\n", "##\r\n"}),
              empty)
        << "five lines, each written whole";
}

TEST(UninstallRecordParse, CompleteRecordsInOrder)
{
    std::vector<CUninstallRecord> records = ParseUninstallRecords(
        {"#AppName,One", "#UninstallFile", "a.dat", "C:\\b.dat", "##", "#UninstallDirectory", "sub", "##",
         "#AppName,Two", "#UninstallFile", "##", "#UninstallDirectory", "##"});
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("One", records[0].product);
    EXPECT_EQ((Lines{"a.dat", "C:\\b.dat"}), records[0].files);
    EXPECT_EQ((Lines{"sub"}), records[0].folders);
    EXPECT_TRUE(records[0].complete);
    EXPECT_EQ("Two", records[1].product);
    EXPECT_TRUE(records[1].files.empty());
    EXPECT_TRUE(records[1].folders.empty());
    EXPECT_TRUE(records[1].complete);
}

TEST(UninstallRecordParse, WhatEndsTheRecords)
{
    EXPECT_TRUE(ParseUninstallRecords({}).empty()) << "an empty text holds no record";
    EXPECT_TRUE(ParseUninstallRecords({"#Appname,x", "#UninstallFile", "##", "#UninstallDirectory", "##"}).empty())
        << "markers are compared byte for byte";
    EXPECT_TRUE(ParseUninstallRecords({"#AppNameX,x"}).empty());
    // A line that starts no record ends the reading, without error.
    std::vector<CUninstallRecord> records = ParseUninstallRecords(
        {"#AppName,A", "#UninstallFile", "##", "#UninstallDirectory", "##", "junk", "#AppName,B",
         "#UninstallFile", "##", "#UninstallDirectory", "##"});
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(records[0].complete);
}

TEST(UninstallRecordParse, FormatErrorsKeepOnlyWhatCameBefore)
{
    // No "#UninstallFile" after the name.
    std::vector<CUninstallRecord> r = ParseUninstallRecords({"#AppName,A", "x.dat", "##"});
    ASSERT_EQ(1u, r.size());
    EXPECT_EQ("A", r[0].product);
    EXPECT_FALSE(r[0].complete);
    EXPECT_TRUE(r[0].files.empty());
    // The name line is the last one.
    r = ParseUninstallRecords({"#AppName,A"});
    ASSERT_EQ(1u, r.size());
    EXPECT_FALSE(r[0].complete);
    // "#UninstallFile" as the last line.
    r = ParseUninstallRecords({"#AppName,A", "#UninstallFile"});
    ASSERT_EQ(1u, r.size());
    EXPECT_FALSE(r[0].complete);

    // The file section runs to the end: its last line is not acted on.
    r = ParseUninstallRecords({"#AppName,A", "#UninstallFile", "a.dat", "b.dat"});
    ASSERT_EQ(1u, r.size());
    EXPECT_EQ((Lines{"a.dat"}), r[0].files);
    EXPECT_FALSE(r[0].complete);

    // No "#UninstallDirectory", or it is the last line.
    r = ParseUninstallRecords({"#AppName,A", "#UninstallFile", "a.dat", "##", "sub", "##"});
    EXPECT_EQ((Lines{"a.dat"}), r[0].files);
    EXPECT_TRUE(r[0].folders.empty());
    EXPECT_FALSE(r[0].complete);
    r = ParseUninstallRecords({"#AppName,A", "#UninstallFile", "##", "#UninstallDirectory"});
    EXPECT_FALSE(r[0].complete);

    // The folder section runs to the end.
    r = ParseUninstallRecords({"#AppName,A", "#UninstallFile", "a.dat", "##", "#UninstallDirectory", "s", "t"});
    EXPECT_EQ((Lines{"a.dat"}), r[0].files);
    EXPECT_EQ((Lines{"s"}), r[0].folders);
    EXPECT_FALSE(r[0].complete);

    // An error in a later record leaves the earlier ones complete.
    r = ParseUninstallRecords({"#AppName,A", "#UninstallFile", "##", "#UninstallDirectory", "##",
                               "#AppName,B", "#UninstallFile", "c.dat"});
    ASSERT_EQ(2u, r.size());
    EXPECT_TRUE(r[0].complete);
    EXPECT_FALSE(r[1].complete);
    EXPECT_TRUE(r[1].files.empty()) << "c.dat is the last line";
}

TEST(UninstallRecordParse, ValuesKeepBlanksAndCommas)
{
    // Paths are whole lines: a comma or a run of blanks is part of the name.
    std::vector<CUninstallRecord> r = ParseUninstallRecords(
        {"#AppName,Maker, Inc. Game", "#UninstallFile", "save\\my  file, copy.dat", " lead.dat", "##",
         "#UninstallDirectory", "save dir", "##"});
    ASSERT_EQ(1u, r.size());
    EXPECT_EQ("Maker, Inc. Game", r[0].product) << "everything after the first comma";
    EXPECT_EQ((Lines{"save\\my  file, copy.dat", " lead.dat"}), r[0].files);
    EXPECT_EQ((Lines{"save dir"}), r[0].folders);
    EXPECT_TRUE(r[0].complete);

    // Markers are the line's first comma field; a name line without a comma
    // names the empty product.
    r = ParseUninstallRecords({"#AppName", "#UninstallFile,x", "a.dat", "##,y", "#UninstallDirectory", "##"});
    ASSERT_EQ(1u, r.size());
    EXPECT_EQ("", r[0].product);
    EXPECT_EQ((Lines{"a.dat"}), r[0].files);
    EXPECT_TRUE(r[0].complete);

    // Shift-JIS names pass untouched (ソフト: second bytes 0x5C).
    const std::string sjis = "\x83\x5C\x83\x74\x83\x67";
    r = ParseUninstallRecords({"#AppName," + sjis, "#UninstallFile", sjis + "\\a.dat", "##",
                               "#UninstallDirectory", sjis, "##"});
    EXPECT_EQ(sjis, r[0].product);
    EXPECT_EQ((Lines{sjis + "\\a.dat"}), r[0].files);
}
