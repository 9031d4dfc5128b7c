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

#include <functional>
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

// The records as "create a.txt", "replace a.txt ~000", "begun 0" ...
std::vector<std::string> Describe(const CJournal& journal)
{
    static const char* const kNames[] = {"", "folder", "create", "replace", "closed", "begun", "made"};
    std::vector<std::string> lines;
    for (const CJournalRecord& record : journal.Records()) {
        std::string line = kNames[record.type];
        if (record.IsStep())
            line += " " + record.path + (record.backup.empty() ? "" : " " + record.backup);
        else
            line += " " + std::to_string(record.index);
        lines.push_back(line);
    }
    return lines;
}

// The changes made to the folder tree, the journal's left out.
size_t FolderChanges(const CMemoryFileSystem& files)
{
    size_t count = 0;
    for (const CMemoryFileSystem::Change& change : files.changes)
        count += change.op.compare(0, 8, "journal-") != 0;
    return count;
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

    // Plans, begins and copies everything; false at the first failure that
    // retry (when set) does not mend.
    bool CopyAll(CUpdateStepList& list)
    {
        list.Plan(kRoot, Destinations(copies), files);
        if (!list.Begin(journal))
            return false;
        if (afterBegin)
            afterBegin();
        for (size_t i = 0; i < copies.size(); ++i) {
            if (!list.Prepare(i, files) && !(retry && retry(i) && list.Prepare(i, files)))
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
    std::function<void()> afterBegin;
    std::function<bool(size_t)> retry;
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
    EXPECT_FALSE(list.Prepare(0, files));
    EXPECT_EQ(CStepFileSystem::kErrorAccessDenied, list.Error());
    EXPECT_EQ(kRoot + "\\data\\a.pak", list.FailedPath());
    EXPECT_EQ(0u, FolderChanges(files)) << "the read-only file was touched";
    // Refused before it began: a kill at the prompt leaves nothing for the
    // next start to take back.
    EXPECT_EQ(list.StepCount(), Parse(journal).Records().size()) << "marked begun";
    files.nodes[files.Key(kRoot + "\\data\\a.pak")].readOnly = false;
    EXPECT_TRUE(list.Prepare(0, files)) << "Retry once the attribute is cleared";
    std::vector<std::string> records = Describe(Parse(journal));
    EXPECT_EQ(std::vector<std::string>({"begun 0", "made 0"}),
              std::vector<std::string>(records.end() - 2, records.end()))
        << "begun anew by the retry";
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
    // The create step found the file only when it tried: begun, never made.
    EXPECT_EQ(std::vector<std::string>({"create late.txt", "begun 0", "closed 0", "replace late.txt ~0000000",
                                        "begun 1", "made 1"}),
              Describe(parsed));
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
    EXPECT_EQ(std::vector<std::string>(
                  {"replace data\\a.pak ~0000", "closed 0", "create data\\a.pak", "begun 1", "made 1"}),
              Describe(parsed));
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

TEST_F(UpdateSteps, EachStepIsMarkedBegunRightBeforeAndMadeRightAfterItsChange)
{
    CUpdateStepList list;
    ASSERT_TRUE(CopyAll(list));
    std::string ops;
    for (const CMemoryFileSystem::Change& change : files.changes)
        if (change.op != "write")
            ops += (ops.empty() ? "" : " ") + change.op;
    // Begun right before each change, made right after it, before a byte is
    // written; a repeated destination (DATA\A.PAK) is emptied without new
    // marks. The marks are written, not flushed, and none is written per
    // chunk. A new file is not looked for first: creating it finds one.
    EXPECT_EQ("journal-create journal-append rename create journal-append journal-append create journal-append "
              "journal-append mkdir journal-append journal-append mkdir journal-append journal-append create "
              "journal-append journal-append create journal-append truncate journal-append rename create "
              "journal-append journal-append create journal-append",
              ops);
    EXPECT_EQ(1, journal.flushes);
    std::vector<std::string> records = Describe(Parse(journal));
    ASSERT_LE(list.StepCount(), records.size());
    std::vector<std::string> marks(records.begin() + list.StepCount(), records.end());
    std::vector<std::string> expected;
    for (size_t i = 0; i < list.StepCount(); ++i) {
        expected.push_back("begun " + std::to_string(i));
        expected.push_back("made " + std::to_string(i));
    }
    EXPECT_EQ(expected, marks);
}

// A killed update, then another program puts files where the update had not
// got to: the next start takes back what the update did and leaves those.
TEST_F(UpdateSteps, FilesOthersPutAtDestinationsNotBegunSurviveTheNextStart)
{
    auto before = files.Tree();
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    for (size_t i = 0; i < 2; ++i) {  // a.pak replaced, c.pak created
        ASSERT_TRUE(list.Prepare(i, files));
        files.Write(copies[i].bytes);
    }
    files.AddFile(kRoot + "\\movie\\op\\ed.mpg", "theirs");
    files.AddFile(kRoot + "\\readme.txt", "theirs too");
    for (const char* added : {"\\movie", "\\movie\\op", "\\movie\\op\\ed.mpg", "\\readme.txt"})
        before[files.Key(kRoot + added)] = files.Tree()[files.Key(kRoot + added)];

    CUpdateStepList next;
    next.Load(kRoot, Parse(journal), journal);
    EXPECT_TRUE(next.Recover(files));
    EXPECT_EQ(before, files.Tree());
    EXPECT_FALSE(journal.exists);
}

// Killed between a new file's begun mark and its made mark: the update can
// have left only an empty file there. A file with bytes is another
// program's (it came after the kill, or was there when the create found it).
TEST_F(UpdateSteps, NewFileBegunButNotMadeIsTakenBackOnlyWhileEmpty)
{
    // Changes of c.pak's allowed (1: the begun mark; 2: the mark and the
    // create), and whether another program then puts a file there.
    for (auto kill : {std::make_pair(1L, false), std::make_pair(1L, true), std::make_pair(2L, false)}) {
        long allowed = kill.first;
        bool theirs = kill.second;
        {
            CUpdateScenario run;
            auto before = run.files.Tree();
            CUpdateStepList list;
            list.Plan(kRoot, Destinations(run.copies), run.files);
            ASSERT_TRUE(list.Begin(run.journal));
            ASSERT_TRUE(list.Prepare(0, run.files));
            run.files.Write(run.copies[0].bytes);
            run.files.killAfter = allowed;
            EXPECT_THROW(list.Prepare(1, run.files), CKilled);
            run.files.killAfter = -1;
            std::string where = std::to_string(allowed) + " changes of c.pak's, " + (theirs ? "theirs" : "none");
            ASSERT_EQ("begun 1", Describe(Parse(run.journal)).back()) << where;
            EXPECT_EQ(allowed == 2 ? "" : "<missing>", run.files.Bytes(kRoot + "\\data\\c.pak")) << where;
            if (theirs) {
                run.files.AddFile(kRoot + "\\data\\c.pak", "another program's");
                before[run.files.Key(kRoot + "\\data\\c.pak")] = "another program's";
            }
            CUpdateStepList next;
            next.Load(kRoot, Parse(run.journal), run.journal);
            EXPECT_TRUE(next.Recover(run.files)) << where;
            EXPECT_EQ(before, run.files.Tree()) << where;
            EXPECT_FALSE(run.journal.exists) << where;
        }
    }
}

// A journal of the first version has no marks: each of its steps counts as
// made, so what the killed update made is taken back.
TEST_F(UpdateSteps, JournalWithoutMarksCountsEveryStepMade)
{
    auto before = files.Tree();
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(list.Prepare(i, files));
        files.Write(copies[i].bytes.substr(0, 2));
    }
    std::vector<uint8_t> old = CJournal::Header(CJournal::kRunning, CJournal::kVersionWithoutMarks);
    CJournal written = Parse(journal);
    for (const CJournalRecord& record : written.Records()) {
        if (record.IsStep() || record.type == CJournalRecord::kClosed) {
            ASSERT_TRUE(CJournal::Append(record, old));
        }
    }
    journal.bytes = old;
    CJournal parsed;
    ASSERT_TRUE(parsed.Parse(old.data(), old.size()));
    EXPECT_FALSE(parsed.MarksBegun());
    CUpdateStepList next;
    next.Load(kRoot, parsed, journal);
    EXPECT_EQ(list.StepCount(), next.OpenCount());
    EXPECT_TRUE(next.Recover(files));
    EXPECT_EQ(before, files.Tree());
}

// The marks are not flushed: if the system went down, the journal may end
// with the plan. A replaced file's original is still put back; a created
// file whose mark is lost is left, never taken for the update's.
TEST_F(UpdateSteps, OriginalIsPutBackWhenItsBegunMarkWasLost)
{
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    std::vector<uint8_t> flushed = journal.bytes;
    for (size_t i = 0; i < 2; ++i) {
        ASSERT_TRUE(list.Prepare(i, files));
        files.Write(copies[i].bytes);
    }
    journal.bytes = flushed;
    CUpdateStepList next;
    next.Load(kRoot, Parse(journal), journal);
    EXPECT_TRUE(next.Recover(files));
    EXPECT_EQ("old a", files.Bytes(kRoot + "\\data\\a.pak"));
    EXPECT_FALSE(files.Has(kRoot + "\\data\\~0000")) << "the backup stayed";
    EXPECT_EQ("new c", files.Bytes(kRoot + "\\data\\c.pak"));
}

// Once committing, a step never begun has no backup of its own: a file of
// its backup's name is someone else's.
TEST_F(UpdateSteps, CommitDropsOnlyBackupsOfBegunSteps)
{
    copies = {{"data\\a.pak", "new a"}, {"data\\b.pak", "new b"}};
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    ASSERT_TRUE(list.Prepare(0, files));
    files.Write("new a");
    std::vector<uint8_t> bytes = journal.bytes;
    bytes[CJournal::kStateOffset] = CJournal::kCommitting;
    journal.bytes = bytes;
    files.AddFile(kRoot + "\\data\\~0001", "theirs");  // b.pak's planned backup name
    CUpdateStepList next;
    next.Load(kRoot, Parse(journal), journal);
    EXPECT_TRUE(next.Recover(files));
    EXPECT_FALSE(files.Has(kRoot + "\\data\\~0000"));
    EXPECT_EQ("theirs", files.Bytes(kRoot + "\\data\\~0001"));
    EXPECT_EQ("old b", files.Bytes(kRoot + "\\data\\b.pak"));
}

TEST_F(UpdateSteps, FolderThatCouldNotBeMadeIsMadeByARetry)
{
    copies = {{"movie\\op\\op.mpg", "movie"}};
    auto before = files.Tree();
    CUpdateStepList list;
    list.Plan(kRoot, Destinations(copies), files);
    ASSERT_TRUE(list.Begin(journal));
    files.AddFile(kRoot + "\\movie", "in the way");
    EXPECT_FALSE(list.Prepare(0, files));
    EXPECT_EQ(CStepFileSystem::kErrorAlreadyExists, list.Error());
    EXPECT_EQ(kRoot + "\\movie", list.FailedPath());
    files.nodes.erase(files.Key(kRoot + "\\movie"));
    EXPECT_TRUE(list.Prepare(0, files)) << "Retry once the file is gone";
    files.Write("movie");
    EXPECT_EQ("movie", files.Bytes(kRoot + "\\movie\\op\\op.mpg"));
    EXPECT_TRUE(list.Rollback(files));
    EXPECT_EQ(before, files.Tree());
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

// A run that dies after `kill` changes (-1: never); then other programs put
// files and folders at the destinations the run had not begun; then the next
// start recovers from the journal as stored and may itself die after
// `recoveryKill` changes, in which case a third start recovers again.
struct CKilledUpdate : CUpdateScenario {
    // mode 0: copy and commit; 1: copy, then Cancel (rollback); 2: the last
    // entry fails, then rollback; 3: a file turns up at a destination after
    // the plan, and the first file is read-only until a retry, then commit.
    // True when the run was killed; committing tells whether it had marked
    // the journal committing by then.
    bool RunUntilKilled(int mode, long kill, bool* committing)
    {
        if (mode == 2)
            copies.back().destination = "game.exe\\x";
        if (mode == 3) {
            files.nodes[files.Key(kRoot + "\\data\\a.pak")].readOnly = true;
            afterBegin = [this] {
                files.AddFile(kRoot + "\\readme.txt", "came meanwhile");
                before[files.Key(kRoot + "\\readme.txt")] = "came meanwhile";
            };
            retry = [this](size_t) {
                files.nodes[files.Key(kRoot + "\\data\\a.pak")].readOnly = false;
                return true;
            };
        }
        files.killAfter = kill;
        CUpdateStepList list;
        bool killed = false;
        try {
            bool copied = CopyAll(list);
            if ((mode == 0 || mode == 3) && copied)
                list.Commit(files);
            else
                list.Rollback(files);
        } catch (const CKilled&) {
            killed = true;
        }
        *committing = list.IsCommitting();
        files.killAfter = -1;
        // The attribute goes with the kill (the tree compares bytes only).
        files.nodes[files.Key(kRoot + "\\data\\a.pak")].readOnly = false;
        return killed;
    }

    // Puts a file or folder of another program at every free path of a step
    // the journal does not hold as having changed anything there (none once
    // committing). Each must survive the recovery; they join the tree
    // expected before the update.
    void PlaceForeignFiles()
    {
        CJournal parsed;
        if (!journal.exists || !parsed.Parse(journal.bytes.data(), journal.bytes.size()) ||
            parsed.GetState() == CJournal::kCommitting)
            return;
        std::vector<const CJournalRecord*> steps;
        std::vector<CJournalRecord::Type> last;  // a step's last mark holds
        for (const CJournalRecord& record : parsed.Records()) {
            if (record.IsStep()) {
                steps.push_back(&record);
                last.push_back(CJournalRecord::kClosed);
            } else {
                last[record.index] = record.type;
            }
        }
        // Paths of steps that may have made something there: begun ones,
        // except a new file begun but not made (it can be only an empty one,
        // and another program's has bytes).
        std::set<std::string> touched;
        for (size_t i = 0; i < steps.size(); ++i)
            if (last[i] == CJournalRecord::kMade ||
                (last[i] == CJournalRecord::kBegun && steps[i]->type != CJournalRecord::kCreateFile))
                touched.insert(CMemoryFileSystem::Key(kRoot + "\\" + steps[i]->path));
        for (const CJournalRecord* step : steps) {
            std::string path = kRoot + "\\" + step->path;
            if (step->type == CJournalRecord::kReplaceFile || touched.count(CMemoryFileSystem::Key(path)) ||
                files.Has(path) || files.GetKind(CMemoryFileSystem::Parent(path)) == CStepFileSystem::kFile)
                continue;
            if (step->type == CJournalRecord::kCreateFolder)
                files.AddFolder(path);
            else
                files.AddFile(path, "another program's");
            foreign.push_back(step->path);
            // It and the folders it needed are theirs.
            for (std::string key = CMemoryFileSystem::Key(path); key.size() > kRoot.size() && !before.count(key);
                 key = CMemoryFileSystem::Parent(key))
                expectedBefore[key] = files.Tree()[key];
        }
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

    std::map<std::string, std::string> before = files.Tree();
    std::map<std::string, std::string> expectedBefore;  // what others added
    std::vector<std::string> foreign;  // relative paths given to other programs
};

TEST(KilledUpdate, EveryMomentEndsBeforeOrAfterNeverBetween)
{
    for (int mode = 0; mode < 4; ++mode) {
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
                auto after = run.After();
                bool committing = false;
                bool killed = run.RunUntilKilled(mode, kill, &committing);
                run.PlaceForeignFiles();
                std::string where = "mode " + std::to_string(mode) + ", killed after " + std::to_string(kill) +
                                    " of " + std::to_string(total) + " changes, recovery killed after " +
                                    std::to_string(recoveryKill) + ", foreign files at";
                for (const std::string& path : run.foreign)
                    where += " " + path;
                auto expectedBefore = run.before;
                expectedBefore.insert(run.expectedBefore.begin(), run.expectedBefore.end());
                run.Recover(recoveryKill);
                EXPECT_EQ(kill < total, killed) << where;
                if (committing || (!killed && (mode == 0 || mode == 3))) {
                    EXPECT_TRUE(run.foreign.empty()) << where;
                    EXPECT_EQ(after, run.files.Tree()) << where;
                } else {
                    EXPECT_EQ(expectedBefore, run.files.Tree()) << where;
                }
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
            if (change.op == "delete" || change.op == "rmdir") {
                EXPECT_TRUE(named.count(change.path)) << change.op << " " << change.path << " (byte " << at << ")";
            }
            if (change.op == "rename") {
                EXPECT_TRUE(named.count(change.to)) << "rename onto " << change.to << " (byte " << at << ")";
            }
        }
    }
}

}  // namespace
