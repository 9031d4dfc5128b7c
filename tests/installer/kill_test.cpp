// The installer killed from outside at moments spread over an update (seen in
// its staging folder, in the sizes of the files it stages, in the boxes it
// shows), then started again: the game folder must end exactly as before the
// update (after a Cancel in the last run) or exactly as after it (after the
// last run succeeds, or once the killed run had begun its switch), tree and
// bytes, with no staging folder, backup or partial file left.
#include "InstallerRun.h"
#include "common/TempFolder.h"
#include "update/StagingJournal.h"
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;

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
    kDuringDiscard,
    kAtDiscardErrorPrompt,
    kDuringSwitch,
    kAtSwitchErrorPrompt,
    kDuringFinish,
    kAtDeleteFileErrorPrompt,
    kAtSuccessMessage,
    kDuringRecovery,
    kAtRecoveryPrompt,
    kTwiceMidFile,
    kForeignFilesAfterKill,
    kForeignFilesMidSwitch,
    kMoments
};

const char* const kMomentNames[kMoments] = {
    "AtStart", "JournalOnDisk", "BigFileEighth", "BigFileThreeEighths", "BigFileFiveEighths",
    "BigFileSevenEighths", "BigFileDone", "BetweenSmallFiles", "LastGroupStarted", "AtFileLoadErrorPrompt",
    "AtFileCreateErrorPrompt", "AtReadOnlyPrompt", "DuringDiscard", "AtDiscardErrorPrompt", "DuringSwitch",
    "AtSwitchErrorPrompt", "DuringFinish", "AtDeleteFileErrorPrompt", "AtSuccessMessage", "DuringRecovery",
    "AtRecoveryPrompt", "TwiceMidFile", "ForeignFilesAfterKill", "ForeignFilesMidSwitch"};

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

    // The run's staging folder ("" while there is none).
    std::string Staging()
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((game + "\\~QuillmoorUpdate-*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return std::string();
        FindClose(find);
        return game + "\\" + data.cFileName;
    }
    // The plan's slots, read beside the installer ("" while there is none).
    std::vector<std::string> Plan()
    {
        std::string staging = Staging();
        std::vector<std::string> paths;
        if (staging.empty())
            return paths;
        std::string bytes = GetFile(staging + "\\plan.jnl");
        uint32_t id = strtoul(staging.substr(staging.size() - 8).c_str(), nullptr, 16);
        CStagingJournal::ReadPlan(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), id, paths);
        return paths;
    }
    // Where a destination is staged ("" until the plan is there); with
    // suffix ".old", where its original is kept during the switch.
    std::string StagedOf(const std::string& relative, const char* suffix = ".new")
    {
        std::vector<std::string> plan = Plan();
        for (size_t i = 0; i < plan.size(); ++i)
            if (plan[i] == relative)
                return Staging() + "\\" + std::to_string(i) + suffix;
        return std::string();
    }
    bool Switching() { return !Staging().empty() && PathExists(Staging() + "\\switch.jnl"); }
    int64_t SizeOf(const std::string& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            return -1;
        return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    int64_t GameSize(const std::string& relative) { return SizeOf(game + "\\" + relative); }
    bool PromptUp(const CRun& run, const char* caption)
    {
        CDialogInfo box;
        return dialog_reader::Find(run.Pid(), &box) && box.caption == caption;
    }
    // The staged big.bin is at least part/8 written.
    bool BigFileAt(int eighths) { return SizeOf(StagedOf("big.bin")) >= int64_t(kBig / 8 * eighths); }
    // Holds c.txt once it is staged (its turn is past), so that the switch
    // stops there; true once the switch has come to it, a.txt switched.
    bool SwitchHeldAtC(const CRun& run)
    {
        if (m_Held.empty() && !WaitUntil(&run, [&] { return SizeOf(StagedOf("c.txt")) == 5; }))
            return false;
        if (m_Held.empty())
            Hold(game + "\\c.txt");
        return WaitUntil(&run, [&] { return Switching() && GetFile(game + "\\a.txt") == "new a"; });
    }

    // Runs the installer until the moment, then kills it.
    void KillAt(Moment moment, CRun& run)
    {
        std::string lastSource = s_Medium->Source("gamedata5", "z_last.txt");
        switch (moment) {
        case kAtFileLoadErrorPrompt:
        case kDuringDiscard:
        case kAtDiscardErrorPrompt:
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
            reached = WaitUntil(&run, [&] { return !Plan().empty(); });
            break;
        case kBigFileEighth:
        case kBigFileThreeEighths:
        case kBigFileFiveEighths:
        case kBigFileSevenEighths:
            reached = WaitUntil(&run, [&] { return BigFileAt(1 + 2 * (moment - kBigFileEighth)); });
            break;
        case kForeignFilesAfterKill:
            reached = WaitUntil(&run, [&] { return BigFileAt(3); });
            break;
        case kBigFileDone:
            reached = WaitUntil(&run, [&] { return BigFileAt(8); });
            break;
        case kBetweenSmallFiles:
            reached = WaitUntil(&run, [&] { return SizeOf(StagedOf("f06.bin")) == int64_t(200 << 10); });
            break;
        case kLastGroupStarted:
            reached = WaitUntil(&run, [&] { return SizeOf(StagedOf("big5.bin")) > 0; });
            break;
        case kAtFileLoadErrorPrompt:
            reached = WaitUntil(&run, [&] { return PromptUp(run, "FileLoadError"); });
            break;
        case kAtFileCreateErrorPrompt:
        case kAtReadOnlyPrompt:
            reached = WaitUntil(&run, [&] { return PromptUp(run, "FileCreateError"); });
            break;
        case kDuringDiscard:
        case kAtDiscardErrorPrompt: {
            // Cancel at the missing source; a staged file held by another
            // program keeps the discard busy with its retries.
            CDialogInfo box;
            reached = WaitUntil(&run, [&] { return dialog_reader::Find(run.Pid(), &box); });
            if (!reached)
                break;
            std::string bigStaged = StagedOf("big.bin");
            Hold(StagedOf("a.txt"));
            dialog_reader::Press(box, IDCANCEL);
            if (moment == kDuringDiscard)
                reached = WaitUntil(&run, [&] { return SizeOf(bigStaged) < 0; });
            else
                reached = WaitUntil(&run, [&] { return PromptUp(run, "DeleteFileError"); });
            break;
        }
        case kDuringSwitch:
        case kForeignFilesMidSwitch:
        case kDuringRecovery:
        case kAtRecoveryPrompt:
            reached = SwitchHeldAtC(run);
            break;
        case kAtSwitchErrorPrompt:
            reached = SwitchHeldAtC(run) && WaitUntil(&run, [&] { return PromptUp(run, "FileCreateError"); });
            break;
        case kDuringFinish:
        case kAtDeleteFileErrorPrompt: {
            // The switch held at c.txt while a.txt's original is held in the
            // staging folder; then c.txt let go, so that the end stops there.
            reached = SwitchHeldAtC(run);
            if (!reached)
                break;
            std::string backup = StagedOf("a.txt", ".old");
            HANDLE c = m_Held.back();
            m_Held.pop_back();
            Hold(backup);
            CloseHandle(c);
            if (moment == kDuringFinish)
                reached = WaitUntil(&run, [&] { return GetFile(game + "\\c.txt") == "new c"; });
            else
                reached = WaitUntil(&run, [&] { return PromptUp(run, "DeleteFileError"); });
            break;
        }
        case kAtSuccessMessage:
            reached = WaitUntil(&run, [&] { return PromptUp(run, "正常終了"); });
            break;
        case kTwiceMidFile:
            reached = WaitUntil(&run, [&] { return BigFileAt(4); });
            break;
        default:
            break;
        }
        EXPECT_TRUE(reached) << "the moment never came";
        EXPECT_FALSE(run.HasEnded()) << "the run ended before it was killed";
        run.Kill();
        // Whether the killed run had begun its switch: then the update is to
        // be finished, and a cancelled later run keeps it.
        committed = Switching() || (Staging().empty() && !TreeDifference(before, SnapshotTree(game)).empty());
        Release();
        SetFileAttributesA((game + "\\f03.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // The second run of the cases that kill it too: inside the roll forward
    // of the first run's switch (c.txt still held; with a.txt held as well
    // its take-back sticks and asks), or inside the big file again.
    void KillSecondRun(Moment moment)
    {
        CRun run;
        if (moment == kTwiceMidFile) {
            ASSERT_TRUE(run.Start(s_Medium->Exe()));
            EXPECT_TRUE(WaitUntil(&run, [&] { return BigFileAt(2); }));
        } else {
            Hold(game + "\\c.txt");
            if (moment == kAtRecoveryPrompt)
                Hold(game + "\\a.txt");
            ASSERT_TRUE(run.Start(s_Medium->Exe()));
            if (moment == kDuringRecovery)  // the roll forward gave up at c.txt and takes back
                EXPECT_TRUE(WaitUntil(&run, [&] { return GetFile(game + "\\a.txt") == "original a"; }));
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
    if (moment == kForeignFilesAfterKill || moment == kForeignFilesMidSwitch) {
        // Other programs put files where the killed run had not got to: left
        // to their owners, unless the update was already switching (then it
        // finishes, and its files take those places).
        for (const char* name : {"z_last.txt", "new5\\deep\\w.txt"}) {
            if (GameSize(name) >= 0)
                continue;
            ASSERT_TRUE(PutFile(game + "\\" + name, std::string("another program's ") + name));
            before[name] = std::string("another program's ") + name;
            before["new5"] = before["new5\\deep"] = "<dir>";
        }
    }
    FinalRun(ending);
    bool switching = moment >= kDuringSwitch && moment != kAtSwitchErrorPrompt && moment != kTwiceMidFile &&
                     moment != kForeignFilesAfterKill;
    EXPECT_EQ(switching, committed) << "killed at another moment than meant";
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
                      std::make_tuple(kBigFileEighth, kCancelled), std::make_tuple(kBigFileThreeEighths, kCompleted),
                      std::make_tuple(kBigFileFiveEighths, kCancelled),
                      std::make_tuple(kBigFileSevenEighths, kCompleted), std::make_tuple(kBigFileDone, kCancelled),
                      std::make_tuple(kBetweenSmallFiles, kCompleted), std::make_tuple(kLastGroupStarted, kCancelled),
                      std::make_tuple(kAtFileLoadErrorPrompt, kCompleted),
                      std::make_tuple(kAtFileCreateErrorPrompt, kCancelled),
                      std::make_tuple(kAtReadOnlyPrompt, kCompleted), std::make_tuple(kDuringDiscard, kCancelled),
                      std::make_tuple(kAtDiscardErrorPrompt, kCompleted), std::make_tuple(kDuringSwitch, kCancelled),
                      std::make_tuple(kAtSwitchErrorPrompt, kCompleted), std::make_tuple(kDuringFinish, kCancelled),
                      std::make_tuple(kAtDeleteFileErrorPrompt, kCompleted),
                      std::make_tuple(kAtSuccessMessage, kCancelled), std::make_tuple(kDuringRecovery, kCompleted),
                      std::make_tuple(kAtRecoveryPrompt, kCancelled), std::make_tuple(kTwiceMidFile, kCompleted),
                      std::make_tuple(kBigFileFiveEighths, kCompleted), std::make_tuple(kTwiceMidFile, kCancelled),
                      std::make_tuple(kForeignFilesAfterKill, kCancelled),
                      std::make_tuple(kForeignFilesAfterKill, kCompleted),
                      std::make_tuple(kForeignFilesMidSwitch, kCancelled)),
    MomentName);

}  // namespace
