// The update staged, then switched in, on a folder tree in memory that can
// lose power between any two operations: whatever the cut, the next start
// leaves the game folder exactly as before or exactly as after the update,
// and a journal that does not check makes it touch nothing.
#include "update/StagingJournal.h"
#include "update/UpdateStaging.h"
#include "MemoryUpdateFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

const std::string kRoot = "C:\\game";
const uint32_t kRunId = 0x1234abcd;
const std::string kStaging = kRoot + "\\~QuillmoorUpdate-1234abcd";

typedef std::map<std::string, std::string> Tree;

// Three replaced files, two new ones, one of them in a new folder; a file
// the update leaves alone.
const std::vector<std::pair<std::string, std::string>> kUpdate = {
    {"a.txt", "new a"}, {"b\\b.txt", "new b"}, {"n.txt", "new n"}, {"c.dat", "new c"}, {"newdir\\x.txt", "new x"}};

void MakeGame(CMemoryUpdateFiles& files)
{
    files.AddFile(kRoot + "\\Quillmoor.exe", "game");
    files.AddFile(kRoot + "\\save\\save01.dat", "save");
    files.AddFile(kRoot + "\\a.txt", "old a");
    files.AddFile(kRoot + "\\b\\b.txt", "old b");
    files.AddFile(kRoot + "\\c.dat", "old c");
}

Tree After(Tree tree)
{
    for (const auto& file : kUpdate)
        tree[CMemoryUpdateFiles::Key(kRoot + "\\" + file.first)] = file.second;
    tree[CMemoryUpdateFiles::Key(kRoot + "\\newdir")] = "<dir>";
    return tree;
}

std::vector<std::string> Destinations()
{
    std::vector<std::string> paths;
    for (const auto& file : kUpdate)
        paths.push_back(kRoot + "\\" + file.first);
    return paths;
}

// The update as the job runs it: plan, stage and flush every file, write
// the switching record, switch, delete the backups.
void RunUpdate(CMemoryUpdateFiles& files)
{
    CUpdateStaging staging;
    staging.Plan(kRoot, Destinations(), files);
    ASSERT_TRUE(staging.Create(kRunId, files));
    for (size_t i = 0; i < kUpdate.size(); ++i) {
        ASSERT_EQ(0u, staging.CheckDestination(i, files)) << kUpdate[i].first;
        std::string staged = staging.StagedPath(staging.SlotOf(i));
        files.CreateOutput(staged);
        files.Write(staged, kUpdate[i].second);
        files.Flush(staged);
    }
    ASSERT_TRUE(staging.WriteSwitching(files));
    ASSERT_TRUE(staging.Switch(files)) << staging.FailedPath();
    ASSERT_TRUE(staging.Finish(files)) << staging.FailedPath();
}

// The next start: every staging folder settled, as Recover does.
void Recover(CMemoryUpdateFiles& files)
{
    for (const std::string& name : CUpdateStaging::FindFolders(kRoot, files)) {
        CUpdateStaging staging;
        switch (staging.Load(kRoot, name, files)) {
        case CUpdateStaging::kLoaded:
            ASSERT_TRUE(staging.Settle(files, false)) << staging.FailedPath() << " error " << staging.Error();
            break;
        case CUpdateStaging::kNoJournal:
            ASSERT_TRUE(CUpdateStaging::RemoveUnjournalled(kRoot, name, files)) << name;
            break;
        default:
            FAIL() << name << " read as damaged";
        }
    }
}

// Which files lose what they wrote since their last flush.
const std::function<bool(size_t)> kLosses[] = {
    [](size_t) { return false; },
    [](size_t) { return true; },
    [](size_t i) { return i % 2 == 1; },
};
const char* const kLossNames[] = {"kept", "lost", "every other lost"};

// Runs the update, cut after `cut` operations; false when it was not cut.
bool RunCut(CMemoryUpdateFiles& files, long cut)
{
    files.cutAfter = cut;
    try {
        RunUpdate(files);
    } catch (const CPowerCut&) {
        return true;
    }
    files.cutAfter = -1;
    return false;
}

