// The installer killed from outside at moments spread over an update (seen in
// its journal, in the sizes of the files it writes, in the boxes it shows),
// then started again: the game folder must end exactly as before the update
// (after a Cancel in the last run) or exactly as after it (after the last run
// succeeds), tree and bytes, with no backup, journal or partial file left.
#include "InstallerRun.h"
#include "common/TempFolder.h"
#include "setup/Journal.h"
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;

const char* const kJournal = "~QuillmoorUpdate.jnl";
const size_t kBig = 64 << 20;
const DWORD kWait = 30000;

// The medium, made once for all cases: gamedata3 (the marker is in the game
// folder), gamedata2 with a 64 MiB file and a row of small ones, gamedata5.
struct CMedium {
    CTempFolder folder{"kill_medium"};
    std::map<std::string, std::string> files[3];  // relative path -> bytes, in copy order of groups

    CMedium()
    {
        const char* groups[3] = {"gamedata3", "gamedata2", "gamedata5"};
        files[0] = {{"a.txt", "new a"}, {"new3\\x.txt", "x from 3"}};
        files[1] = {{"big.bin", Bytes(kBig, 5)}, {"b\\b.txt", "new b"}, {"new2\\deep\\y.txt", "y"}};
        for (int i = 1; i <= 12; ++i) {
            char name[16];
            wsprintfA(name, "f%02d.bin", i);
            files[1][name] = Bytes(200 << 10, i);
        }
        files[2] = {{"c.txt", "new c"}, {"big5.bin", Bytes(16 << 20, 6)}, {"z_last.txt", "last"},
                    {"new5\\deep\\w.txt", "w"}};
        for (int g = 0; g < 3; ++g)
            for (const auto& file : files[g])
                PutFile(folder.Path() + "\\data\\" + groups[g] + "\\" + file.first, file.second);
        CopyFileA((WinePath(QUILL_OUT_DIR) + "\\installer.exe").c_str(), Exe().c_str(), FALSE);
    }
    std::string Exe() const { return folder.Path() + "\\installer.exe"; }
    std::string Source(const std::string& group, const std::string& relative) const
    {
        return folder.Path() + "\\data\\" + group + "\\" + relative;
    }
};

// What the first run meets before it is killed.
enum Moment {
    kAtStart,
    kJournalOnDisk,
    kFirstBackupMade,
    kBigFileEighth,
    kBigFileThreeEighths,
    kBigFileFiveEighths,
    kBigFileSevenEighths,
    kBigFileDone,
    kBetweenSmallFiles,
    kLastGroupStarted,
    kAtFileLoadErrorPrompt,
    kAtFileCreateErrorPrompt,
    kAtReadOnlyPrompt,
    kDuringRollback,
    kAtRollbackErrorPrompt,
    kDuringCommit,
    kAtDeleteFileErrorPrompt,
    kAtSuccessMessage,
    kDuringRecovery,
    kAtRecoveryPrompt,
    kTwiceMidFile,
    kForeignFilesAfterKill,
    kMoments
};

const char* const kMomentNames[kMoments] = {
    "AtStart", "JournalOnDisk", "FirstBackupMade", "BigFileEighth", "BigFileThreeEighths",
    "BigFileFiveEighths", "BigFileSevenEighths", "BigFileDone", "BetweenSmallFiles", "LastGroupStarted",
    "AtFileLoadErrorPrompt", "AtFileCreateErrorPrompt", "AtReadOnlyPrompt", "DuringRollback",
    "AtRollbackErrorPrompt", "DuringCommit", "AtDeleteFileErrorPrompt", "AtSuccessMessage", "DuringRecovery",
    "AtRecoveryPrompt", "TwiceMidFile", "ForeignFilesAfterKill"};

// The last run either completes the update or is cancelled at a prompt.
enum Ending { kCompleted, kCancelled };

class InstallerKill : public ::testing::TestWithParam<std::tuple<Moment, Ending>> {
protected:
    static void SetUpTestSuite() { s_Medium.reset(new CMedium); }
    static void TearDownTestSuite() { s_Medium.reset(); }

