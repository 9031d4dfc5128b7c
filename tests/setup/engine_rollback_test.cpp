// The engine's steps on the real file system: a job that was stopped or
// failed never commits, rollback is checked and retried and tells what stays
// stuck, destinations that must not be replaced are refused, and the journal
// left in the game folder is acted on by the next start.
#include "framework/ThreadList.h"
#include "setup/InstallEngine.h"
#include "setup/Journal.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/WaitFor.h"
#include "TestEngine.h"
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kJournal = "~QuillmoorUpdate.jnl";

std::string Pattern(size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed * 17 + i * 7 + i / 251);
    return bytes;
}

// The system's text for an error, as the prompts show it.
std::string SystemMessage(DWORD error)
{
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, LANG_USER_DEFAULT, reinterpret_cast<char*>(&message), 0,
                   nullptr);
    std::string text = message ? message : "";
    LocalFree(message);
    return text;
}

HANDLE Hold(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file) << "cannot hold " << path;
    return file;
}

// The journal as it is now, read beside the job that writes it.
CJournal ReadJournal(const std::string& folder)
{
    std::string bytes;
    HANDLE file = CreateFileA((folder + "\\" + kJournal).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        bytes.resize(GetFileSize(file, nullptr));
        DWORD got = 0;
        if (!bytes.empty())
            ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr);
        bytes.resize(got);
        CloseHandle(file);
    }
    CJournal journal;
    EXPECT_TRUE(journal.Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
        << "no journal in " << folder;
    return journal;
}

class EngineRollback : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.reset(new CTestEngine);
        engine->SetSourceFolder(source, 1);
        engine->SetDestination(destination);
        engine->SetRequiredSize(1000000);
        PutFile(destination + "\\game.exe", "game");
        PutFile(destination + "\\keep.txt", "original keep");
    }
    void Source(const std::string& relative, const std::string& bytes)
    {
        PutFile(source + "\\" + relative, bytes);
        engine->AddFile(relative, 1);
    }
    // Nothing of the update, no backup and no journal.
    void ExpectAsBefore(const std::map<std::string, std::string>& before)
    {
        EXPECT_EQ("", TreeDifference(before, SnapshotTree(destination)));
    }

    CTempFolder sourceFolder{"rollback_source"};
    CTempFolder destinationFolder{"rollback_destination"};
    std::string source = sourceFolder.Path();
    std::string destination = destinationFolder.Path();
    std::unique_ptr<CTestEngine> engine;
};

// A stop that does not come through Abort, met inside the last file: the job
// must not commit (the truncated file would stay and the original go).
enum StopBy { kReset, kStopAll, kDestructor };

class EngineStoppedOutsideAbort : public EngineRollback, public ::testing::WithParamInterface<StopBy> {};

TEST_P(EngineStoppedOutsideAbort, NeverCommitsAndTheFolderIsAsBefore)
{
    PutFile(destination + "\\big.bin", "original big");
    auto before = SnapshotTree(destination);
    Source("new.txt", "new");
    Source("big.bin", Pattern(4 << 20, 1));
    std::atomic<bool> inBigFile(false);
    engine->progress = [&] {
        if (engine->GetCurrentDestination().find("big.bin") != std::string::npos) {
            inBigFile = true;
            Sleep(20);  // slow enough for the stop to land inside the file
        }
    };
    ASSERT_TRUE(engine->Begin());
    ASSERT_TRUE(WaitFor([&] { return inBigFile.load(); }));
    switch (GetParam()) {
    case kReset:
        engine->Reset();
        break;
    case kStopAll: {
        CThreadList::GetInstance().StopAll();
        EXPECT_TRUE(engine->IsFinished());
        EXPECT_TRUE(engine->IsCancelled()) << "a stopped job counts as failed";
        bool originalKept = false;
        for (const auto& entry : SnapshotTree(destination))
            originalKept = originalKept || entry.second == "original big";
        EXPECT_TRUE(originalKept) << "the original went before the rollback";
        EXPECT_TRUE(PathExists(destination + "\\" + kJournal)) << "committed";
        engine->Abort();
        break;
    }
    case kDestructor:
        engine.reset();
        break;
    }
    if (engine) {
        EXPECT_EQ(0u, engine->GetUndoCount());
    }
    ExpectAsBefore(before);
}

