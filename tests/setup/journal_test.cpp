// The journal's stored form: records round-trip, a cut or damaged tail is
// dropped, and nothing but a plain relative path is ever read back.
#include "framework/ByteOrder.h"
#include "setup/BackupNames.h"
#include "setup/Journal.h"
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

CJournalRecord Step(CJournalRecord::Type type, const std::string& path, const std::string& backup = "")
{
    CJournalRecord record;
    record.type = type;
    record.path = path;
    record.backup = backup;
    return record;
}

CJournalRecord Mark(CJournalRecord::Type type, uint32_t index)
{
    CJournalRecord record;
    record.type = type;
    record.index = index;
    return record;
}

CJournalRecord Closed(uint32_t index)
{
    return Mark(CJournalRecord::kClosed, index);
}

CJournalRecord Begun(uint32_t index)
{
    return Mark(CJournalRecord::kBegun, index);
}

std::vector<CJournalRecord> Sample()
{
    return {Step(CJournalRecord::kCreateFolder, "sub"),
            Step(CJournalRecord::kCreateFile, "sub\\new.bin"),
            Step(CJournalRecord::kReplaceFile, "\x95\x5C\\\x83\x5C\x83\x74\x83\x67.txt", "~0000"),
            Begun(0),
            Begun(1),
            Closed(1),
            Step(CJournalRecord::kCreateFile, "a.txt"),
            Begun(3),
            Closed(3),
            Begun(3)};
}

std::vector<uint8_t> Encode(const std::vector<CJournalRecord>& records, CJournal::State state = CJournal::kRunning,
                            uint8_t version = CJournal::kVersion)
{
    std::vector<uint8_t> bytes = CJournal::Header(state, version);
    for (const CJournalRecord& record : records)
        EXPECT_TRUE(CJournal::Append(record, bytes)) << record.path;
    return bytes;
}

// A record with a good checksum around any payload.
void AppendRaw(std::vector<uint8_t>& out, uint8_t type, const std::vector<uint8_t>& payload)
{
    size_t start = out.size();
    out.push_back(type);
    AppendLE16(out, static_cast<uint16_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    AppendLE32(out, CJournal::Checksum(out.data() + start, out.size() - start));
}

TEST(JournalFormat, RecordsRoundTripWithState)
{
    for (CJournal::State state : {CJournal::kRunning, CJournal::kCommitting}) {
        std::vector<uint8_t> bytes = Encode(Sample(), state);
        CJournal journal;
        ASSERT_TRUE(journal.Parse(bytes.data(), bytes.size()));
        EXPECT_EQ(state, journal.GetState());
        EXPECT_EQ(Sample(), journal.Records());
        EXPECT_FALSE(journal.IsDamaged());
        EXPECT_EQ(bytes.size(), journal.ValidSize());
    }
}

TEST(JournalFormat, HeaderIsMagicVersionStateAndTwoZeros)
{
    std::vector<uint8_t> header = CJournal::Header(CJournal::kCommitting);
    EXPECT_EQ(std::vector<uint8_t>({'Q', 'J', 'N', 'L', 2, 'C', 0, 0}), header);
    EXPECT_EQ(CJournal::kCommitting, header[CJournal::kStateOffset]);
    CJournal journal;
    ASSERT_TRUE(journal.Parse(header.data(), header.size()));
    EXPECT_TRUE(journal.Records().empty());
    EXPECT_FALSE(journal.IsDamaged());
    EXPECT_TRUE(journal.MarksBegun());
}

// Version 1 (no begun marks) is still read; a begun mark in it is damage,
// as it was to the reader of that version.
TEST(JournalFormat, FirstVersionIsReadWithoutMarks)
{
    std::vector<CJournalRecord> plan = {Step(CJournalRecord::kCreateFolder, "sub"),
                                        Step(CJournalRecord::kCreateFile, "sub\\new.bin"), Closed(0),
                                        Step(CJournalRecord::kReplaceFile, "a.txt", "~0000")};
    std::vector<uint8_t> bytes = Encode(plan, CJournal::kRunning, CJournal::kVersionWithoutMarks);
    EXPECT_EQ(1, bytes[CJournal::kVersionOffset]);
    CJournal journal;
    ASSERT_TRUE(journal.Parse(bytes.data(), bytes.size()));
    EXPECT_EQ(CJournal::kVersionWithoutMarks, journal.GetVersion());
    EXPECT_FALSE(journal.MarksBegun());
    EXPECT_EQ(plan, journal.Records());
    EXPECT_FALSE(journal.IsDamaged());

    CJournal::Append(Begun(1), bytes);
    CJournal::Append(Step(CJournalRecord::kCreateFile, "after.txt"), bytes);
    ASSERT_TRUE(journal.Parse(bytes.data(), bytes.size()));
    EXPECT_EQ(plan, journal.Records());
    EXPECT_TRUE(journal.IsDamaged());

    for (uint8_t version : {0, 3, 0x81}) {
        bytes[CJournal::kVersionOffset] = version;
        EXPECT_FALSE(journal.Parse(bytes.data(), bytes.size())) << "version " << int(version);
    }
}

TEST(JournalFormat, NotAJournalYieldsNothing)
{
    std::vector<uint8_t> good = Encode(Sample());
    CJournal journal;
    EXPECT_FALSE(journal.Parse(nullptr, 0));
    EXPECT_FALSE(journal.Parse(good.data(), 7));
    for (size_t at : {0, 3, 4, 5, 6, 7}) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0x20;
        EXPECT_FALSE(journal.Parse(bad.data(), bad.size())) << "header byte " << at << " changed";
        EXPECT_TRUE(journal.Records().empty());
    }
}

