// The engine's staging and switch on the real file system: the game folder
// is untouched until every file is staged, a switch that cannot finish is
// taken back before the user is asked, and what an earlier run left is
// settled by the next start, or reported and left alone when its journal
// cannot be trusted.
#include "framework/ThreadList.h"
#include "update/FileFlusher.h"
#include "setup/InstallEngine.h"
#include "update/LegacyJournal.h"
#include "update/StagingJournal.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/TraceCapture.h"
#include "common/WaitFor.h"
#include "TestEngine.h"
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef std::map<std::string, std::string> Tree;
const char* const kCreateFailed = "\nファイル読み込みに失敗しました。[Error::CreateFile]\nWindowsError:";

std::string Pattern(size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed * 17 + i * 7 + i / 251);
    return bytes;
}

std::string SystemMessage(DWORD error)
{
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, LANG_USER_DEFAULT, reinterpret_cast<char*>(&message), 0, nullptr);
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

class EngineStaging : public ::testing::Test {
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
    // The game folder without the staging folder, and that folder's names.
    Tree Game(std::vector<std::string>* staged = nullptr)
    {
        Tree tree, game = SnapshotTree(destination);
        for (const auto& entry : game) {
            if (entry.first.compare(0, 17, "~QuillmoorUpdate-") != 0)
                tree.insert(entry);
            else if (staged && entry.first.size() > 26)
                staged->push_back(entry.first.substr(26));
        }
        return tree;
    }
    void ExpectOnly(const Tree& expected) { EXPECT_EQ("", TreeDifference(expected, SnapshotTree(destination))); }

    CTempFolder sourceFolder{"staging_source"};
    CTempFolder destinationFolder{"staging_destination"};
    std::string source = sourceFolder.Path();
    std::string destination = destinationFolder.Path();
    std::unique_ptr<CTestEngine> engine;
};

// A stop that does not come through Abort, met inside the last file: the
// job never switches, and what settles it leaves the folder as it was.
enum StopBy { kReset, kStopAll, kDestructor };
class EngineStoppedOutsideAbort : public EngineStaging, public ::testing::WithParamInterface<StopBy> {};

TEST_P(EngineStoppedOutsideAbort, NeverSwitchesAndTheFolderIsAsBefore)
{
    PutFile(destination + "\\big.bin", "original big");
    Tree before = SnapshotTree(destination);
    Source("new.txt", "new");
    Source("big.bin", Pattern(4 << 20, 1));
    std::atomic<bool> inBigFile(false);
    engine->progress = [&] {
        if (engine->GetCurrentDestination().find("big.bin") != std::string::npos) {
            inBigFile = true;
            Sleep(20);
        }
    };
    ASSERT_TRUE(engine->Begin());
    ASSERT_TRUE(WaitFor([&] { return inBigFile.load(); }));
    switch (GetParam()) {
    case kReset:
        engine->Reset();
        break;
    case kStopAll:
        CThreadList::GetInstance().StopAll();
        EXPECT_TRUE(engine->IsFinished() && engine->IsCancelled()) << "a stopped job counts as failed";
        EXPECT_EQ("", TreeDifference(before, Game())) << "switched although stopped";
        engine->Abort();
        break;
    case kDestructor:
        engine.reset();
        break;
    }
    ExpectOnly(before);
}

INSTANTIATE_TEST_SUITE_P(ResetStopAllDestructor, EngineStoppedOutsideAbort,
                         ::testing::Values(kReset, kStopAll, kDestructor));

TEST_F(EngineStaging, TheGameFolderIsUntouchedUntilEveryFileIsStaged)
{
    Tree before = SnapshotTree(destination);
    Source("keep.txt", "replacement");
    Source("sub\\deeper\\new.txt", "new");
    Source("KEEP.TXT", "replacement again");  // the same destination: one slot
    engine->AddFile("missing.txt", 1);
    Tree gameAtPrompt;
    std::vector<std::string> stagedAtPrompt;
    engine->answer = [&](const PromptCall&) {
        gameAtPrompt = Game(&stagedAtPrompt);
        return IDCANCEL;
    };
    RunToEnd(*engine);
    EXPECT_EQ("", TreeDifference(before, gameAtPrompt));
    EXPECT_EQ(std::vector<std::string>({"0.new", "1.new", "plan.jnl"}), stagedAtPrompt);
    engine->Abort();
    ExpectOnly(before);
}

