// The update's reversible steps and their list, on a folder tree in memory:
// the plan, the changes as they are made, rollback and commit, and recovery
// from the journal after the process was killed between any two changes.
#include "setup/CreateFileStep.h"
#include "setup/CreateFolderStep.h"
#include "setup/Journal.h"
#include "setup/ReplaceFileStep.h"
#include "setup/UpdateStepList.h"
#include "MemoryFileSystem.h"
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kRoot = "C:\\game";

struct Copy {
    std::string destination;  // below kRoot
    std::string bytes;
};

CJournal Parse(const CMemoryJournal& journal)
{
    CJournal parsed;
    EXPECT_TRUE(parsed.Parse(journal.bytes.data(), journal.bytes.size()));
    EXPECT_FALSE(parsed.IsDamaged());
    return parsed;
}

std::vector<std::string> Destinations(const std::vector<Copy>& copies)
{
    std::vector<std::string> paths;
    for (const Copy& copy : copies)
        paths.push_back(kRoot + "\\" + copy.destination);
    return paths;
}

// A game folder, the update's copies, and the steps of one run.
struct CUpdateScenario {
    CUpdateScenario()
    {
        files.AddFolder(kRoot);
        files.AddFile(kRoot + "\\game.exe", "game");
        files.AddFile(kRoot + "\\data\\a.pak", "old a");
        files.AddFile(kRoot + "\\data\\b.pak", "old b");
        files.AddFile(kRoot + "\\save\\save01.dat", "save");
        copies = {{"data\\a.pak", "new a, longer"},
                  {"data\\c.pak", "new c"},
                  {"movie\\op\\op.mpg", "movie"},
                  {"movie\\op\\ed.mpg", "ending"},
                  {"DATA\\A.PAK", "new a again"},
                  {"data\\b.pak", ""},
                  {"readme.txt", "read me"}};
    }
    CUpdateScenario(const CUpdateScenario&) = delete;

    // Plans, begins and copies everything; false at the first failure.
    bool CopyAll(CUpdateStepList& list)
    {
        list.Plan(kRoot, Destinations(copies), files);
        if (!list.Begin(journal))
            return false;
        for (size_t i = 0; i < copies.size(); ++i) {
            if (!list.Prepare(i, files))
                return false;
            // Two writes, so that a kill can fall inside a file.
            size_t half = copies[i].bytes.size() / 2;
            files.Write(copies[i].bytes.substr(0, half));
            files.Write(copies[i].bytes.substr(half));
        }
        return true;
    }

    // The tree after a whole update.
    std::map<std::string, std::string> After()
    {
        CMemoryFileSystem copy = files;
        for (const Copy& c : copies)
            copy.AddFile(kRoot + "\\" + c.destination, c.bytes);
        return copy.Tree();
    }

    CMemoryFileSystem files;
    CMemoryJournal journal{files};
    std::vector<Copy> copies;
};

class UpdateSteps : public ::testing::Test, public CUpdateScenario {};

TEST_F(UpdateSteps, PlanPutsFoldersBeforeTheirFilesAndSharesRepeatedDestinations)
{
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    std::vector<std::string> kinds;
    for (size_t i = 0; i < list.StepCount(); ++i) {
        const CUpdateStep& step = list.Step(i);
        std::string kind = step.IsFolder() ? "folder" : dynamic_cast<const CReplaceFileStep*>(&step) ? "replace" : "create";
        kinds.push_back(kind + " " + CUpdateStep::Relative(step.Path(), kRoot));
    }
    EXPECT_EQ(std::vector<std::string>({"replace data\\a.pak", "create data\\c.pak", "folder movie",
                                        "folder movie\\op", "create movie\\op\\op.mpg", "create movie\\op\\ed.mpg",
                                        "replace data\\b.pak", "create readme.txt"}),
              kinds);
    // Nothing changed by planning.
    EXPECT_TRUE(files.changes.empty());
}