    void SetUp() override
    {
        game = root.Path() + "\\game";
        PutFile(game + "\\Quillmoor.exe", "game program");
        PutFile(game + "\\save\\save01.dat", Bytes(3000, 9));
        PutFile(game + "\\patch\\1000_tradepost1116120116.pak", "marker");
        PutFile(game + "\\a.txt", "original a");
        PutFile(game + "\\b\\b.txt", "original b");
        PutFile(game + "\\big.bin", Bytes(1 << 20, 7));
        PutFile(game + "\\c.txt", "original c");
        PutFile(game + "\\f03.bin", "original f03");
        Unregister();
        Register("Quillmoor", game + "\\Quillmoor.exe", game);
        before = SnapshotTree(game);
        after = before;
        for (const auto& group : s_Medium->files) {
            for (const auto& file : group) {
                after[file.first] = file.second;
                for (size_t cut = file.first.find('\\'); cut != std::string::npos;
                     cut = file.first.find('\\', cut + 1))
                    after[file.first.substr(0, cut)] = "<dir>";
            }
        }
    }
    void TearDown() override
    {
        Release();
        SetFileAttributesA((game + "\\f03.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
        Unregister();
    }

    // Keeps a file open without sharing, as another program would; waits
    // while the installer itself has it open.
    void Hold(const std::string& path)
    {
        HANDLE file = INVALID_HANDLE_VALUE;
        ASSERT_TRUE(WaitUntil(nullptr, [&] {
            file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            return file != INVALID_HANDLE_VALUE;
        })) << "cannot hold " << path;
        m_Held.push_back(file);
    }
    void Release()
    {
        for (HANDLE file : m_Held)
            CloseHandle(file);
        m_Held.clear();
    }

    // Polls until done() holds (true) or the run ended or time ran out.
    bool WaitUntil(const CRun* run, const std::function<bool()>& done)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kWait) {
            if (done())
                return true;
            if (run && run->HasEnded())
                return false;
            Sleep(1);
        }
        return false;
    }