TEST(JournalFormat, CutTailKeepsEveryWholeRecordBeforeIt)
{
    const std::vector<CJournalRecord> sample = Sample();
    std::vector<uint8_t> full = Encode(sample);
    std::vector<size_t> ends;  // where each record ends
    for (size_t n = 0; n <= sample.size(); ++n) {
        std::vector<CJournalRecord> prefix(sample.begin(), sample.begin() + n);
        ends.push_back(Encode(prefix).size());
    }
    for (size_t size = CJournal::kHeaderSize; size <= full.size(); ++size) {
        CJournal journal;
        ASSERT_TRUE(journal.Parse(full.data(), size));
        size_t whole = 0;
        while (whole + 1 < ends.size() && ends[whole + 1] <= size)
            ++whole;
        ASSERT_EQ(whole, journal.Records().size()) << "cut at " << size;
        EXPECT_EQ(std::vector<CJournalRecord>(sample.begin(), sample.begin() + whole), journal.Records());
        EXPECT_EQ(ends[whole], journal.ValidSize());
        EXPECT_EQ(size != ends[whole], journal.IsDamaged()) << "cut at " << size;
    }
}

TEST(JournalFormat, AnyChangedByteEndsTheRecordsAtTheRecordItHits)
{
    const std::vector<CJournalRecord> sample = Sample();
    std::vector<uint8_t> full = Encode(sample);
    for (size_t at = CJournal::kHeaderSize; at < full.size(); ++at) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bad = full;
            bad[at] ^= flip;
            CJournal journal;
            ASSERT_TRUE(journal.Parse(bad.data(), bad.size()));
            EXPECT_TRUE(journal.IsDamaged()) << "byte " << at;
            // Only records wholly before the change survive, unaltered.
            ASSERT_LE(journal.ValidSize(), at) << "byte " << at;
            EXPECT_EQ(std::vector<CJournalRecord>(sample.begin(), sample.begin() + journal.Records().size()),
                      journal.Records());
        }
    }
}