TEST_F(UpdateSteps, BackupNamesAvoidTheFolderTheUpdateAndEachOther)
{
    files.AddFile(kRoot + "\\data\\~0000", "someone's");
    copies = {{"data\\a.pak", "1"}, {"data\\b.pak", "2"}, {"data\\~0001", "shipped"}};
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_EQ(3u, list.StepCount());
    auto& a = dynamic_cast<const CReplaceFileStep&>(list.Step(0));
    auto& b = dynamic_cast<const CReplaceFileStep&>(list.Step(1));
    EXPECT_EQ("~0002", a.BackupName()) << "one digit fewer than a.pak has characters";
    EXPECT_EQ("~0003", b.BackupName());
    EXPECT_EQ(kRoot + "\\data\\~0002", a.BackupPath());
}

TEST_F(UpdateSteps, DestinationsThatCannotBeMadeAreRefusedBeforeAnyChange)
{
    copies = {{"~QuillmoorUpdate.jnl", "x"}, {"..\\outside.txt", "x"}, {"game.exe\\inside.txt", "x"},
              {"ok.txt", "fine"}};
    CUpdateStepList list;
    std::vector<std::string> paths = Destinations(copies);
    paths.push_back("D:\\elsewhere\\x.txt");
    list.Plan(kRoot, paths, files);
    ASSERT_TRUE(list.Begin(journal));
    EXPECT_FALSE(list.Prepare(0, files));
    EXPECT_EQ(CStepFileSystem::kErrorAccessDenied, list.Error());
    EXPECT_FALSE(list.Prepare(1, files));
    EXPECT_EQ(CStepFileSystem::kErrorInvalidName, list.Error());
    EXPECT_FALSE(list.Prepare(2, files));
    EXPECT_EQ(CStepFileSystem::kErrorPathNotFound, list.Error());
    EXPECT_FALSE(list.Prepare(4, files));
    EXPECT_EQ(CStepFileSystem::kErrorInvalidName, list.Error());
    EXPECT_TRUE(list.Prepare(3, files));
    EXPECT_EQ(1u, list.StepCount());

    CUpdateStepList missing;
    missing.Plan("C:\\nowhere", {"C:\\nowhere\\a.txt"}, files);
    EXPECT_FALSE(missing.Prepare(0, files));
    EXPECT_EQ(CStepFileSystem::kErrorPathNotFound, missing.Error());
}

TEST_F(UpdateSteps, TheWholePlanIsJournalledAndFlushedBeforeTheFirstChange)
{
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    EXPECT_EQ(1, journal.flushes);
    ASSERT_EQ(1u, files.changes.size());
    EXPECT_EQ("journal-create", files.changes[0].op);
    CJournal parsed = Parse(journal);
    EXPECT_EQ(CJournal::kRunning, parsed.GetState());
    ASSERT_EQ(list.StepCount(), parsed.Records().size());
    for (size_t i = 0; i < list.StepCount(); ++i)
        EXPECT_EQ(list.Step(i).ToRecord(kRoot), parsed.Records()[i]);
}

TEST_F(UpdateSteps, CommitLeavesTheUpdateAndNothingElse)
{
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    EXPECT_EQ(CUpdateStepList::kCommitted, list.Commit(files));
    EXPECT_EQ(After(), files.Tree());
    EXPECT_FALSE(journal.exists);
    EXPECT_EQ(2, journal.flushes) << "one for the plan, one for the commit mark";
    EXPECT_EQ(0u, list.OpenCount());
}

TEST_F(UpdateSteps, RollbackLeavesTheTreeAsItWasFoldersIncluded)
{
    auto before = files.Tree();
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    EXPECT_TRUE(list.Rollback(files));
    EXPECT_EQ(before, files.Tree());
    EXPECT_FALSE(journal.exists);
}

TEST_F(UpdateSteps, RollbackAfterAFailureLeavesWhatWasNeverTriedAlone)
{
    auto before = files.Tree();
    copies[3].destination = "game.exe\\x";  // fails: a file is in the way
    CUpdateStepList list;
    EXPECT_FALSE(CopyAll(list));
    // A file that turns up later at a planned, untried destination is not ours.
    files.AddFile(kRoot + "\\readme.txt", "the user's");
    before[files.Key(kRoot + "\\readme.txt")] = "the user's";
    EXPECT_TRUE(list.Rollback(files));
    EXPECT_EQ(before, files.Tree());
}