INSTANTIATE_TEST_SUITE_P(ResetStopAllDestructor, EngineStoppedOutsideAbort,
                         ::testing::Values(kReset, kStopAll, kDestructor));

TEST_F(EngineRollback, HeldNewFileIsRetriedThenReportedAndLeftForTheNextStart)
{
    auto before = SnapshotTree(destination);
    Source("sub\\new.txt", "new");
    Source("keep.txt", "replacement");
    engine->AddFile("missing.txt", 1);
    RunToEnd(*engine);
    ASSERT_TRUE(engine->IsCancelled());
    ASSERT_EQ(1u, engine->prompts.size());
    EXPECT_EQ("FileLoadError", engine->prompts[0].caption);

    // Another program holds the new file while the job is rolled back.
    std::string held = destination + "\\sub\\new.txt";
    HANDLE file = Hold(held);
    DWORD start = GetTickCount();
    engine->Abort();
    EXPECT_GE(GetTickCount() - start, 600u) << "the delete was not retried";
    ASSERT_EQ(2u, engine->prompts.size());
    const PromptCall& stuck = engine->prompts[1];
    EXPECT_EQ("RollbackError", stuck.caption);
    EXPECT_EQ(held + "\nファイルを元に戻せませんでした。[Error::Rollback]\nWindowsError:" +
                  SystemMessage(ERROR_SHARING_VIOLATION),
              stuck.text);
    EXPECT_EQ(UINT(MB_ICONERROR | MB_RETRYCANCEL), stuck.style);
    // Everything else is back; the held file, its folder and the journal stay.
    EXPECT_EQ("original keep", GetFile(destination + "\\keep.txt"));
    EXPECT_TRUE(PathExists(destination + "\\" + kJournal));
    CloseHandle(file);
    EXPECT_EQ("new", GetFile(held));

    // The next start completes it, silently.
    CTestEngine next;
    EXPECT_TRUE(next.Recover(destination));
    EXPECT_TRUE(next.prompts.empty());
    ExpectAsBefore(before);
}

TEST_F(EngineRollback, RetryAfterTheFileIsReleasedCompletesTheRollback)
{
    auto before = SnapshotTree(destination);
    Source("new.txt", "new");
    engine->AddFile("missing.txt", 1);
    RunToEnd(*engine);
    HANDLE file = Hold(destination + "\\new.txt");
    engine->answer = [&](const PromptCall& call) {
        if (call.caption == "RollbackError")
            CloseHandle(file);
        return call.caption == "RollbackError" ? IDRETRY : IDCANCEL;
    };
    engine->Abort();
    ASSERT_EQ(2u, engine->prompts.size());
    EXPECT_EQ("RollbackError", engine->prompts[1].caption);
    ExpectAsBefore(before);
}

TEST_F(EngineRollback, ReadOnlyDestinationIsRefusedThenReplacedOnceCleared)
{
    std::string path = destination + "\\ro.txt";
    PutFile(path, "read-only original");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    Source("ro.txt", "replacement");
    bool untouchedAtPrompt = false;
    engine->answer = [&](const PromptCall&) {
        untouchedAtPrompt = GetFile(path) == "read-only original" &&
                            (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) &&
                            SnapshotTree(destination).size() == 4;  // game.exe, keep.txt, ro.txt, journal
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return IDRETRY;
    };
    RunToEnd(*engine);
    ASSERT_EQ(1u, engine->prompts.size());
    EXPECT_EQ("FileCreateError", engine->prompts[0].caption);
    EXPECT_EQ(source + "\\ro.txt\nファイル読み込みに失敗しました。[Error::CreateFile]\nWindowsError:" +
                  SystemMessage(ERROR_ACCESS_DENIED),
              engine->prompts[0].text);
    EXPECT_TRUE(untouchedAtPrompt) << "the read-only file was renamed or changed before the prompt";
    EXPECT_FALSE(engine->IsCancelled());
    EXPECT_EQ("", TreeDifference({{"game.exe", "game"}, {"keep.txt", "original keep"}, {"ro.txt", "replacement"}},
                                 SnapshotTree(destination)));
}

