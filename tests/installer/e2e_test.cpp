// Runs the real installer on a medium built here, against a game registered
// in this prefix, and reads and answers every message box it shows.
#include "InstallerRun.h"
#include "common/TempFolder.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace e2e;

// Opens the file without sharing, so that the installer's opens of it fail
// until the handle is closed.
HANDLE HoldOpen(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

class InstallerE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* drive = DriveVariable() ? std::getenv(DriveVariable()) : nullptr;
        game = (drive ? std::string(drive) : root) + "\\game";
        medium = root + "\\medium";
        MakeFolders(game);
        MakeFolders(medium + "\\data");
        exe = medium + "\\installer.exe";
        ASSERT_TRUE(CopyFileA((WinePath(QUILL_OUT_DIR) + "\\installer.exe").c_str(), exe.c_str(), FALSE))
            << "out/installer.exe is missing";
        PutFile(game + "\\Quillmoor.exe", "game program");
        PutFile(game + "\\save\\save01.dat", Bytes(3000, 9));
        Unregister();
        Register("Quillmoor", game + "\\Quillmoor.exe", game);
    }
    void TearDown() override { Unregister(); }
    // The environment variable that names the drive the game is put on.
    virtual const char* DriveVariable() { return nullptr; }

    void Source(int folder, const std::string& relative, const std::string& bytes)
    {
        PutFile(medium + "\\data\\gamedata" + std::to_string(folder) + "\\" + relative, bytes);
    }
    // Runs to the end; fails the test on a hang.
    void Run(CRun& run)
    {
        ASSERT_TRUE(run.Start(exe));
        ASSERT_TRUE(run.Finish()) << "the installer did not end; killed";
        EXPECT_EQ(0u, run.exitCode);
    }
    void ExpectSuccessOnly(const CRun& run)
    {
        ASSERT_EQ(1u, run.seen.size());
        EXPECT_EQ("正常終了", run.seen[0].caption);
        EXPECT_EQ("セットアップは正常に終了しました。", run.seen[0].text);
    }

    CTempFolder rootFolder{"e2e"};
    std::string root = rootFolder.Path();
    std::string game, medium, exe;
};

TEST_F(InstallerE2E, NotInstalledWhenNeitherNameIsRegistered)
{
    Unregister();
    CRun run;
    Run(run);
    ASSERT_EQ(1u, run.seen.size());
    EXPECT_EQ(kErrorCaption, run.seen[0].caption);
    EXPECT_EQ(kNotInstalled, run.seen[0].text);
    EXPECT_EQ(1u, run.seen[0].buttons.size());
}

TEST_F(InstallerE2E, NotInstalledWhenTheRegisteredProgramIsMissing)
{
    DeleteFileA((game + "\\Quillmoor.exe").c_str());
    Source(2, "a.txt", "a");
    CRun run;
    Run(run);
    ASSERT_EQ(1u, run.seen.size());
    EXPECT_EQ(kNotInstalled, run.seen[0].text);
    EXPECT_EQ("<missing>", GetFile(game + "\\a.txt"));
}

TEST_F(InstallerE2E, SecondNameAndRelativeProgramAreFound)
{
    Unregister();
    Register("Quillmoor（Varnel）", "Quillmoor.exe", game);
    Source(2, "a.txt", "a");
    CRun run;
    Run(run);
    ExpectSuccessOnly(run);
    EXPECT_EQ("a", GetFile(game + "\\a.txt"));
}