TEST_F(UpdateSteps, FolderLeftWhenOthersPutFilesInIt)
{
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    files.AddFile(kRoot + "\\movie\\op\\user.txt", "mine");
    EXPECT_TRUE(list.Rollback(files));
    EXPECT_EQ("mine", files.Bytes(kRoot + "\\movie\\op\\user.txt"));
    EXPECT_EQ("old a", files.Bytes(kRoot + "\\data\\a.pak"));
    EXPECT_FALSE(files.Has(kRoot + "\\movie\\op\\op.mpg"));
}

TEST_F(UpdateSteps, ReadOnlyDestinationIsRefusedUntilTheAttributeIsCleared)
{
    files.AddFile(kRoot + "\\data\\a.pak", "old a", true);
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    size_t changes = files.changes.size();
    EXPECT_FALSE(list.Prepare(0, files));
    EXPECT_EQ(CStepFileSystem::kErrorAccessDenied, list.Error());
    EXPECT_EQ(kRoot + "\\data\\a.pak", list.FailedPath());
    EXPECT_EQ(changes, files.changes.size()) << "the read-only file was touched";
    files.nodes[files.Key(kRoot + "\\data\\a.pak")].readOnly = false;
    EXPECT_TRUE(list.Prepare(0, files)) << "Retry once the attribute is cleared";
    files.Write("new a");
    EXPECT_TRUE(list.Rollback(files));
    EXPECT_EQ("old a", files.Bytes(kRoot + "\\data\\a.pak"));
}

TEST_F(UpdateSteps, FolderAtTheDestinationIsRefusedAndNeverTouched)
{
    files.AddFolder(kRoot + "\\readme.txt");
    files.AddFile(kRoot + "\\readme.txt\\inside", "kept");
    auto before = files.Tree();
    CUpdateStepList list;
    EXPECT_FALSE(CopyAll(list));
    EXPECT_EQ(CStepFileSystem::kErrorAccessDenied, list.Error());
    EXPECT_TRUE(list.Rollback(files));
    EXPECT_EQ(before, files.Tree());
}

TEST_F(UpdateSteps, FileThatCameAfterThePlanIsReplacedNotDeleted)
{
    copies = {{"late.txt", "update's"}};
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    files.AddFile(kRoot + "\\late.txt", "came meanwhile");
    int flushes = journal.flushes;
    ASSERT_TRUE(list.Prepare(0, files));
    EXPECT_EQ(flushes + 1, journal.flushes) << "the new step is flushed before it is done";
    CJournal parsed = Parse(journal);
    ASSERT_EQ(3u, parsed.Records().size());
    EXPECT_EQ(CJournalRecord::kClosed, parsed.Records()[1].type);
    EXPECT_EQ(CJournalRecord::kReplaceFile, parsed.Records()[2].type);
    files.Write("update's");
    // A kill now: the next start must put the other program's file back.
    CMemoryJournal stored = journal;
    CUpdateStepList recovered;
    recovered.Load(kRoot, parsed, stored);
    EXPECT_TRUE(recovered.Recover(files));
    EXPECT_EQ("came meanwhile", files.Bytes(kRoot + "\\late.txt"));
}

TEST_F(UpdateSteps, FileGoneSinceThePlanIsCreatedAndRolledBack)
{
    copies = {{"data\\a.pak", "new"}};
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    files.nodes.erase(files.Key(kRoot + "\\data\\a.pak"));
    auto before = files.Tree();
    ASSERT_TRUE(list.Prepare(0, files));
    files.Write("new");
    CJournal parsed = Parse(journal);
    EXPECT_EQ(CJournalRecord::kCreateFile, parsed.Records().back().type);
    CUpdateStepList recovered;
    CMemoryJournal stored = journal;
    recovered.Load(kRoot, parsed, stored);
    EXPECT_TRUE(recovered.Recover(files));
    EXPECT_EQ(before, files.Tree());
}