std::string Describe(const Tree& expected, const Tree& actual)
{
    std::string text;
    for (const auto& entry : actual)
        if (!expected.count(entry.first) || expected.at(entry.first) != entry.second)
            text += "  extra or changed: " + entry.first + " = " + entry.second + "\n";
    for (const auto& entry : expected)
        if (!actual.count(entry.first))
            text += "  missing: " + entry.first + "\n";
    return text;
}

void ExpectBeforeOrAfter(const Tree& before, const Tree& after, const Tree& actual, const std::string& where)
{
    if (actual != before && actual != after)
        ADD_FAILURE() << where << ": neither as before nor as after.\nagainst before:\n"
                      << Describe(before, actual) << "against after:\n"
                      << Describe(after, actual);
}

TEST(UpdateStagingPowerCut, EveryCutEndsAsBeforeOrAsAfter)
{
    for (size_t loss = 0; loss < 3; ++loss) {
        for (long cut = 0;; ++cut) {
            CMemoryUpdateFiles files;
            MakeGame(files);
            Tree before = files.Tree();
            if (!RunCut(files, cut))
                break;
            files.PowerCut(kLosses[loss]);
            std::string where = "cut after " + std::to_string(cut) + ", data " + kLossNames[loss];
            Recover(files);
            ExpectBeforeOrAfter(before, After(before), files.Tree(), where);
            if (HasFailure())
                return;
        }
    }
}

// The recovery itself cut, at every point, then recovered again.
TEST(UpdateStagingPowerCut, RecoveryCutAnywhereIsRecoveredAgain)
{
    for (size_t loss = 0; loss < 3; ++loss) {
        for (long cut = 0;; ++cut) {
            CMemoryUpdateFiles probe;
            MakeGame(probe);
            if (!RunCut(probe, cut))
                break;
            for (long second = 0;; ++second) {
                CMemoryUpdateFiles files;
                MakeGame(files);
                Tree before = files.Tree();
                RunCut(files, cut);
                files.PowerCut(kLosses[loss]);
                files.cutAfter = second;
                bool cutAgain = false;
                try {
                    Recover(files);
                } catch (const CPowerCut&) {
                    cutAgain = true;
                }
                files.PowerCut(kLosses[loss]);
                Recover(files);
                ExpectBeforeOrAfter(before, After(before), files.Tree(),
                                    "cut after " + std::to_string(cut) + ", recovery cut after " +
                                        std::to_string(second) + ", data " + kLossNames[loss]);
                if (HasFailure())
                    return;
                if (!cutAgain)
                    break;
            }
        }
    }
}

// Another program puts a file at every destination the update has not
// filled when the power comes back: no original is lost, and the folder is
// as before (with those files) or as after (the update's files in place).
TEST(UpdateStagingPowerCut, ForeignFilesAtTheDestinationsAfterTheCut)
{
    for (size_t loss = 0; loss < 3; ++loss) {
        for (long cut = 0;; ++cut) {
            CMemoryUpdateFiles files;
            MakeGame(files);
            Tree before = files.Tree();
            if (!RunCut(files, cut))
                break;
            files.PowerCut(kLosses[loss]);
            for (const auto& file : kUpdate) {
                std::string path = kRoot + "\\" + file.first;
                if (files.GetKind(path) == CUpdateFiles::kMissing &&
                    files.GetKind(CMemoryUpdateFiles::Parent(path)) != CUpdateFiles::kFile) {
                    files.AddFile(path, "foreign " + file.first);
                    before[CMemoryUpdateFiles::Key(path)] = "foreign " + file.first;
                    before[CMemoryUpdateFiles::Key(CMemoryUpdateFiles::Parent(path))] = "<dir>";
                }
            }
            Recover(files);
            ExpectBeforeOrAfter(before, After(before), files.Tree(),
                                "cut after " + std::to_string(cut) + ", data " + kLossNames[loss]);
            if (HasFailure())
                return;
        }
    }
}

