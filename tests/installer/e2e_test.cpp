// Runs the real installer on a medium built here, against a game registered
// in this prefix, and reads and answers every message box it shows.
#include "DialogReader.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const DWORD kTimeout = 20000;

// The CP932 bytes of the texts the user sees.
const char* const kErrorCaption = "\x83\x47\x83\x89\x81\x5B";  // エラー
const char* const kNotInstalled =
    "Quillmoor\x81\x60" "Brindlewick\x81\x60\x82\xAA\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B"
    "\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42";

std::string Bytes(size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed * 31 + i * 13 + i / 509);
    return bytes;
}

// Every file and folder below root: relative path -> bytes ("<dir>" for folders).
void Snapshot(const std::string& root, const std::string& prefix, std::map<std::string, std::string>* tree)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((root + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string relative = prefix + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            (*tree)[relative] = "<dir>";
            Snapshot(root + "\\" + name, relative + "\\", tree);
        } else {
            (*tree)[relative] = GetFile(root + "\\" + name);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

std::map<std::string, std::string> Snapshot(const std::string& root)
{
    std::map<std::string, std::string> tree;
    Snapshot(root, "", &tree);
    return tree;
}

void SetString(HKEY key, const char* name, const std::string& value)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void Unregister()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteKeyA(root, (std::string(kAppPaths) + "Quillmoor.exe").c_str());
        RegDeleteKeyA(root, (std::string(kAppPaths) + "Quillmoor\x81\x69Varnel\x81\x6A.exe").c_str());
    }
}

void Register(const std::string& product, const std::string& program, const std::string& folder)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, (kAppPaths + product + ".exe").c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    SetString(key, nullptr, program);
    SetString(key, "Path", folder);
    RegCloseKey(key);
}

struct Seen {
    std::string caption, text;
    std::vector<std::string> buttons;
};

// One installer process with its answers.
class CRun {
public:
    // answer(n, box) returns the button id to press for the n-th box.
    std::function<int(size_t, const CDialogInfo&)> answer = [](size_t, const CDialogInfo&) { return IDOK; };
    std::vector<Seen> seen;
    DWORD exitCode = 0xDEAD;

    bool Start(const std::string& exe)
    {
        STARTUPINFOA si = {sizeof si};
        std::string command = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_Info))
            return false;
        CloseHandle(m_Info.hThread);
        return true;
    }
    // Answers boxes until the process ends; false (and the process killed)
    // when it does not end in time.
    bool Finish()
    {
        DWORD start = GetTickCount();
        while (WaitForSingleObject(m_Info.hProcess, 0) == WAIT_TIMEOUT) {
            if (GetTickCount() - start > kTimeout * 2)
                return Kill();
            CDialogInfo box;
            if (!dialog_reader::Find(m_Info.dwProcessId, &box)) {
                Sleep(20);
                continue;
            }
            seen.push_back(Seen{box.caption, box.text, box.buttons});
            if (!dialog_reader::Press(box, answer(seen.size() - 1, box)) ||
                !dialog_reader::WaitClosed(box.hWnd, kTimeout))
                return Kill();
        }
        GetExitCodeProcess(m_Info.hProcess, &exitCode);
        return true;
    }
    DWORD Pid() const { return m_Info.dwProcessId; }
    ~CRun()
    {
        if (m_Info.hProcess) {
            Kill();
            CloseHandle(m_Info.hProcess);
        }
    }

private:
    bool Kill()
    {
        if (WaitForSingleObject(m_Info.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_Info.hProcess, 99);
            WaitForSingleObject(m_Info.hProcess, 5000);
        }
        return false;
    }
    PROCESS_INFORMATION m_Info = {};
};

class InstallerE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* small = std::getenv("QUILL_SMALL_DRIVE");
        game = (small && UseSmallDrive() ? std::string(small) : root) + "\\game";
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
    virtual bool UseSmallDrive() { return false; }

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
    void ExpectNoBackups()
    {
        for (const auto& file : Snapshot(game))
            EXPECT_EQ(std::string::npos, file.first.find(".quillbak")) << file.first;
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
    HANDLE held = CreateFileA(late.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
    HANDLE held = CreateFileA((game + "\\data.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
    ExpectNoBackups();
}

TEST_F(InstallerE2E, LockedDestinationCancelRestoresEverything)
{
    PutFile(game + "\\data.bin", "old");
    PutFile(game + "\\replaced.txt", "old replaced");
    Source(2, "replaced.txt", "new replaced");
    Source(2, "sub\\created.txt", "created");
    Source(5, "data.bin", "new");
    auto before = Snapshot(game);
    HANDLE held = CreateFileA((game + "\\data.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CRun run;
    run.answer = [](size_t, const CDialogInfo&) { return IDCANCEL; };
    Run(run);
    CloseHandle(held);
    ASSERT_EQ(1u, run.seen.size()) << "a cancelled update ends silently";
    EXPECT_EQ("FileCreateError", run.seen[0].caption);
    auto after = Snapshot(game);
    after.erase("sub");  // a folder the job created may stay
    EXPECT_EQ(before, after);
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
    auto before = Snapshot(game);
    const char* held[] = {"data\\gamedata3\\a.txt", "data\\gamedata2\\b\\b.txt", "data\\gamedata5\\zz_last.txt"};
    HANDLE lock = CreateFileA((medium + "\\" + held[GetParam()]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    CRun run;
    run.answer = [](size_t, const CDialogInfo&) { return IDCANCEL; };
    Run(run);
    CloseHandle(lock);
    ASSERT_EQ(1u, run.seen.size());
    EXPECT_EQ("FileLoadError", run.seen[0].caption);
    auto after = Snapshot(game);
    after.erase("new2");
    EXPECT_EQ(before, after);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, InstallerRollback, ::testing::Values(0, 1, 2));

TEST_F(InstallerE2E, SecondInstanceEndsAtOnceWithoutAWindow)
{
    Source(2, "held.txt", "h");
    HANDLE held = CreateFileA((medium + "\\data\\gamedata2\\held.txt").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
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

// Needs QUILL_SMALL_DRIVE: a drive of a few MiB (set up by small_drive.sh).
class InstallerSmallDrive : public InstallerE2E {
protected:
    bool UseSmallDrive() override { return true; }
};

TEST_F(InstallerSmallDrive, NotEnoughRoomWritesNothing)
{
    if (!std::getenv("QUILL_SMALL_DRIVE"))
        GTEST_SKIP() << "no small drive (run through small_drive.sh)";
    Source(2, "a.txt", "a");
    Source(5, "b.txt", "b");
    auto before = Snapshot(game);
    CRun run;
    Run(run);
    ASSERT_EQ(1u, run.seen.size());
    EXPECT_EQ(kErrorCaption, run.seen[0].caption);
    EXPECT_EQ("インストール先ハードディスクの容量が不足しています。", run.seen[0].text);
    EXPECT_EQ(before, Snapshot(game));
}

}  // namespace