    // The journal as it is now, read beside the installer that writes it.
    bool ReadJournal(CJournal* journal)
    {
        HANDLE file = CreateFileA((game + "\\" + kJournal).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD got = 0;
        if (!bytes.empty())
            ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr);
        CloseHandle(file);
        return journal->Parse(reinterpret_cast<const uint8_t*>(bytes.data()), got);
    }
    // The backup the journal names for a replaced file ("" when none yet).
    std::string BackupOf(const std::string& relative)
    {
        CJournal journal;
        if (!ReadJournal(&journal))
            return std::string();
        for (const CJournalRecord& record : journal.Records())
            if (record.type == CJournalRecord::kReplaceFile && record.path == relative) {
                size_t cut = relative.rfind('\\');
                return game + "\\" + (cut == std::string::npos ? "" : relative.substr(0, cut + 1)) + record.backup;
            }
        return std::string();
    }
    size_t ClosedRecords()
    {
        CJournal journal;
        size_t closed = 0;
        if (ReadJournal(&journal))
            for (const CJournalRecord& record : journal.Records())
                closed += record.type == CJournalRecord::kClosed;
        return closed;
    }
    int64_t SizeOf(const std::string& relative)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA((game + "\\" + relative).c_str(), GetFileExInfoStandard, &data))
            return -1;
        return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    bool PromptUp(const CRun& run, const char* caption)
    {
        CDialogInfo box;
        return dialog_reader::Find(run.Pid(), &box) && box.caption == caption;
    }
    // The new big.bin is at least part/8 written (the original is 1 MiB).
    bool BigFileAt(int eighths)
    {
        return !BackupOf("big.bin").empty() && SizeOf("big.bin") >= int64_t(kBig / 8 * eighths);
    }
    // Answers the run's boxes with Cancel, once each, in the background of
    // the watch: presses the first box of that caption.
    void PressWhenUp(const CRun& run, const char* caption, int button)
    {
        CDialogInfo box;
        ASSERT_TRUE(WaitUntil(&run, [&] { return dialog_reader::Find(run.Pid(), &box) && box.caption == caption; }))
            << "no " << caption << " prompt";
        ASSERT_TRUE(dialog_reader::Press(box, button));
        ASSERT_TRUE(dialog_reader::WaitClosed(box.hWnd, kWait));
    }

    // Runs the installer until the moment, then kills it. False when the
    // moment never came (the test then fails).
    void KillAt(Moment moment, CRun& run)
    {
        std::string lastSource = s_Medium->Source("gamedata5", "z_last.txt");
        switch (moment) {
        case kAtFileLoadErrorPrompt:
        case kDuringRollback:
        case kAtRollbackErrorPrompt:
            Hold(lastSource);
            break;
        case kAtFileCreateErrorPrompt:
            Hold(game + "\\c.txt");
            break;
        case kAtReadOnlyPrompt:
            SetFileAttributesA((game + "\\f03.bin").c_str(), FILE_ATTRIBUTE_READONLY);
            break;
        default:
            break;
        }
        ASSERT_TRUE(run.Start(s_Medium->Exe()));
        bool reached = true;
        switch (moment) {
        case kAtStart:
            break;
        case kJournalOnDisk:
            reached = WaitUntil(&run, [&] {
                CJournal journal;
                return ReadJournal(&journal) && !journal.Records().empty();
            });
            break;
        case kFirstBackupMade:
            reached = WaitUntil(&run, [&] {
                std::string backup = BackupOf("a.txt");
                return !backup.empty() && GetFile(backup) == "original a";
            });
            break;
        case kBigFileEighth:
        case kBigFileThreeEighths:
        case kBigFileFiveEighths:
        case kBigFileSevenEighths: {
            int eighths = 1 + 2 * (moment - kBigFileEighth);
            reached = WaitUntil(&run, [&] { return BigFileAt(eighths); });
            break;
        }
        case kForeignFilesAfterKill:
            reached = WaitUntil(&run, [&] { return BigFileAt(3); });
            break;
        case kBigFileDone:
            reached = WaitUntil(&run, [&] { return SizeOf("big.bin") == int64_t(kBig); });
            break;
        case kBetweenSmallFiles:
            reached = WaitUntil(&run, [&] { return SizeOf("f06.bin") == int64_t(200 << 10); });
            break;
        case kLastGroupStarted:
            reached = WaitUntil(&run, [&] { return SizeOf("big5.bin") > 0; });
            break;
        case kAtFileLoadErrorPrompt:
            reached = WaitUntil(&run, [&] { return PromptUp(run, "FileLoadError"); });
            break;
        case kAtFileCreateErrorPrompt:
        case kAtReadOnlyPrompt:
            reached = WaitUntil(&run, [&] { return PromptUp(run, "FileCreateError"); });
            break;
        case kDuringRollback:
        case kAtRollbackErrorPrompt: {
            // Cancel at the missing source; a created file held by another
            // program keeps the rollback busy with its retries.
            CDialogInfo box;
            reached = WaitUntil(&run, [&] { return dialog_reader::Find(run.Pid(), &box); });
            if (!reached)
                break;
            Hold(game + "\\new3\\x.txt");
            dialog_reader::Press(box, IDCANCEL);
            if (moment == kDuringRollback)
                reached = WaitUntil(&run, [&] { return ClosedRecords() > 0; });
            else
                reached = WaitUntil(&run, [&] { return PromptUp(run, "RollbackError"); });
            break;
        }
        case kDuringCommit:
        case kAtDeleteFileErrorPrompt: {
            // A backup held by another program keeps the commit busy.
            std::string backup;
            reached = WaitUntil(&run, [&] {
                backup = BackupOf("a.txt");
                return !backup.empty() && GetFile(backup) == "original a";
            });
            if (!reached)
                break;
            Hold(backup);
            if (moment == kDuringCommit)
                reached = WaitUntil(&run, [&] {
                    CJournal journal;
                    return ReadJournal(&journal) && journal.GetState() == CJournal::kCommitting;
                });
            else
                reached = WaitUntil(&run, [&] { return PromptUp(run, "DeleteFileError"); });
            break;
        }
        case kAtSuccessMessage:
            reached = WaitUntil(&run, [&] { return PromptUp(run, "正常終了"); });
            break;
        case kDuringRecovery:
        case kAtRecoveryPrompt:
        case kTwiceMidFile:
            reached = WaitUntil(&run, [&] { return BigFileAt(4); });
            break;
        default:
            break;
        }
        EXPECT_TRUE(reached) << "the moment never came";
        EXPECT_FALSE(run.HasEnded()) << "the run ended before it was killed";
        run.Kill();
        // Whether the killed run had begun to commit: then the update is to
        // be finished, and a cancelled later run keeps it.
        CJournal journal;
        bool journalled = ReadJournal(&journal);
        committed = journalled ? journal.GetState() == CJournal::kCommitting
                               : !TreeDifference(before, SnapshotTree(game)).empty();
        Release();
        SetFileAttributesA((game + "\\f03.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // The second run of the cases that kill it too: during the recovery of
    // the first, or inside the big file again.
    void KillSecondRun(Moment moment)
    {
        CRun run;
        if (moment == kTwiceMidFile) {
            ASSERT_TRUE(run.Start(s_Medium->Exe()));
            // Its own copy, after the recovery has put the original back.
            EXPECT_TRUE(WaitUntil(&run, [&] { return SizeOf("big.bin") == int64_t(1 << 20); }));
            EXPECT_TRUE(WaitUntil(&run, [&] { return BigFileAt(2); }));
        } else {
            size_t closed = ClosedRecords();
            Hold(game + "\\new3\\x.txt");
            ASSERT_TRUE(run.Start(s_Medium->Exe()));
            if (moment == kDuringRecovery)
                EXPECT_TRUE(WaitUntil(&run, [&] { return ClosedRecords() > closed; }));
            else
                EXPECT_TRUE(WaitUntil(&run, [&] { return PromptUp(run, "RollbackError"); }));
        }
        EXPECT_FALSE(run.HasEnded()) << "the second run ended before it was killed";
        run.Kill();
        Release();
    }

    // The last run: succeeds, or is cancelled at a source held meanwhile.
    void FinalRun(Ending ending)
    {
        CRun run;
        if (ending == kCancelled)
            Hold(s_Medium->Source("gamedata5", "z_last.txt"));
        run.answer = [](size_t, const CDialogInfo& box) { return box.caption == "正常終了" ? IDOK : IDCANCEL; };
        ASSERT_TRUE(run.Start(s_Medium->Exe()));
        ASSERT_TRUE(run.Finish()) << "the last run did not end";
        Release();
        ASSERT_EQ(1u, run.seen.size()) << "a recovery is silent; then one box";
        EXPECT_EQ(ending == kCompleted ? "正常終了" : "FileLoadError", run.seen[0].caption);
    }

    static std::unique_ptr<CMedium> s_Medium;
    CTempFolder root{"kill"};
    std::string game;
    std::map<std::string, std::string> before, after;
    bool committed = false;

private:
    std::vector<HANDLE> m_Held;
};

std::unique_ptr<CMedium> InstallerKill::s_Medium;

TEST_P(InstallerKill, EndsAsBeforeOrAsAfterWithNothingLeft)
{
    Moment moment = std::get<0>(GetParam());
    Ending ending = std::get<1>(GetParam());
    {
        CRun first;
        KillAt(moment, first);
    }
    if (HasFatalFailure())
        return;
    if (moment == kDuringRecovery || moment == kAtRecoveryPrompt || moment == kTwiceMidFile)
        KillSecondRun(moment);
    if (moment == kForeignFilesAfterKill) {
        // Other programs put files where the killed run had not got to (the
        // last group's): the next start must leave them to their owners.
        for (const char* name : {"z_last.txt", "new5\\deep\\w.txt"}) {
            ASSERT_EQ(-1, SizeOf(name)) << name << " was made before the kill";
            ASSERT_TRUE(PutFile(game + "\\" + name, std::string("another program's ") + name));
            before[name] = std::string("another program's ") + name;
        }
        before["new5"] = before["new5\\deep"] = "<dir>";
    }
    FinalRun(ending);
    // A first run killed once committing leaves a whole update, which a
    // cancelled last run then keeps.
    bool committing = moment == kDuringCommit || moment == kAtDeleteFileErrorPrompt || moment == kAtSuccessMessage;
    EXPECT_EQ(committing, committed) << "killed at another moment than meant";
    std::string difference =
        TreeDifference(ending == kCompleted || committed ? after : before, SnapshotTree(game));
    EXPECT_EQ("", difference) << "the game folder is neither as before nor as after the update";
}

std::string MomentName(const ::testing::TestParamInfo<std::tuple<Moment, Ending>>& info)
{
    return std::string(kMomentNames[std::get<0>(info.param)]) +
           (std::get<1>(info.param) == kCompleted ? "_ThenCompleted" : "_ThenCancelled");
}

// Every moment, each followed by the run that completes the update or the
// run that is cancelled, alternately (both for the moments of the big file).
INSTANTIATE_TEST_SUITE_P(
    Moments, InstallerKill,
    ::testing::Values(std::make_tuple(kAtStart, kCompleted), std::make_tuple(kJournalOnDisk, kCancelled),
                      std::make_tuple(kFirstBackupMade, kCompleted), std::make_tuple(kBigFileEighth, kCancelled),
                      std::make_tuple(kBigFileThreeEighths, kCompleted),
                      std::make_tuple(kBigFileFiveEighths, kCancelled),
                      std::make_tuple(kBigFileSevenEighths, kCompleted), std::make_tuple(kBigFileDone, kCancelled),
                      std::make_tuple(kBetweenSmallFiles, kCompleted), std::make_tuple(kLastGroupStarted, kCancelled),
                      std::make_tuple(kAtFileLoadErrorPrompt, kCompleted),
                      std::make_tuple(kAtFileCreateErrorPrompt, kCancelled),
                      std::make_tuple(kAtReadOnlyPrompt, kCompleted), std::make_tuple(kDuringRollback, kCancelled),
                      std::make_tuple(kAtRollbackErrorPrompt, kCompleted),
                      std::make_tuple(kDuringCommit, kCancelled),
                      std::make_tuple(kAtDeleteFileErrorPrompt, kCompleted),
                      std::make_tuple(kAtSuccessMessage, kCancelled), std::make_tuple(kDuringRecovery, kCompleted),
                      std::make_tuple(kAtRecoveryPrompt, kCancelled), std::make_tuple(kTwiceMidFile, kCompleted),
                      std::make_tuple(kBigFileFiveEighths, kCompleted), std::make_tuple(kTwiceMidFile, kCancelled),
                      std::make_tuple(kForeignFilesAfterKill, kCancelled),
                      std::make_tuple(kForeignFilesAfterKill, kCompleted)),
    MomentName);

}  // namespace