// The state just after the first slot was switched in, when acting on the
// journal would change the game folder.
void CutMidSwitch(CMemoryUpdateFiles& files)
{
    MakeGame(files);
    for (long cut = 0;; ++cut) {
        CMemoryUpdateFiles probe;
        MakeGame(probe);
        ASSERT_TRUE(RunCut(probe, cut)) << "the switch was never reached";
        if (probe.Bytes(kRoot + "\\a.txt") == "new a") {
            RunCut(files, cut);
            files.PowerCut(kLosses[0]);
            return;
        }
    }
}

TEST(UpdateStagingJournal, EveryBitFlipOfHeaderAndFirstRecordTouchesNothing)
{
    for (const char* name : {"plan.jnl", "switch.jnl"}) {
        CMemoryUpdateFiles original;
        CutMidSwitch(original);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(original.ReadFile(kStaging + "\\" + name, bytes));
        size_t span = CStagingJournal::kHeaderSize + 7 + (bytes[CStagingJournal::kHeaderSize + 1] |
                                                          bytes[CStagingJournal::kHeaderSize + 2] << 8);
        ASSERT_LE(span, bytes.size());
        for (size_t bit = 0; bit < span * 8; ++bit) {
            CMemoryUpdateFiles files = original;
            std::vector<uint8_t> flipped = bytes;
            flipped[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
            ASSERT_TRUE(files.RemoveFile(kStaging + "\\" + name));
            ASSERT_TRUE(files.WriteFile(kStaging + "\\" + name, flipped));
            Tree tree = files.Tree();
            CUpdateStaging staging;
            CUpdateStaging::LoadResult result = staging.Load(kRoot, "~QuillmoorUpdate-1234abcd", files);
            EXPECT_TRUE(result == CUpdateStaging::kDamaged || result == CUpdateStaging::kUnknownVersion)
                << name << " bit " << bit << " flipped: read as " << result;
            EXPECT_TRUE(staging.Settle(files, false));
            EXPECT_TRUE(tree == files.Tree()) << name << " bit " << bit << " flipped: something was touched";
        }
    }
}

// Journals that are whole but not this folder's, or out of order.
TEST(UpdateStagingJournal, RecordsOfAnotherPlaceOrRunAreDamage)
{
    std::vector<std::string> paths = {"a.txt", "b\\b.txt"};
    std::vector<uint8_t> plan, other;
    ASSERT_TRUE(CStagingJournal::WritePlan(kRunId, paths, plan));
    ASSERT_TRUE(CStagingJournal::WritePlan(kRunId + 1, paths, other));
    std::vector<std::string> read;
    EXPECT_EQ(CStagingJournal::kGood, CStagingJournal::ReadPlan(plan.data(), plan.size(), kRunId, read));
    EXPECT_EQ(paths, read);
    EXPECT_EQ(CStagingJournal::kDamaged, CStagingJournal::ReadPlan(other.data(), other.size(), kRunId, read))
        << "the plan of another run";
    // The two records swapped (each record is whole, with a good CRC of its
    // own bytes): its number is in its check.
    std::vector<uint8_t> swapped(plan.begin(), plan.begin() + CStagingJournal::kHeaderSize);
    size_t first = 7 + 5, second = 7 + 7;  // "a.txt", "b\b.txt"
    swapped.insert(swapped.end(), plan.begin() + CStagingJournal::kHeaderSize + first, plan.end());
    swapped.insert(swapped.end(), plan.begin() + CStagingJournal::kHeaderSize,
                   plan.begin() + CStagingJournal::kHeaderSize + first);
    ASSERT_EQ(plan.size(), swapped.size());
    ASSERT_EQ(CStagingJournal::kHeaderSize + first + second, plan.size());
    EXPECT_EQ(CStagingJournal::kDamaged, CStagingJournal::ReadPlan(swapped.data(), swapped.size(), kRunId, read));
    std::vector<uint8_t> longer = plan;
    longer.push_back(0);
    EXPECT_EQ(CStagingJournal::kDamaged, CStagingJournal::ReadPlan(longer.data(), longer.size(), kRunId, read));
    std::vector<uint8_t> later = plan;
    later[4] = CStagingJournal::kVersion + 1;
    EXPECT_EQ(CStagingJournal::kUnknownVersion,
              CStagingJournal::ReadPlan(later.data(), later.size(), kRunId, read));
    std::vector<uint8_t> record = CStagingJournal::WriteSwitching(kRunId, 2, 77);
    EXPECT_EQ(CStagingJournal::kGood, CStagingJournal::ReadSwitching(record.data(), record.size(), kRunId, 2, 77));
    EXPECT_EQ(CStagingJournal::kDamaged, CStagingJournal::ReadSwitching(record.data(), record.size(), kRunId, 2, 78))
        << "the switching record of another plan";
}

// A plan copied into a staging folder of another run is not acted on.
TEST(UpdateStagingJournal, PlanInAFolderOfAnotherIdIsDamage)
{
    CMemoryUpdateFiles files;
    CutMidSwitch(files);
    std::vector<uint8_t> plan;
    ASSERT_TRUE(files.ReadFile(kStaging + "\\plan.jnl", plan));
    files.AddFile(kRoot + "\\~QuillmoorUpdate-00000001\\plan.jnl", std::string(plan.begin(), plan.end()));
    CUpdateStaging staging;
    EXPECT_EQ(CUpdateStaging::kDamaged, staging.Load(kRoot, "~QuillmoorUpdate-00000001", files));
}

// Names the update will not write, and why; the rest are planned.
TEST(UpdateStagingPlan, UnsafeAndReservedDestinationsGetNoSlot)
{
    struct Case {
        std::string relative;
        uint32_t error;
    };
    const std::string longest(259 - kRoot.size() - 1, 'x');
    const Case cases[] = {
        {"SAVEDA~1.DAT", CUpdateFiles::kErrorInvalidName},  // may be another file's short name
        {"sub\\PROGR~12", CUpdateFiles::kErrorInvalidName},
        {"\x83\x5C~1.txt", CUpdateFiles::kErrorInvalidName},  // "ソ~1.txt": the tilde is a character of its own
        {"CON", CUpdateFiles::kErrorInvalidName},
        {"nul.txt", CUpdateFiles::kErrorInvalidName},
        {"data\\Com1.bin", CUpdateFiles::kErrorInvalidName},
        {"LPT9", CUpdateFiles::kErrorInvalidName},
        {"a\\..\\b.txt", CUpdateFiles::kErrorInvalidName},
        {"trailing.", CUpdateFiles::kErrorInvalidName},
        {"~QuillmoorUpdate-00000001\\x.txt", CUpdateFiles::kErrorAccessDenied},
        {"~quillmoorupdate.jnl", CUpdateFiles::kErrorAccessDenied},
        {longest + "y", CUpdateFiles::kErrorFilenameExcedRange},
        {longest, 0},
        {"SAVEDATA~1.DAT", 0},  // too long a base for a short name
        {"a~b.txt", 0},
        {"COM10.dat", 0},
        {"CONFIG.SYS", 0},
        {"\x83\x5C\x95\x5C.txt", 0},  // "ソ表.txt": trail bytes 0x5C
    };
    std::vector<std::string> paths;
    for (const Case& c : cases)
        paths.push_back(kRoot + "\\" + c.relative);
    CMemoryUpdateFiles files;
    MakeGame(files);
    CUpdateStaging staging;
    staging.Plan(kRoot, paths, files);
    for (size_t i = 0; i < paths.size(); ++i) {
        if (cases[i].error)
            EXPECT_EQ(CUpdateStaging::kNoSlot, staging.SlotOf(i)) << cases[i].relative;
        else
            EXPECT_NE(CUpdateStaging::kNoSlot, staging.SlotOf(i)) << cases[i].relative;
        EXPECT_EQ(cases[i].error, staging.CheckDestination(i, files)) << cases[i].relative;
    }
}

// What the check before each file's turn finds, with nothing changed.
TEST(UpdateStagingPlan, CheckOfTheDestinationChangesNothing)
{
    CMemoryUpdateFiles files;
    MakeGame(files);
    files.AddFile(kRoot + "\\ro.txt", "read-only", true);
    files.AddFile(kRoot + "\\blocker", "a file where a folder is needed");
    files.AddFolder(kRoot + "\\folder.txt");
    files.held.insert(CMemoryUpdateFiles::Key(kRoot + "\\a.txt"));
    const std::pair<std::string, uint32_t> cases[] = {
        {"a.txt", CMemoryUpdateFiles::kErrorSharingViolation}, {"ro.txt", CUpdateFiles::kErrorAccessDenied},
        {"blocker\\x.txt", CUpdateFiles::kErrorPathNotFound},  {"folder.txt", CUpdateFiles::kErrorAccessDenied},
        {"c.dat", 0},                                          {"new\\deeper\\x.txt", 0},
    };
    std::vector<std::string> paths;
    for (const auto& c : cases)
        paths.push_back(kRoot + "\\" + c.first);
    CUpdateStaging staging;
    staging.Plan(kRoot, paths, files);
    Tree tree = files.Tree();
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(cases[i].second, staging.CheckDestination(i, files)) << cases[i].first;
    EXPECT_TRUE(tree == files.Tree());
}

// Repeated destinations share a slot; the later copy wins.
TEST(UpdateStagingPlan, RepeatedDestinationsShareOneSlot)
{
    CMemoryUpdateFiles files;
    MakeGame(files);
    CUpdateStaging staging;
    staging.Plan(kRoot, {kRoot + "\\A.TXT", kRoot + "\\b\\b.txt", kRoot + "\\a.txt"}, files);
    EXPECT_EQ(2u, staging.SlotCount());
    EXPECT_EQ(staging.SlotOf(0), staging.SlotOf(2));
}

// A file put where the update must make a folder, after a cut in the
// switch: the roll forward cannot finish, so the switch is taken back and
// nothing is left stuck for the next start.
TEST(UpdateStagingRecovery, FileWhereAFolderIsNeededTakesTheSwitchBack)
{
    CMemoryUpdateFiles files;
    MakeGame(files);
    Tree before = files.Tree();
    CutMidSwitch(files);
    ASSERT_FALSE(files.Has(kRoot + "\\newdir"));
    files.AddFile(kRoot + "\\newdir", "another program's file");
    before[CMemoryUpdateFiles::Key(kRoot + "\\newdir")] = "another program's file";
    Recover(files);
    EXPECT_TRUE(before == files.Tree()) << Describe(before, files.Tree());
}

// Every file of the update staged, up to the switching record.
class UpdateStagingSwitch : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeGame(files);
        before = files.Tree();
        staging.Plan(kRoot, Destinations(), files);
        ASSERT_TRUE(staging.Create(kRunId, files));
        for (size_t i = 0; i < kUpdate.size(); ++i)
            ASSERT_TRUE(files.WriteFile(staging.StagedPath(staging.SlotOf(i)),
                                        std::vector<uint8_t>(kUpdate[i].second.begin(), kUpdate[i].second.end())));
    }
    CMemoryUpdateFiles files;
    Tree before;
    CUpdateStaging staging;
};