TEST_F(InstallerE2E, NoMarkerCopiesGamedata2ThenGamedata5)
{
    Source(2, "both.txt", "from 2");
    Source(5, "both.txt", "from 5");
    Source(2, "patch\\only2.txt", "two");
    Source(3, "three.txt", "3");
    Source(4, "four.txt", "4");
    Source(5, "empty.bin", "");
    Source(5, "b16384.bin", Bytes(16384, 1));
    Source(5, "b40000.bin", Bytes(40000, 2));
    // "表" and "ソ" end in 0x5C.
    Source(2, "表\\ソフト.txt", "sjis");
    CRun run;
    Run(run);
    ExpectSuccessOnly(run);
    EXPECT_EQ("from 5", GetFile(game + "\\both.txt"));
    EXPECT_EQ("two", GetFile(game + "\\patch\\only2.txt"));
    EXPECT_EQ("<missing>", GetFile(game + "\\three.txt"));
    EXPECT_EQ("<missing>", GetFile(game + "\\four.txt"));
    EXPECT_EQ("", GetFile(game + "\\empty.bin"));
    EXPECT_EQ(Bytes(16384, 1), GetFile(game + "\\b16384.bin"));
    EXPECT_EQ(Bytes(40000, 2), GetFile(game + "\\b40000.bin"));
    EXPECT_EQ("sjis", GetFile(game + "\\表\\ソフト.txt"));
    EXPECT_EQ(Bytes(3000, 9), GetFile(game + "\\save\\save01.dat"));
}

TEST_F(InstallerE2E, FirstMarkerAddsGamedata3First)
{
    PutFile(game + "\\patch\\1000_tradepost1116120116.pak", "m1");
    Source(3, "x.txt", "from 3");
    Source(3, "only3.txt", "3");
    Source(2, "x.txt", "from 2");
    Source(4, "four.txt", "4");
    CRun run;
    Run(run);
    ExpectSuccessOnly(run);
    EXPECT_EQ("from 2", GetFile(game + "\\x.txt"));
    EXPECT_EQ("3", GetFile(game + "\\only3.txt"));
    EXPECT_EQ("<missing>", GetFile(game + "\\four.txt"));
}

TEST_F(InstallerE2E, BothMarkersCopyGamedata3Then4Then2Then5)
{
    PutFile(game + "\\patch\\1000_tradepost1116120116.pak", "m1");
    PutFile(game + "\\patch\\1005_tokubetsu116120116.pak", "m2");
    Source(3, "x.txt", "from 3");
    Source(4, "x.txt", "from 4");
    Source(4, "y.txt", "from 4");
    Source(2, "y.txt", "from 2");
    Source(2, "z.txt", "from 2");
    Source(5, "z.txt", "from 5");
    Source(3, "w.txt", "from 3");
    CRun run;
    Run(run);
    ExpectSuccessOnly(run);
    EXPECT_EQ("from 4", GetFile(game + "\\x.txt"));
    EXPECT_EQ("from 2", GetFile(game + "\\y.txt"));
    EXPECT_EQ("from 5", GetFile(game + "\\z.txt"));
    EXPECT_EQ("from 3", GetFile(game + "\\w.txt"));
}

TEST_F(InstallerE2E, MissingSourceRetryAfterFixingSucceeds)
{
    Source(2, "first.txt", "1");
    Source(5, "late.txt", "late");
    std::string late = medium + "\\data\\gamedata5\\late.txt";
    HANDLE held = HoldOpen(late);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun run;
    run.answer = [&](size_t n, const CDialogInfo&) {
        if (n == 0)
            CloseHandle(held);
        return n == 0 ? IDRETRY : IDOK;
    };
    Run(run);
    ASSERT_EQ(2u, run.seen.size());
    EXPECT_EQ("FileLoadError", run.seen[0].caption);
    std::string head = "data\\gamedata5\\late.txt\nファイル読み込みに失敗しました。[Error::CreateFile]\nWindowsError:";
    EXPECT_EQ(head, run.seen[0].text.substr(0, head.size()));
    EXPECT_EQ(2u, run.seen[0].buttons.size());
    EXPECT_EQ("セットアップは正常に終了しました。", run.seen[1].text);
    EXPECT_EQ("late", GetFile(game + "\\late.txt"));
}