TEST(JournalFormat, CheckedRecordsWithBadContentAreDamage)
{
    struct Case {
        const char* what;
        uint8_t type;
        std::vector<uint8_t> payload;
    };
    std::vector<uint8_t> escape = {'.', '.', '\\', 'x'};
    std::vector<uint8_t> replaceShort = {5, 0, 'a'};
    std::vector<uint8_t> replaceSlash = {1, 0, 'a', 'b', '\\', 'c'};
    std::vector<uint8_t> replaceEmpty = {1, 0, 'a'};
    const Case cases[] = {
        {"unknown type", 9, {'a'}},
        {"escaping path", CJournalRecord::kCreateFile, escape},
        {"absolute path", CJournalRecord::kCreateFile, {'C', ':', '\\', 'x'}},
        {"empty path", CJournalRecord::kCreateFolder, {}},
        {"path longer than its record", CJournalRecord::kReplaceFile, replaceShort},
        {"backup with a separator", CJournalRecord::kReplaceFile, replaceSlash},
        {"empty backup", CJournalRecord::kReplaceFile, replaceEmpty},
        {"closed of a step not recorded", CJournalRecord::kClosed, {1, 0, 0, 0}},
        {"closed of the wrong size", CJournalRecord::kClosed, {0, 0, 0}},
        {"begun of a step not recorded", CJournalRecord::kBegun, {1, 0, 0, 0}},
        {"begun of the wrong size", CJournalRecord::kBegun, {0, 0, 0, 0, 0}},
        {"begun of a huge index", CJournalRecord::kBegun, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = Encode({Step(CJournalRecord::kCreateFile, "first.txt")});
        AppendRaw(bytes, c.type, c.payload);
        CJournal::Append(Step(CJournalRecord::kCreateFile, "after.txt"), bytes);
        CJournal journal;
        ASSERT_TRUE(journal.Parse(bytes.data(), bytes.size()));
        EXPECT_EQ(1u, journal.Records().size()) << c.what;
        EXPECT_TRUE(journal.IsDamaged()) << c.what;
    }
}

TEST(JournalFormat, OnlyPlainRelativePathsAreStored)
{
    const char* good[] = {"a", "a.txt", "sub\\b.bin", "\x95\x5C\\\x83\x5C.txt", "x\\y\\z\\w", ".hidden",
                          "a b", "\x81\x40"};
    const char* bad[] = {"", "\\a", "a\\", "a\\\\b", ".", "..", "..\\a", "a\\..", "a\\.\\b", "C:\\a", "a:b",
                         "a*", "a?", "a\"b", "a<b", "a>b", "a|b", "a/b", "a\x01", "a.", "a ", "sub.\\b",
                         "\x95", "a\\\x95", "\x81\x20"};
    for (const char* path : good) {
        EXPECT_TRUE(CJournal::IsSafeRelativePath(path)) << path;
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(CJournal::Append(Step(CJournalRecord::kCreateFile, path), bytes)) << path;
    }
    for (const char* path : bad) {
        EXPECT_FALSE(CJournal::IsSafeRelativePath(path)) << path;
        std::vector<uint8_t> bytes;
        EXPECT_FALSE(CJournal::Append(Step(CJournalRecord::kCreateFile, path), bytes)) << path;
        EXPECT_TRUE(bytes.empty());
    }
    EXPECT_TRUE(CJournal::IsSafeRelativePath(std::string(259, 'a')));
    EXPECT_FALSE(CJournal::IsSafeRelativePath(std::string(260, 'a')));
    EXPECT_FALSE(CJournal::IsSafeName("a\\b"));
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(CJournal::Append(Step(CJournalRecord::kReplaceFile, "a", "x\\y"), bytes));
}

TEST(BackupNames, NeverLongerThanTheNameAndDistinct)
{
    EXPECT_EQ("~0000000", CBackupNames::Candidate("a_long_file_name.bin", 0));
    EXPECT_EQ("~000000z", CBackupNames::Candidate("a_long_file_name.bin", 35));
    EXPECT_EQ("~0000010", CBackupNames::Candidate("a_long_file_name.bin", 36));
    EXPECT_EQ("~00", CBackupNames::Candidate("abc", 0));
    EXPECT_EQ("~zz", CBackupNames::Candidate("abc", 36 * 36 - 1));
    EXPECT_EQ("", CBackupNames::Candidate("abc", 36 * 36));
    EXPECT_EQ("~", CBackupNames::Candidate("a", 0));
    EXPECT_EQ("", CBackupNames::Candidate("a", 1000));
    // Two double-byte characters: two characters, so one "~" and one digit.
    EXPECT_EQ(2u, CBackupNames::CharacterCount("\x95\x5C\x83\x5C"));
    EXPECT_EQ("~5", CBackupNames::Candidate("\x95\x5C\x83\x5C", 5));
    for (const char* name : {"a", "ab", "abcdefgh", "\x95\x5C", "x.y"}) {
        std::vector<std::string> seen;
        for (uint64_t n = 0;; ++n) {
            std::string candidate = CBackupNames::Candidate(name, n);
            if (candidate.empty() || n > 2000)
                break;
            EXPECT_LE(CBackupNames::CharacterCount(candidate), CBackupNames::CharacterCount(name)) << candidate;
            EXPECT_TRUE(CJournal::IsSafeName(candidate)) << candidate;
            seen.push_back(candidate);
        }
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen.end(), std::adjacent_find(seen.begin(), seen.end())) << name;
        EXPECT_GE(seen.size(), 36u) << name;
    }
}

}  // namespace