TEST_F(UpdateSteps, TakenBackupNameIsReplacedByAFreeOne)
{
    copies = {{"data\\a.pak", "new"}};
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    files.AddFile(kRoot + "\\data\\~0000", "appeared");
    ASSERT_TRUE(list.Prepare(0, files));
    EXPECT_EQ("old a", files.Bytes(kRoot + "\\data\\~0001"));
    EXPECT_EQ("appeared", files.Bytes(kRoot + "\\data\\~0000"));
    EXPECT_EQ(CUpdateStepList::kCommitted, list.Commit(files));
    EXPECT_EQ("appeared", files.Bytes(kRoot + "\\data\\~0000"));
    EXPECT_FALSE(files.Has(kRoot + "\\data\\~0001"));
}

TEST_F(UpdateSteps, HeldFileIsRetriedThenStaysInTheJournalForTheNextStart)
{
    auto before = files.Tree();
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    std::string held = files.Key(kRoot + "\\movie\\op\\op.mpg");
    files.held.insert(held);
    EXPECT_FALSE(list.Rollback(files));
    EXPECT_EQ(CUpdateStepList::kAttempts - 1, files.pauses);
    EXPECT_EQ(kRoot + "\\movie\\op\\op.mpg", list.FailedPath());
    EXPECT_EQ(CMemoryFileSystem::kErrorSharingViolation, list.Error());
    // Everything else is back; the file, its folders and the journal stay.
    EXPECT_EQ("old a", files.Bytes(kRoot + "\\data\\a.pak"));
    EXPECT_TRUE(journal.exists);
    EXPECT_EQ(3u, list.OpenCount()) << "the file and its two folders";

    // Released: Retry completes it.
    files.held.clear();
    EXPECT_TRUE(list.Rollback(files));
    EXPECT_EQ(before, files.Tree());
    EXPECT_FALSE(journal.exists);
}

TEST_F(UpdateSteps, NextStartFinishesAHeldRollbackFromTheJournal)
{
    auto before = files.Tree();
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    files.held.insert(files.Key(kRoot + "\\data\\a.pak"));
    EXPECT_FALSE(list.Rollback(files));
    CJournal parsed = Parse(journal);
    size_t closed = 0;
    for (const CJournalRecord& record : parsed.Records())
        closed += record.type == CJournalRecord::kClosed;
    EXPECT_EQ(list.StepCount() - 1, closed) << "every step but the held one is closed";

    files.held.clear();
    CUpdateStepList next;
    next.Load(kRoot, parsed, journal);
    EXPECT_FALSE(next.IsCommitting());
    EXPECT_EQ(1u, next.OpenCount());
    EXPECT_TRUE(next.Recover(files));
    EXPECT_EQ(before, files.Tree());
    EXPECT_FALSE(journal.exists);
}

TEST_F(UpdateSteps, BackupHeldAtCommitIsLeftToTheNextStartWhichFinishesTheCommit)
{
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    auto& a = dynamic_cast<const CReplaceFileStep&>(list.Step(0));
    std::string backup = a.BackupPath();
    files.held.insert(files.Key(backup));
    EXPECT_EQ(CUpdateStepList::kLeftovers, list.Commit(files));
    EXPECT_EQ(backup, list.FailedPath());
    // Not a rollback once committing: Reset and the destructor finish it.
    files.held.clear();
    CJournal parsed = Parse(journal);
    EXPECT_EQ(CJournal::kCommitting, parsed.GetState());
    CUpdateStepList next;
    next.Load(kRoot, parsed, journal);
    EXPECT_TRUE(next.IsCommitting());
    EXPECT_TRUE(next.Recover(files));
    EXPECT_EQ(After(), files.Tree());
}

TEST_F(UpdateSteps, FullDiskForTheJournalStopsBeforeAnyChange)
{
    journal.failWrites = true;
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    EXPECT_FALSE(list.Begin(journal));
    EXPECT_EQ(112u, list.Error());
    EXPECT_EQ(kRoot + "\\~QuillmoorUpdate.jnl", list.FailedPath());
    EXPECT_TRUE(files.changes.empty());
    EXPECT_TRUE(list.Rollback(files));
}