// Another program takes a destination after its turn: the switch stops
// there, is taken back, and only then asks; Retry switches everything.
TEST_F(EngineStaging, HeldDestinationAtTheSwitchIsTakenBackBeforeThePrompt)
{
    for (int answer : {IDRETRY, IDCANCEL}) {
        SetUp();
        Tree before = SnapshotTree(destination);
        Source("new\\a.txt", "a");
        Source("keep.txt", "replacement");
        Source("last.txt", Pattern(100000, 2));
        HANDLE held = INVALID_HANDLE_VALUE;
        engine->progress = [&] {
            if (held == INVALID_HANDLE_VALUE && engine->GetCurrentDestination().find("last.txt") != std::string::npos)
                held = Hold(destination + "\\keep.txt");
        };
        Tree atPrompt;
        engine->answer = [&](const PromptCall&) {
            CloseHandle(held);  // first: a file held without sharing cannot be read
            atPrompt = Game();
            return answer;
        };
        RunToEnd(*engine);
        ASSERT_EQ(1u, engine->prompts.size());
        EXPECT_EQ("FileCreateError", engine->prompts[0].caption);
        EXPECT_EQ(source + "\\keep.txt" + kCreateFailed + SystemMessage(ERROR_SHARING_VIOLATION),
                  engine->prompts[0].text);
        EXPECT_EQ("", TreeDifference(before, atPrompt)) << "the switch was not taken back";
        if (answer == IDCANCEL) {
            EXPECT_TRUE(engine->IsCancelled());
            engine->Abort();
            ExpectOnly(before);
        } else {
            EXPECT_FALSE(engine->IsCancelled());
            ExpectOnly({{"game.exe", "game"}, {"keep.txt", "replacement"}, {"new", "<dir>"},
                        {"new\\a.txt", "a"}, {"last.txt", Pattern(100000, 2)}});
        }
    }
}