TEST_F(EngineRollback, ReadOnlyDestinationCancelKeepsItAsItWas)
{
    std::string path = destination + "\\ro.txt";
    PutFile(path, "read-only original");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    auto before = SnapshotTree(destination);
    Source("first.txt", "first");
    Source("ro.txt", "replacement");
    RunToEnd(*engine);
    EXPECT_TRUE(engine->IsCancelled());
    engine->Abort();
    ExpectAsBefore(before);
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(EngineRollback, FolderAtTheDestinationIsRefusedAndNeverTouched)
{
    PutFile(destination + "\\data.pak\\inside.txt", "a folder named like the file");
    auto before = SnapshotTree(destination);
    Source("data.pak", "the file");
    RunToEnd(*engine);
    ASSERT_EQ(1u, engine->prompts.size());
    EXPECT_EQ("FileCreateError", engine->prompts[0].caption);
    EXPECT_EQ(source + "\\data.pak\nファイル読み込みに失敗しました。[Error::CreateFile]\nWindowsError:" +
                  SystemMessage(ERROR_ACCESS_DENIED),
              engine->prompts[0].text);
    engine->Abort();
    ExpectAsBefore(before);
}

// A file whose path is MAX_PATH - 1 bytes long: its backup must fit too.
TEST_F(EngineRollback, LongestPathIsReplacedCommittedAndRolledBack)
{
    std::string folder = "deep";
    while (destination.size() + 1 + folder.size() + 1 + 8 < MAX_PATH - 1 - 40)
        folder += "\\" + std::string(30, 'f');
    std::string name(MAX_PATH - 1 - destination.size() - 1 - folder.size() - 1, 'n');
    std::string relative = folder + "\\" + name;
    std::string path = destination + "\\" + relative;
    ASSERT_EQ(size_t(MAX_PATH - 1), path.size());
    ASSERT_TRUE(PutFile(path, "long original"));
    auto before = SnapshotTree(destination);

    Source(relative, "long replacement");
    engine->AddFile("missing.txt", 1);
    std::string backupSeen;
    engine->answer = [&](const PromptCall&) {
        for (const auto& entry : SnapshotTree(destination + "\\" + folder))
            if (entry.second == "long original")
                backupSeen = entry.first;
        return IDCANCEL;
    };
    RunToEnd(*engine);
    EXPECT_EQ("FileLoadError", engine->prompts.at(0).caption) << "the long file itself failed";
    EXPECT_EQ("long replacement", GetFile(path));
    EXPECT_LE(backupSeen.size(), name.size()) << "backup " << backupSeen;
    EXPECT_EQ('~', backupSeen[0]);
    engine->Abort();
    ExpectAsBefore(before);

    CTestEngine again;
    again.SetSourceFolder(source, 1);
    again.SetDestination(destination);
    again.SetRequiredSize(1000000);
    again.AddFile(relative, 1);
    RunToEnd(again);
    EXPECT_TRUE(again.prompts.empty());
    EXPECT_EQ("long replacement", GetFile(path));
    EXPECT_EQ(1u, SnapshotTree(destination + "\\" + folder).size()) << "a backup stayed beside the file";
}

TEST_F(EngineRollback, ThePlanIsOnDiskBeforeTheFirstChange)
{
    auto before = SnapshotTree(destination);
    engine->AddFile("missing.txt", 1);  // prompts before anything is copied
    Source("sub\\deeper\\new.txt", "new");
    Source("keep.txt", "replacement");
    std::vector<CJournalRecord> atPrompt;
    std::map<std::string, std::string> treeAtPrompt;
    engine->answer = [&](const PromptCall&) {
        atPrompt = ReadJournal(destination).Records();
        treeAtPrompt = SnapshotTree(destination);
        return IDCANCEL;
    };
    RunToEnd(*engine);
    ASSERT_EQ(5u, atPrompt.size());
    EXPECT_EQ(CJournalRecord::kCreateFile, atPrompt[0].type);
    EXPECT_EQ("missing.txt", atPrompt[0].path);
    EXPECT_EQ(CJournalRecord::kCreateFolder, atPrompt[1].type);
    EXPECT_EQ("sub", atPrompt[1].path);
    EXPECT_EQ("sub\\deeper", atPrompt[2].path);
    EXPECT_EQ("sub\\deeper\\new.txt", atPrompt[3].path);
    EXPECT_EQ(CJournalRecord::kReplaceFile, atPrompt[4].type);
    EXPECT_EQ("keep.txt", atPrompt[4].path);
    EXPECT_EQ(8u, atPrompt[4].backup.size()) << "as long as keep.txt, no longer";
    treeAtPrompt.erase(kJournal);
    EXPECT_EQ("", TreeDifference(before, treeAtPrompt)) << "changed before the journal";
    engine->Abort();
    ExpectAsBefore(before);
}

TEST_F(EngineRollback, CreatedFoldersGoAgainWithTheirFiles)
{
    PutFile(destination + "\\old\\kept.txt", "kept");
    auto before = SnapshotTree(destination);
    Source("old\\new\\a.txt", "a");
    Source("fresh\\b\\c\\d.txt", "d");
    engine->AddFile("missing.txt", 1);
    RunToEnd(*engine);
    EXPECT_TRUE(PathExists(destination + "\\fresh\\b\\c\\d.txt"));
    engine->Abort();
    ExpectAsBefore(before);
}

TEST_F(EngineRollback, BackupHeldAtCommitIsReportedAndDeletedByTheNextStart)
{
    Source("keep.txt", "replacement");
    Source("last.txt", Pattern(100000, 2));
    HANDLE backup = INVALID_HANDLE_VALUE;
    engine->progress = [&] {
        if (backup != INVALID_HANDLE_VALUE || engine->GetCurrentDestination().find("last.txt") == std::string::npos)
            return;
        for (const auto& entry : SnapshotTree(destination))
            if (entry.second == "original keep")
                backup = Hold(destination + "\\" + entry.first);
    };
    RunToEnd(*engine);
    ASSERT_NE(INVALID_HANDLE_VALUE, backup);
    ASSERT_EQ(1u, engine->prompts.size());
    EXPECT_EQ("DeleteFileError", engine->prompts[0].caption);
    EXPECT_NE(std::string::npos, engine->prompts[0].text.find("\nファイル削除に失敗しました。[Error::DeleteFile]\nWindowsError:"));
    EXPECT_TRUE(engine->IsFinished());
    EXPECT_FALSE(engine->IsCancelled()) << "every file is in place: a success";
    engine.reset();  // tries once more; nothing is rolled back once committing
    EXPECT_TRUE(PathExists(destination + "\\" + kJournal));
    CloseHandle(backup);

    CTestEngine next;
    EXPECT_TRUE(next.Recover(destination));
    EXPECT_EQ("", TreeDifference({{"game.exe", "game"}, {"keep.txt", "replacement"}, {"last.txt", Pattern(100000, 2)}},
                                 SnapshotTree(destination)));
}

// Journals as a killed update leaves them, acted on by the next start.
class EngineRecover : public EngineRollback {
protected:
    void WriteJournal(CJournal::State state, const std::vector<CJournalRecord>& records, size_t cut = 0,
                      uint8_t version = CJournal::kVersion)
    {
        std::vector<uint8_t> bytes = CJournal::Header(state, version);
        for (const CJournalRecord& record : records)
            ASSERT_TRUE(CJournal::Append(record, bytes));
        bytes.resize(bytes.size() - cut);
        PutFile(destination + "\\" + kJournal, std::string(bytes.begin(), bytes.end()));
    }
    static CJournalRecord Record(CJournalRecord::Type type, const std::string& path, const std::string& backup = "")
    {
        CJournalRecord record;
        record.type = type;
        record.path = path;
        record.backup = backup;
        return record;
    }
    static CJournalRecord Mark(CJournalRecord::Type type, uint32_t index)
    {
        CJournalRecord record;
        record.type = type;
        record.index = index;
        return record;
    }
    static CJournalRecord Begun(uint32_t index) { return Mark(CJournalRecord::kBegun, index); }
    static CJournalRecord Made(uint32_t index) { return Mark(CJournalRecord::kMade, index); }
    // A run killed after it made sub, sub\new.txt and replaced keep.txt.
    void LeaveKilledRun()
    {
        PutFile(destination + "\\sub\\new.txt", "partial new");
        MoveFileA((destination + "\\keep.txt").c_str(), (destination + "\\~000000").c_str());
        PutFile(destination + "\\keep.txt", "partial replace");
    }
    // Its plan; with marks, the three steps it made.
    std::vector<CJournalRecord> Plan(bool marks = true)
    {
        std::vector<CJournalRecord> records = {
            Record(CJournalRecord::kCreateFolder, "sub"), Record(CJournalRecord::kCreateFile, "sub\\new.txt"),
            Record(CJournalRecord::kReplaceFile, "keep.txt", "~000000"),
            Record(CJournalRecord::kCreateFile, "later.txt")};
        if (marks)
            records.insert(records.end(), {Begun(0), Made(0), Begun(1), Made(1), Begun(2), Made(2)});
        return records;
    }
};

TEST_F(EngineRecover, RunningJournalIsRolledBack)
{
    auto before = SnapshotTree(destination);
    LeaveKilledRun();
    WriteJournal(CJournal::kRunning, Plan());
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_TRUE(engine->prompts.empty());
    ExpectAsBefore(before);
}

// The killed run had not begun later.txt; another program made a file of
// that name before the next start. It is not the update's and stays.
TEST_F(EngineRecover, FileAtADestinationNotBegunIsLeftToItsOwner)
{
    LeaveKilledRun();
    PutFile(destination + "\\later.txt", "another program's");
    PutFile(destination + "\\sub\\later\\deep.txt", "another program's too");
    std::vector<CJournalRecord> records = Plan();
    records.push_back(Record(CJournalRecord::kCreateFolder, "sub\\later"));
    records.push_back(Record(CJournalRecord::kCreateFile, "sub\\later\\deep.txt"));
    WriteJournal(CJournal::kRunning, records);
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_TRUE(engine->prompts.empty());
    EXPECT_EQ("", TreeDifference({{"game.exe", "game"}, {"keep.txt", "original keep"},
                                  {"later.txt", "another program's"}, {"sub", "<dir>"}, {"sub\\later", "<dir>"},
                                  {"sub\\later\\deep.txt", "another program's too"}},
                                 SnapshotTree(destination)));
}

// Killed between a new file's begun and made marks: the update can have
// left only an empty file. One with bytes came from another program.
TEST_F(EngineRecover, FileBegunButNotMadeIsDeletedOnlyWhileEmpty)
{
    LeaveKilledRun();
    PutFile(destination + "\\later.txt", "another program's");
    PutFile(destination + "\\empty.txt", "");
    PutFile(destination + "\\sub\\deep.txt", "");
    std::vector<CJournalRecord> records = Plan();
    records.push_back(Record(CJournalRecord::kCreateFile, "empty.txt"));
    records.push_back(Record(CJournalRecord::kCreateFile, "gone.txt"));
    records.push_back(Record(CJournalRecord::kCreateFile, "sub\\deep.txt"));
    records.insert(records.end(), {Begun(3), Begun(4), Begun(5), Begun(6)});
    WriteJournal(CJournal::kRunning, records);
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_TRUE(engine->prompts.empty());
    EXPECT_EQ("", TreeDifference({{"game.exe", "game"}, {"keep.txt", "original keep"},
                                  {"later.txt", "another program's"}},
                                 SnapshotTree(destination)));
}

// A journal as the version before the marks wrote it: every step counts as
// made and is taken back.
TEST_F(EngineRecover, JournalWithoutMarksIsRolledBack)
{
    auto before = SnapshotTree(destination);
    LeaveKilledRun();
    PutFile(destination + "\\later.txt", "partial later");
    WriteJournal(CJournal::kRunning, Plan(false), 0, CJournal::kVersionWithoutMarks);
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_TRUE(engine->prompts.empty());
    ExpectAsBefore(before);
}

TEST_F(EngineRecover, CommittingJournalIsFinished)
{
    LeaveKilledRun();
    PutFile(destination + "\\later.txt", "later");
    std::vector<CJournalRecord> records = Plan();
    records.push_back(Begun(3));
    WriteJournal(CJournal::kCommitting, records);
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_EQ("", TreeDifference({{"game.exe", "game"}, {"keep.txt", "partial replace"}, {"sub", "<dir>"},
                                  {"sub\\new.txt", "partial new"}, {"later.txt", "later"}},
                                 SnapshotTree(destination)));
}

TEST_F(EngineRecover, DamagedTailIsCutAndOnlyGoodRecordsAreActedOn)
{
    LeaveKilledRun();
    PutFile(destination + "\\later.txt", "not the update's: its begun mark is cut");
    std::vector<CJournalRecord> records = Plan();
    records.push_back(Begun(3));
    WriteJournal(CJournal::kRunning, records, 3);
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_EQ("", TreeDifference({{"game.exe", "game"}, {"keep.txt", "original keep"},
                                  {"later.txt", "not the update's: its begun mark is cut"}},
                                 SnapshotTree(destination)));
}

TEST_F(EngineRecover, FileThatIsNoJournalIsRemovedAndNothingElseTouched)
{
    auto before = SnapshotTree(destination);
    PutFile(destination + "\\" + kJournal, "sub\\new.txt keep.txt game.exe");
    EXPECT_TRUE(engine->Recover(destination));
    ExpectAsBefore(before);
}

TEST_F(EngineRecover, NoJournalNothingToDo)
{
    auto before = SnapshotTree(destination);
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_TRUE(engine->Recover(destination + "\\not there"));
    ExpectAsBefore(before);
}

TEST_F(EngineRecover, StuckStepIsReportedAndCancelKeepsTheJournal)
{
    LeaveKilledRun();
    WriteJournal(CJournal::kRunning, Plan());
    HANDLE file = Hold(destination + "\\sub\\new.txt");
    EXPECT_FALSE(engine->Recover(destination));
    ASSERT_EQ(1u, engine->prompts.size());
    EXPECT_EQ("RollbackError", engine->prompts[0].caption);
    EXPECT_EQ("original keep", GetFile(destination + "\\keep.txt"));
    EXPECT_TRUE(PathExists(destination + "\\" + kJournal));
    CloseHandle(file);
    EXPECT_TRUE(engine->Recover(destination));
    EXPECT_FALSE(PathExists(destination + "\\sub"));
    EXPECT_FALSE(PathExists(destination + "\\" + kJournal));
}

}  // namespace