TEST_F(InstallerE2E, LockedDestinationRetryAfterReleaseSucceeds)
{
    PutFile(game + "\\data.bin", "old");
    Source(2, "data.bin", "new");
    HANDLE held = HoldOpen(game + "\\data.bin");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun run;
    run.answer = [&](size_t n, const CDialogInfo&) {
        if (n == 0)
            CloseHandle(held);
        return n == 0 ? IDRETRY : IDOK;
    };
    Run(run);
    ASSERT_EQ(2u, run.seen.size());
    EXPECT_EQ("FileCreateError", run.seen[0].caption);
    EXPECT_EQ("正常終了", run.seen[1].caption);
    EXPECT_EQ("new", GetFile(game + "\\data.bin"));
    EXPECT_EQ("", TreeDifference({{"Quillmoor.exe", "game program"}, {"save", "<dir>"},
                                  {"save\\save01.dat", Bytes(3000, 9)}, {"data.bin", "new"}},
                                 SnapshotTree(game)))
        << "no backup, no journal";
}

TEST_F(InstallerE2E, LockedDestinationCancelRestoresEverything)
{
    PutFile(game + "\\data.bin", "old");
    PutFile(game + "\\replaced.txt", "old replaced");
    Source(2, "replaced.txt", "new replaced");
    Source(2, "sub\\created.txt", "created");
    Source(5, "data.bin", "new");
    auto before = SnapshotTree(game);
    HANDLE held = HoldOpen(game + "\\data.bin");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun run;
    run.answer = [](size_t, const CDialogInfo&) { return IDCANCEL; };
    Run(run);
    CloseHandle(held);
    ASSERT_EQ(1u, run.seen.size()) << "a cancelled update ends silently";
    EXPECT_EQ("FileCreateError", run.seen[0].caption);
    EXPECT_EQ("", TreeDifference(before, SnapshotTree(game))) << "created folders go too";
}

// Cancel at a prompt for the first, a middle and the last entry of the list
// (gamedata3, gamedata2, gamedata5), each replacing and creating files.
class InstallerRollback : public InstallerE2E, public ::testing::WithParamInterface<int> {};

TEST_P(InstallerRollback, CancelLeavesTheGameFolderAsItWas)
{
    PutFile(game + "\\patch\\1000_tradepost1116120116.pak", "marker");
    PutFile(game + "\\a.txt", "original a");
    PutFile(game + "\\b\\b.txt", "original b");
    PutFile(game + "\\c.txt", "original c");
    Source(3, "a.txt", "new a");
    Source(3, "new3.txt", "new 3");
    Source(2, "b\\b.txt", "new b");
    Source(2, "new2\\x.txt", "new 2");
    Source(5, "c.txt", Bytes(40000, 3));
    Source(5, "zz_last.txt", "last");
    auto before = SnapshotTree(game);
    const char* held[] = {"data\\gamedata3\\a.txt", "data\\gamedata2\\b\\b.txt", "data\\gamedata5\\zz_last.txt"};
    HANDLE lock = HoldOpen(medium + "\\" + held[GetParam()]);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    CRun run;
    run.answer = [](size_t, const CDialogInfo&) { return IDCANCEL; };
    Run(run);
    CloseHandle(lock);
    ASSERT_EQ(1u, run.seen.size());
    EXPECT_EQ("FileLoadError", run.seen[0].caption);
    EXPECT_EQ("", TreeDifference(before, SnapshotTree(game)));
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, InstallerRollback, ::testing::Values(0, 1, 2));

TEST_F(InstallerE2E, SecondInstanceEndsAtOnceWithoutAWindow)
{
    Source(2, "held.txt", "h");
    HANDLE held = HoldOpen(medium + "\\data\\gamedata2\\held.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun first;
    ASSERT_TRUE(first.Start(exe));
    CDialogInfo box;
    ASSERT_TRUE(dialog_reader::Wait(first.Pid(), kTimeout, &box)) << "first copy showed no prompt";
    EXPECT_EQ("FileLoadError", box.caption);

    CRun second;
    ASSERT_TRUE(second.Start(exe));
    ASSERT_TRUE(second.Finish()) << "the second copy did not end";
    EXPECT_EQ(0u, second.exitCode);
    EXPECT_TRUE(second.seen.empty());

    CloseHandle(held);
    first.answer = [](size_t, const CDialogInfo&) { return IDCANCEL; };
    ASSERT_TRUE(first.Finish());
    ASSERT_EQ(1u, first.seen.size());
    EXPECT_EQ("<missing>", GetFile(game + "\\held.txt"));
}

struct NoticeSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK OnNoticeCandidate(HWND hWnd, LPARAM param)
{
    NoticeSearch* search = reinterpret_cast<NoticeSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hWnd, &owner);
    if (owner == search->pid && IsWindowVisible(hWnd) && dialog_reader::WindowText(hWnd) == "実行ファイル更新")
        search->found = hWnd;
    return search->found == nullptr;
}