// A destination held by another program while the switch runs: the switch
// stops there and is taken back whole; a retry after the release finishes.
TEST_F(UpdateStagingSwitch, HeldDestinationIsTakenBackThenSwitchedOnRetry)
{
    files.held.insert(CMemoryUpdateFiles::Key(kRoot + "\\c.dat"));
    ASSERT_TRUE(staging.WriteSwitching(files));
    EXPECT_FALSE(staging.Switch(files));
    EXPECT_EQ(3u, staging.FailedSlot());
    EXPECT_EQ(CMemoryUpdateFiles::kErrorSharingViolation, staging.Error());
    ASSERT_TRUE(staging.TakeBack(files)) << staging.FailedPath();
    Tree staged = files.Tree();
    for (const auto& entry : before)
        EXPECT_EQ(entry.second, staged[entry.first]) << entry.first << " after the take-back";
    EXPECT_FALSE(files.Has(kRoot + "\\newdir"));
    files.held.clear();
    ASSERT_TRUE(staging.WriteSwitching(files));
    ASSERT_TRUE(staging.Switch(files));
    ASSERT_TRUE(staging.Finish(files));
    EXPECT_TRUE(After(before) == files.Tree()) << Describe(After(before), files.Tree());
}

// An original in use for a moment as it is moved aside (a reader had it
// open): the retry still keeps it as the backup the take-back restores.
TEST_F(UpdateStagingSwitch, OriginalBusyForAMomentIsStillTakenBack)
{
    files.busy[CMemoryUpdateFiles::Key(kRoot + "\\a.txt")] = 1;
    ASSERT_TRUE(staging.WriteSwitching(files));
    ASSERT_TRUE(staging.Switch(files)) << staging.FailedPath();
    EXPECT_EQ("old a", files.Tree()[CMemoryUpdateFiles::Key(kStaging + "\\0.old")]) << "the original's backup";
    ASSERT_TRUE(staging.TakeBack(files)) << staging.FailedPath();
    ASSERT_TRUE(staging.Discard(files)) << staging.FailedPath();
    EXPECT_TRUE(before == files.Tree()) << Describe(before, files.Tree());
}