// What the check before each file's turn refuses, with the system's words,
// and the game folder never touched for it.
TEST_F(EngineStaging, RefusedDestinationsPromptAtTheirTurn)
{
    std::string longest = std::string(MAX_PATH - 1 - destination.size() - 1, 'n');
    PutFile(destination + "\\data.pak\\inside.txt", "a folder named like the file");
    PutFile(destination + "\\ro.txt", "read-only original");
    SetFileAttributesA((destination + "\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::pair<std::string, DWORD> cases[] = {
        {"data.pak", ERROR_ACCESS_DENIED},      {"ro.txt", ERROR_ACCESS_DENIED},
        {"SAVEDA~1.DAT", ERROR_INVALID_NAME},   {"game.exe\\x.txt", ERROR_PATH_NOT_FOUND},
        {longest + "x", ERROR_FILENAME_EXCED_RANGE},
    };
    Tree before = SnapshotTree(destination);
    for (const auto& c : cases) {
        engine.reset(new CTestEngine);
        engine->SetSourceFolder(source, 1);
        engine->SetDestination(destination);
        engine->SetRequiredSize(1000000);
        Source("first.txt", "first");
        PutFile(source + "\\" + c.first, "the file");
        engine->AddFile(c.first, 1);
        RunToEnd(*engine);
        ASSERT_EQ(1u, engine->prompts.size()) << c.first;
        EXPECT_EQ("FileCreateError", engine->prompts[0].caption) << c.first;
        EXPECT_EQ(source + "\\" + c.first + kCreateFailed + SystemMessage(c.second), engine->prompts[0].text);
        engine->Abort();
        ExpectOnly(before);
    }
    SetFileAttributesA((destination + "\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    // The longest path the system takes is switched in.
    engine.reset(new CTestEngine);
    engine->SetSourceFolder(source, 1);
    engine->SetDestination(destination);
    engine->SetRequiredSize(1000000);
    PutFile(destination + "\\" + longest, "long original");
    Source(longest, "long replacement");
    RunToEnd(*engine);
    EXPECT_TRUE(engine->prompts.empty());
    EXPECT_EQ("long replacement", GetFile(destination + "\\" + longest));
}

// A backup held once every file is in place: reported, and on Cancel left
// for the next start, with no success counted and no second prompt.
TEST_F(EngineStaging, BackupHeldAtTheEndIsReportedAndDeletedByTheNextStart)
{
    Source("keep.txt", "replacement");
    HANDLE backup = INVALID_HANDLE_VALUE;
    engine->switched = [&] { backup = Hold(engine->GetStagingFolder() + "\\0.old"); };
    RunToEnd(*engine);
    ASSERT_EQ(1u, engine->prompts.size());
    EXPECT_EQ("DeleteFileError", engine->prompts[0].caption);
    EXPECT_NE(std::string::npos,
              engine->prompts[0].text.find("0.old\nファイル削除に失敗しました。[Error::DeleteFile]\nWindowsError:"));
    EXPECT_TRUE(engine->IsFinished() && engine->IsCancelled());
    engine->Abort();
    EXPECT_EQ(1u, engine->prompts.size());
    EXPECT_EQ("", TreeDifference({{"game.exe", "game"}, {"keep.txt", "replacement"}}, Game()));
    CloseHandle(backup);
    CTestEngine next;
    EXPECT_TRUE(next.Recover(destination));
    EXPECT_TRUE(next.prompts.empty());
    ExpectOnly({{"game.exe", "game"}, {"keep.txt", "replacement"}});
}

TEST(FileFlusher, FailedFlushIsReportedWithItsTag)
{
    CTempFolder folder("flusher");
    PutFile(folder.Path() + "\\r.bin", "read only handle");
    CFileFlusher flusher;
    ASSERT_TRUE(flusher.Begin());
    std::unique_ptr<CFileHandle> writable(new CFileHandle), readable(new CFileHandle);
    ASSERT_TRUE(writable->OpenWrite((folder.Path() + "\\w.bin").c_str(), true));
    ASSERT_TRUE(writable->WriteBytes("data", 4));
    ASSERT_TRUE(readable->OpenRead((folder.Path() + "\\r.bin").c_str()));
    flusher.Add(std::move(writable), 7);
    flusher.Add(std::move(readable), 9);
    flusher.Drain();
    size_t tag = 0;
    DWORD error = 0;
    ASSERT_TRUE(flusher.TakeFailure(tag, error)) << "a handle without write access flushed";
    EXPECT_EQ(9u, tag);
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
    EXPECT_FALSE(flusher.TakeFailure(tag, error));
    flusher.End();
    EXPECT_EQ("data", GetFile(folder.Path() + "\\w.bin")) << "not closed after the flush";
}

// What an earlier run left, as the next start finds it.
class EngineRecover : public EngineStaging {
protected:
    const std::string name = "~QuillmoorUpdate-0000beef";
    std::string Staging() const { return destination + "\\" + name; }
    // A run cut inside its switch: new.txt in place, keep.txt's original
    // moved out but its staged file not yet in, newdir\x.txt still staged.
    void LeaveSwitch()
    {
        std::vector<uint8_t> plan;
        ASSERT_TRUE(CStagingJournal::WritePlan(0xbeef, {"new.txt", "keep.txt", "newdir\\x.txt"}, plan));
        PutFile(Staging() + "\\plan.jnl", plan);
        PutFile(Staging() + "\\switch.jnl",
                CStagingJournal::WriteSwitching(0xbeef, 3, CStagingJournal::Crc32(plan.data(), plan.size())));
        PutFile(destination + "\\new.txt", "new");
        ASSERT_TRUE(MoveFileA((destination + "\\keep.txt").c_str(), (Staging() + "\\1.old").c_str()));
        PutFile(Staging() + "\\1.new", "replacement");
        PutFile(Staging() + "\\2.new", "x");
    }
    Tree Before() const { return {{"game.exe", "game"}, {"keep.txt", "original keep"}}; }
};

TEST_F(EngineRecover, SwitchIsFinishedSilently)
{
    LeaveSwitch();
    CTestEngine next;
    EXPECT_TRUE(next.Recover(destination));
    EXPECT_TRUE(next.prompts.empty());
    ExpectOnly({{"game.exe", "game"}, {"keep.txt", "replacement"}, {"new.txt", "new"}, {"newdir", "<dir>"},
                {"newdir\\x.txt", "x"}});
}

// The roll forward meets a file where it must make a folder: the switch is
// taken back, so that the update runs anew and asks at that file's turn.
TEST_F(EngineRecover, SwitchThatCannotFinishIsTakenBack)
{
    LeaveSwitch();
    PutFile(destination + "\\newdir", "another program's file");
    CTestEngine next;
    EXPECT_TRUE(next.Recover(destination));
    EXPECT_TRUE(next.prompts.empty());
    Tree before = Before();
    before["newdir"] = "another program's file";
    ExpectOnly(before);
}

// Stuck both ways: reported, and Cancel leaves it for the next start.
TEST_F(EngineRecover, StuckTakeBackIsReportedAndCancelLeavesIt)
{
    LeaveSwitch();
    PutFile(destination + "\\newdir", "another program's file");
    HANDLE held = Hold(destination + "\\new.txt");
    CTestEngine next;
    EXPECT_FALSE(next.Recover(destination));
    ASSERT_EQ(1u, next.prompts.size());
    EXPECT_EQ("RollbackError", next.prompts[0].caption);
    EXPECT_EQ(destination + "\\new.txt\nファイルを元に戻せませんでした。[Error::Rollback]\nWindowsError:" +
                  SystemMessage(ERROR_SHARING_VIOLATION),
              next.prompts[0].text);
    EXPECT_EQ("original keep", GetFile(destination + "\\keep.txt"));
    EXPECT_EQ("replacement", GetFile(Staging() + "\\1.new"));
    CloseHandle(held);
    CTestEngine last;
    EXPECT_TRUE(last.Recover(destination));
    Tree before = Before();
    before["newdir"] = "another program's file";
    ExpectOnly(before);
}

// Journals that cannot be trusted: one message, nothing touched anywhere.
TEST_F(EngineRecover, UntrustedJournalsAreReportedAndNothingIsTouched)
{
    const char* const kDamaged = "\n更新の記録が壊れているか、読めない形式のため、更新を中止しました。[Error::Journal]\n"
                                 "ゲームフォルダーのファイルは何も変更していません。";
    const char* const kLegacy = "\n以前の更新プログラムが途中で終えた更新の記録があり、安全に続きを行えないため、"
                                "更新を中止しました。[Error::Journal]\nゲームフォルダーのファイルは何も変更していません。";
    std::vector<uint8_t> open = CLegacyJournal::Header(CLegacyJournal::kRunning);
    CLegacyJournal::Record step;
    step.path = "new.txt";
    CLegacyJournal::Append(step, open);
    struct Case {
        const char* what;
        size_t offset;  // byte of plan.jnl changed (~0: none)
        uint8_t value;
        bool legacy;
    } cases[] = {{"a flipped bit", 30, 0x01, false}, {"a later version", 4, 0x02, false}, {"the earlier format", ~size_t(0), 0, true}};
    for (const Case& c : cases) {
        RemoveTree(destination);
        SetUp();
        LeaveSwitch();
        if (c.legacy) {
            PutFile(destination + "\\~QuillmoorUpdate.jnl", open);
        } else {
            std::string plan = GetFile(Staging() + "\\plan.jnl");
            plan[c.offset] = c.offset == 4 ? char(c.value) : char(plan[c.offset] ^ c.value);
            PutFile(Staging() + "\\plan.jnl", plan);
        }
        Tree left = SnapshotTree(destination);
        CTestEngine next;
        EXPECT_FALSE(next.Recover(destination)) << c.what;
        ASSERT_EQ(1u, next.prompts.size()) << c.what;
        EXPECT_EQ("JournalError", next.prompts[0].caption);
        EXPECT_EQ(UINT(MB_ICONERROR | MB_OK), next.prompts[0].style);
        EXPECT_EQ(c.legacy ? destination + "\\~QuillmoorUpdate.jnl" + kLegacy : Staging() + kDamaged,
                  next.prompts[0].text);
        EXPECT_EQ("", TreeDifference(left, SnapshotTree(destination))) << c.what;
    }
    // An earlier journal that leaves nothing open goes, and the update runs.
    RemoveTree(destination);
    SetUp();
    CLegacyJournal::Record closed;
    closed.type = CLegacyJournal::Record::kClosed;
    CLegacyJournal::Append(closed, open);
    PutFile(destination + "\\~QuillmoorUpdate.jnl", open);
    CTestEngine next;
    EXPECT_TRUE(next.Recover(destination));
    ExpectOnly(Before());
}

// Without a plan: removed while it holds only staged copies, else left
// alone and logged.
TEST_F(EngineRecover, FolderWithoutAPlanIsRemovedOrLeftAlone)
{
    PutFile(Staging() + "\\0.new", "staged");
    PutFile(destination + "\\~QuillmoorUpdate-00000002\\notes.txt", "the user's");
    TraceCapture trace;
    CTestEngine next;
    EXPECT_TRUE(next.Recover(destination));
    EXPECT_TRUE(next.prompts.empty());
    Tree expected = Before();
    expected["~QuillmoorUpdate-00000002"] = "<dir>";
    expected["~QuillmoorUpdate-00000002\\notes.txt"] = "the user's";
    ExpectOnly(expected);
    EXPECT_EQ(1u, trace.Count("CInstallEngine::Recover() " + destination +
                              "\\~QuillmoorUpdate-00000002 更新の記録がないため、そのままにした"));
}

}  // namespace