// The updating notice of a process ("実行ファイル更新").
HWND FindNotice(DWORD pid)
{
    NoticeSearch search = {pid, nullptr};
    EnumWindows(OnNoticeCandidate, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// True when a is above b in the order of top-level windows.
bool IsAbove(HWND a, HWND b)
{
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == a)
            return true;
        if (w == b)
            return false;
    }
    return false;
}

TEST_F(InstallerE2E, PromptComesInFrontOfTheNoticeWithTheKeyboard)
{
    Source(2, "held.txt", "h");
    HANDLE held = HoldOpen(medium + "\\data\\gamedata2\\held.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun run;
    ASSERT_TRUE(run.Start(exe));
    CDialogInfo box;
    ASSERT_TRUE(dialog_reader::Wait(run.Pid(), kTimeout, &box)) << "no prompt";
    Sleep(300);  // let both windows settle
    HWND notice = FindNotice(run.Pid());
    ASSERT_TRUE(notice != nullptr) << "no notice";
    EXPECT_EQ("FileLoadError", box.caption);
    EXPECT_EQ(std::vector<std::string>({"再試行(&R)", "キャンセル"}), box.buttons);
    bool icon = false;
    for (HWND child = GetWindow(box.hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        icon = icon || (dialog_reader::ClassIs(child, "Static") &&
                        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON);
    EXPECT_TRUE(icon) << "no icon";
    EXPECT_TRUE(IsAbove(box.hWnd, notice)) << "the notice covers the prompt";
    EXPECT_EQ(box.hWnd, GetForegroundWindow()) << "the prompt is not in the foreground";
    GUITHREADINFO gui = {sizeof gui};
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(box.hWnd, nullptr), &gui));
    EXPECT_EQ(box.hWnd, gui.hwndActive);
    EXPECT_EQ(GetDlgItem(box.hWnd, IDRETRY), gui.hwndFocus) << "Retry has not the keyboard focus";
    EXPECT_FALSE(IsWindowEnabled(notice)) << "the notice can be clicked over the prompt";

    // Enter on the keyboard reaches the prompt: Retry, now that the file is free.
    CloseHandle(held);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    EXPECT_EQ(2u, SendInput(2, keys, sizeof(INPUT)));
    ASSERT_TRUE(dialog_reader::WaitClosed(box.hWnd, kTimeout));
    ASSERT_TRUE(run.Finish());
    ExpectSuccessOnly(run);
    EXPECT_EQ("h", GetFile(game + "\\held.txt"));
}

TEST_F(InstallerE2E, LogOffIsRefusedWhileTheCopyRuns)
{
    Source(2, "held.txt", "h");
    HANDLE held = HoldOpen(medium + "\\data\\gamedata2\\held.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun run;
    ASSERT_TRUE(run.Start(exe));
    CDialogInfo box;
    ASSERT_TRUE(dialog_reader::Wait(run.Pid(), kTimeout, &box));
    HWND notice = FindNotice(run.Pid());
    ASSERT_TRUE(notice != nullptr);
    for (LPARAM reason : {LPARAM(0), LPARAM(ENDSESSION_LOGOFF)}) {
        DWORD_PTR answer = 1;
        ASSERT_TRUE(SendMessageTimeoutA(notice, WM_QUERYENDSESSION, 0, reason, SMTO_NORMAL, 5000, &answer))
            << "the notice did not answer";
        EXPECT_EQ(0u, answer) << "the session may end during the copy (reason " << reason << ")";
    }
    CloseHandle(held);
    run.answer = [](size_t, const CDialogInfo&) { return IDCANCEL; };
    ASSERT_TRUE(run.Finish());
    EXPECT_EQ("<missing>", GetFile(game + "\\held.txt"));
}

// Needs QUILL_SMALL_DRIVE: a drive of a few MiB (set up by small_drive.sh).
class InstallerSmallDrive : public InstallerE2E {
protected:
    const char* DriveVariable() override { return "QUILL_SMALL_DRIVE"; }
};

TEST_F(InstallerSmallDrive, NotEnoughRoomWritesNothing)
{
    if (!std::getenv("QUILL_SMALL_DRIVE"))
        GTEST_SKIP() << "no small drive (run through small_drive.sh)";
    Source(2, "a.txt", "a");
    Source(5, "b.txt", "b");
    auto before = SnapshotTree(game);
    CRun run;
    Run(run);
    ASSERT_EQ(1u, run.seen.size());
    EXPECT_EQ(kErrorCaption, run.seen[0].caption);
    EXPECT_EQ("インストール先ハードディスクの容量が不足しています。", run.seen[0].text);
    EXPECT_EQ("", TreeDifference(before, SnapshotTree(game)));
}

// Needs QUILL_FILLING_DRIVE: a drive just larger than the update's byte total
// (set up by small_drive.sh), which another program fills during the copy.
class InstallerFillingDrive : public InstallerE2E {
protected:
    const char* DriveVariable() override { return "QUILL_FILLING_DRIVE"; }
};

TEST_F(InstallerFillingDrive, WriteFailurePromptThenCancelLeavesTheFolderAsItWas)
{
    const char* drive = std::getenv("QUILL_FILLING_DRIVE");
    if (!drive)
        GTEST_SKIP() << "no filling drive (run through small_drive.sh)";
    PutFile(game + "\\a.txt", "original a");
    Source(2, "a.txt", "new a");
    Source(2, "sub\\new.txt", "new");
    Source(2, "held.txt", "h");
    Source(5, "big.bin", Bytes(8 << 20, 3));
    auto before = SnapshotTree(game);
    // The copy waits at a held source, after both free-space checks passed.
    HANDLE held = HoldOpen(medium + "\\data\\gamedata2\\held.txt");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun run;
    ASSERT_TRUE(run.Start(exe));
    CDialogInfo box;
    ASSERT_TRUE(dialog_reader::Wait(run.Pid(), kTimeout, &box));
    ASSERT_EQ("FileLoadError", box.caption);

    // Meanwhile another program fills the drive up to the last 2 MiB.
    std::string filler = std::string(drive) + "\\filler.bin";
    ULARGE_INTEGER free = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA((std::string(drive) + "\\").c_str(), &free, nullptr, nullptr));
    ASSERT_GT(free.QuadPart, 1936657940ull) << "the drive is too small for the free-space check";
    HANDLE fill = CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(fill, INVALID_HANDLE_VALUE);
    std::vector<char> zeros(4 << 20);
    for (uint64_t left = free.QuadPart - (2 << 20); left > 0;) {
        DWORD chunk = DWORD(left < zeros.size() ? left : zeros.size()), put = 0;
        if (!WriteFile(fill, zeros.data(), chunk, &put, nullptr) || put == 0)
            break;
        left -= put;
    }
    CloseHandle(fill);
    CloseHandle(held);

    run.answer = [](size_t, const CDialogInfo& box) { return box.caption == "FileLoadError" ? IDRETRY : IDCANCEL; };
    dialog_reader::Press(box, IDRETRY);
    dialog_reader::WaitClosed(box.hWnd, kTimeout);
    bool finished = run.Finish();
    DeleteFileA(filler.c_str());
    ASSERT_TRUE(finished);
    ASSERT_EQ(1u, run.seen.size());
    EXPECT_EQ("WriteFileError", run.seen[0].caption);
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, ERROR_DISK_FULL, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<char*>(&message), 0, nullptr);
    std::string diskFull = message ? message : "";
    LocalFree(message);
    // The error that made the write fail, not the success of a later call.
    EXPECT_EQ("ファイル書き込みに失敗しました。[Error::WriteFile]\nWindowsError:" + diskFull, run.seen[0].text);
    EXPECT_EQ("", TreeDifference(before, SnapshotTree(game)));
}

}  // namespace