// The switching record cannot be written (a full disk): nothing switched,
// and the staging folder goes without a trace.
TEST_F(UpdateStagingSwitch, SwitchingRecordNotWrittenLeavesTheFolderAsBefore)
{
    files.failWrites = true;
    EXPECT_FALSE(staging.WriteSwitching(files));
    EXPECT_FALSE(staging.IsSwitching());
    EXPECT_TRUE(staging.Settle(files, true));
    EXPECT_TRUE(before == files.Tree()) << Describe(before, files.Tree());
}

// A staging folder without its plan: removed only while it holds nothing but
// staged copies; with anything else it is left alone.
TEST(UpdateStagingRecovery, FolderWithoutAJournalIsRemovedOnlyWhenItHoldsNothingElse)
{
    CMemoryUpdateFiles files;
    MakeGame(files);
    files.AddFile(kStaging + "\\0.new", "staged");
    files.AddFile(kStaging + "\\plan.tmp", "");
    files.AddFile(kRoot + "\\~QuillmoorUpdate-00000002\\3.old", "an original");
    EXPECT_TRUE(CUpdateStaging::RemoveUnjournalled(kRoot, "~QuillmoorUpdate-1234abcd", files));
    EXPECT_FALSE(files.Has(kStaging));
    Tree tree = files.Tree();
    EXPECT_FALSE(CUpdateStaging::RemoveUnjournalled(kRoot, "~QuillmoorUpdate-00000002", files));
    EXPECT_TRUE(tree == files.Tree());
    // A backup without a switching record contradicts the plan: damage.
    CMemoryUpdateFiles staged;
    MakeGame(staged);
    CUpdateStaging staging;
    staging.Plan(kRoot, Destinations(), staged);
    ASSERT_TRUE(staging.Create(kRunId, staged));
    staged.AddFile(kStaging + "\\0.old", "old a");
    CUpdateStaging loaded;
    EXPECT_EQ(CUpdateStaging::kDamaged, loaded.Load(kRoot, "~QuillmoorUpdate-1234abcd", staged));
}

}  // namespace