// A run that dies after `kill` changes (-1: never); then the next start
// recovers from the journal as stored and may itself die after
// `recoveryKill` changes, in which case a third start recovers again.
struct CKilledUpdate : CUpdateScenario {
    // mode 0: copy and commit; 1: copy, then Cancel (rollback); 2: the last
    // entry fails, then rollback. True when the run was killed; committing
    // tells whether it had marked the journal committing by then.
    bool RunUntilKilled(int mode, long kill, bool* committing)
    {
        if (mode == 2)
            copies.back().destination = "game.exe\\x";
        files.killAfter = kill;
        CUpdateStepList list;
        bool killed = false;
        try {
            bool copied = CopyAll(list);
            if (mode == 0 && copied)
                list.Commit(files);
            else
                list.Rollback(files);
        } catch (const CKilled&) {
            killed = true;
        }
        *committing = list.IsCommitting();
        files.killAfter = -1;
        return killed;
    }

    void Recover(long recoveryKill)
    {
        for (int start = 0; start < 2 && journal.exists; ++start) {
            CJournal parsed;
            ASSERT_TRUE(parsed.Parse(journal.bytes.data(), journal.bytes.size()));
            CUpdateStepList next;
            next.Load(kRoot, parsed, journal);
            files.killAfter = start == 0 ? recoveryKill : -1;
            try {
                EXPECT_TRUE(next.Recover(files));
            } catch (const CKilled&) {
            }
            files.killAfter = -1;
        }
    }
};

TEST(KilledUpdate, EveryMomentEndsBeforeOrAfterNeverBetween)
{
    for (int mode = 0; mode < 3; ++mode) {
        long total;  // changes a whole run makes
        {
            CKilledUpdate probe;
            bool committing;
            probe.RunUntilKilled(mode, -1, &committing);
            total = static_cast<long>(probe.files.changes.size());
        }
        for (long kill = 0; kill <= total; ++kill) {
            for (long recoveryKill : {-1L, 0L, 1L, 3L}) {
                CKilledUpdate run;
                auto before = run.files.Tree();
                auto after = run.After();
                bool committing = false;
                bool killed = run.RunUntilKilled(mode, kill, &committing);
                run.Recover(recoveryKill);
                std::string where = "mode " + std::to_string(mode) + ", killed after " + std::to_string(kill) +
                                    " of " + std::to_string(total) + " changes, recovery killed after " +
                                    std::to_string(recoveryKill);
                EXPECT_EQ(kill < total, killed) << where;
                if (committing || (!killed && mode == 0))
                    EXPECT_EQ(after, run.files.Tree()) << where;
                else
                    EXPECT_EQ(before, run.files.Tree()) << where;
                EXPECT_FALSE(run.journal.exists) << where;
            }
        }
    }
}

// A journal damaged on disk makes the next start take back only what its
// good records name; nothing else is ever deleted or overwritten.
TEST_F(UpdateSteps, DamagedJournalTouchesOnlyWhatItsGoodRecordsName)
{
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    std::vector<uint8_t> stored = journal.bytes;
    for (size_t at = CJournal::kHeaderSize; at < stored.size(); at += 3) {
        CMemoryFileSystem disk = files;
        disk.changes.clear();
        CMemoryJournal damaged(disk);
        damaged.exists = true;
        damaged.bytes = stored;
        damaged.bytes[at] ^= 0x5A;
        CJournal parsed;
        ASSERT_TRUE(parsed.Parse(damaged.bytes.data(), damaged.bytes.size()));
        std::set<std::string> named;
        for (const CJournalRecord& record : parsed.Records())
            if (record.IsStep())
                named.insert(CMemoryFileSystem::Key(kRoot + "\\" + record.path));
        CUpdateStepList next;
        next.Load(kRoot, parsed, damaged);
        next.Recover(disk);
        for (const auto& change : disk.changes) {
            if (change.op == "delete" || change.op == "rmdir")
                EXPECT_TRUE(named.count(change.path)) << change.op << " " << change.path << " (byte " << at << ")";
            if (change.op == "rename")
                EXPECT_TRUE(named.count(change.to)) << "rename onto " << change.to << " (byte " << at << ")";
        }
    }
}

}  // namespace
