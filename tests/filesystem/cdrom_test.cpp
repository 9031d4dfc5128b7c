// CFile's search of CD-ROM drives for relative names, with drives P: and Q:
// declared as CD-ROMs through Wine's mount manager for the life of the
// process. The drive table and the start letter are process-wide state, so
// every case expects a process of its own (ctest runs each case alone).
#include "filesystem/File.h"
#include "filesystem/PackFormat.h"
#include "common/TestFiles.h"
#include "filesystem/DiskFile.h"
#include "filesystem/ZipArchiveFile.h"
#include "filesystem/ZipSingleFile.h"
#include "common/TestThread.h"

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kHostRoot = QUILL_BINARY_DIR "/cdromtest";
bool g_definedR = false;  // by the case that declares a drive late

// Wine's mount manager defines and removes drive letters at run time, with a
// type; it writes the dosdevices link and the "cdrom" value under
// HKLM\Software\Wine\Drives itself. (That value written directly is only read
// when the server starts.) The request is the manager's unix-drive record
// followed by the zero-terminated unix path of the drive's root.
const DWORD kDefineUnixDrive = CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
static_assert(sizeof(UnixDriveRequest) == 32, "layout of the mount manager's record");

// Type DRIVE_NO_ROOT_DIR removes the letter (its dosdevices link and its
// registry entry). Returns an empty string or what went wrong.
std::string DefineDrive(char letter, UINT type, const std::string& unixRoot)
{
    HANDLE mm = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (mm == INVALID_HANDLE_VALUE)
        return "cannot open the mount manager, error " + std::to_string(GetLastError());
    std::vector<char> request(sizeof(UnixDriveRequest) + unixRoot.size() + 1, 0);
    UnixDriveRequest* r = reinterpret_cast<UnixDriveRequest*>(request.data());
    r->size = sizeof *r;
    r->type = type;
    r->letter = WCHAR(letter);
    if (type != DRIVE_NO_ROOT_DIR) {
        r->mountPointOffset = USHORT(sizeof *r);
        std::memcpy(request.data() + sizeof *r, unixRoot.c_str(), unixRoot.size() + 1);
    }
    DWORD got = 0;
    BOOL ok = DeviceIoControl(mm, kDefineUnixDrive, request.data(), DWORD(request.size()), nullptr, 0,
                              &got, nullptr);
    DWORD error = GetLastError();
    CloseHandle(mm);
    char root[] = {letter, ':', '\\', 0};
    UINT now = GetDriveTypeA(root);
    // Removing a letter that is not defined fails, and is what was wanted.
    if (!ok && !(type == DRIVE_NO_ROOT_DIR && now == DRIVE_NO_ROOT_DIR))
        return std::string("defining ") + letter + ": failed, error " + std::to_string(error);
    if (now != type)
        return std::string(root) + " has type " + std::to_string(now) + " after defining it as " +
               std::to_string(type);
    return std::string();
}

// The host folder behind a drive letter, seen through Z:.
std::string DriveFolder(char letter) { return WinePath(kHostRoot + "/" + char(letter - 'A' + 'a')); }

// A file below X:\data\gamedata, written through the host folder.
void OnDrive(char letter, const std::string& relative, const std::string& text)
{
    PutFile(DriveFolder(letter) + "\\data\\gamedata\\" + relative, text);
}

// Opens a name through CFile; its contents, or "<not opened>".
std::string ReadText(const std::string& name)
{
    CFile f;
    if (f.Open(name) != 1)
        return "<not opened>";
    std::string text(f.GetSize(), '\0');
    if (!text.empty() && f.Read(&text[0], uint32_t(text.size()), 1) != 1)
        return "<read failed>";
    return text;
}

// Declares P: and Q: as CD-ROM drives over empty host folders for the whole
// process and removes them afterwards, so that other programs in the prefix
// never see them.
class CdromDrives : public ::testing::Environment {
public:
    void SetUp() override
    {
        for (char letter : {'P', 'Q'}) {
            RemoveTree(DriveFolder(letter));
            MakeFolders(DriveFolder(letter));
            std::string error = DefineDrive(letter, DRIVE_CDROM, kHostRoot + "/" + char(letter - 'A' + 'a'));
            ASSERT_EQ("", error) << "declaring " << letter << ": as a CD-ROM drive";
        }
        std::string others;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            char root[] = {letter, ':', '\\', 0};
            if (letter != 'P' && letter != 'Q' && GetDriveTypeA(root) == DRIVE_CDROM)
                others += root + std::string(" ");
        }
        ASSERT_EQ("", others) << "the cases expect P: and Q: to be the only CD-ROM drives";
    }
    void TearDown() override
    {
        for (char letter : {'P', 'Q', 'R'}) {
            if (letter != 'R' || g_definedR) {
                EXPECT_EQ("", DefineDrive(letter, DRIVE_NO_ROOT_DIR, ""));
            }
        }
        RemoveTree(WinePath(kHostRoot));
    }
};

const ::testing::Environment* const g_drives = ::testing::AddGlobalTestEnvironment(new CdromDrives);

// Fresh drive contents (both with an empty data\gamedata) and an empty
// current folder, so that no relative name is found locally.
class CdromSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int cases = 0;
        if (++cases > 1)
            GTEST_SKIP() << "needs a process of its own: run it with --gtest_filter";
        for (char letter : {'P', 'Q'}) {
            RemoveTree(DriveFolder(letter) + "\\data");
            MakeFolders(DriveFolder(letter) + "\\data\\gamedata");
        }
        m_cwd = WinePath(kHostRoot + "/cwd");
        RemoveTree(m_cwd);
        MakeFolders(m_cwd);
        GetCurrentDirectoryA(MAX_PATH, m_previous);
        ASSERT_TRUE(SetCurrentDirectoryA(m_cwd.c_str())) << m_cwd;
        ASSERT_EQ('A', GetLastCdromDrive()) << "start letter of a fresh process";
    }
    void TearDown() override { SetCurrentDirectoryA(m_previous); }

    std::string m_cwd;
    char m_previous[MAX_PATH] = {};
};

}  // namespace

TEST_F(CdromSearch, RelativeNameFoundOnLaterDrive)
{
    OnDrive('Q', "only.txt", "only on Q");
    OnDrive('Q', "bg\\deep.txt", "deep on Q");
    PutFile(DriveFolder('P') + "\\only.txt", "P root, not data\\gamedata");
    PutFile(DriveFolder('P') + "\\data\\only.txt", "P data, not data\\gamedata");

    CFile f;
    ASSERT_EQ(1, f.Open("only.txt"));
    EXPECT_NE(nullptr, dynamic_cast<CDiskFile*>(f.GetImplementation())) << "a loose file";
    std::string text(f.GetSize(), '\0');
    ASSERT_EQ(1u, f.Read(&text[0], uint32_t(text.size()), 1));
    EXPECT_EQ("only on Q", text);
    EXPECT_EQ('Q', GetLastCdromDrive()) << "the drive it came from";
    f.Close();

    EXPECT_EQ("deep on Q", ReadText("bg\\deep.txt"));
    EXPECT_EQ("deep on Q", ReadText("bg/deep.txt")) << "forward slash";
    EXPECT_EQ("deep on Q", ReadText("\\bg\\deep.txt")) << "root-relative names are searched too";
    EXPECT_EQ("deep on Q", ReadText("bg\\..\\bg\\deep.txt"));
    EXPECT_EQ("<not opened>", ReadText("deep.txt")) << "only the path as given is tried";

    // A local file still comes first.
    PutFile(m_cwd + "\\only.txt", "local");
    EXPECT_EQ("local", ReadText("only.txt"));
}

TEST_F(CdromSearch, NextSearchStartsAtLastDrive)
{
    OnDrive('P', "both.txt", "both, P copy");
    OnDrive('Q', "both.txt", "both, Q copy");
    OnDrive('Q', "only.txt", "only on Q");

    EXPECT_EQ("<not opened>", ReadText("none.txt"));
    EXPECT_EQ('A', GetLastCdromDrive()) << "a miss before any file was found";
    EXPECT_EQ("both, P copy", ReadText("both.txt")) << "from A, P comes first";
    EXPECT_EQ('P', GetLastCdromDrive());
    EXPECT_EQ("only on Q", ReadText("only.txt"));
    EXPECT_EQ('Q', GetLastCdromDrive());
    EXPECT_EQ("both, Q copy", ReadText("both.txt")) << "the search starts at Q now";
    EXPECT_EQ('Q', GetLastCdromDrive());

    // A search that finds nothing walks every drive and keeps the last
    // letter that had a file.
    EXPECT_EQ("<not opened>", ReadText("none.txt"));
    EXPECT_EQ('Q', GetLastCdromDrive()) << "after a miss";
    EXPECT_EQ("both, Q copy", ReadText("both.txt")) << "still from Q";
    OnDrive('P', "only_p.txt", "only on P");
    EXPECT_EQ("only on P", ReadText("only_p.txt"));
    EXPECT_EQ("<not opened>", ReadText("none.txt"));
    EXPECT_EQ('P', GetLastCdromDrive()) << "after a miss";
    EXPECT_EQ("both, P copy", ReadText("both.txt"));
}

TEST_F(CdromSearch, PackMembersOnDrive)
{
    std::vector<uint8_t> picture(5000);
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = uint8_t(i * 7 + i / 300);
    std::string gamedata = DriveFolder('Q') + "\\data\\gamedata";
    PutFile(gamedata + "\\bg.pak", PackBuildArchive({{"a.bmp", picture}, {"sub/b.txt", {'b'}}}));
    PutFile(gamedata + "\\se\\" + PackSingleStem("s", "wav") + ".pak", PackBuildSingle({"s.wav", {'s', '1'}}));

    CFile f;
    ASSERT_EQ(1, f.Open("bg\\a.bmp"));
    EXPECT_NE(nullptr, dynamic_cast<CZipArchiveFile*>(f.GetImplementation())) << "a pack archive member";
    std::vector<uint8_t> got(f.GetSize());
    ASSERT_EQ(picture.size(), got.size());
    ASSERT_EQ(1u, f.Read(got.data(), uint32_t(got.size()), 1));
    EXPECT_TRUE(got == picture) << "member bytes";
    EXPECT_EQ('Q', GetLastCdromDrive());
    f.Close();

    EXPECT_EQ("b", ReadText("bg\\sub\\b.txt")) << "a member in a folder of the archive";
    EXPECT_EQ("b", ReadText("BG\\SUB\\B.TXT")) << "member names are matched without case";
    ASSERT_EQ(1, f.Open("se\\s.wav"));
    EXPECT_NE(nullptr, dynamic_cast<CZipSingleFile*>(f.GetImplementation())) << "a single-file pack";
    f.Close();
    EXPECT_EQ("s1", ReadText("se\\s.wav"));

    // An archive standing for data\gamedata itself is used as well.
    PutFile(DriveFolder('Q') + "\\data\\gamedata.pak", PackBuildArchive({{"top.txt", {'t'}}}));
    EXPECT_EQ("t", ReadText("top.txt"));
}

TEST_F(CdromSearch, AbsoluteNameNeverSearches)
{
    OnDrive('Q', "only.txt", "only on Q");
    OnDrive('P', "only.txt", "only on P");

    EXPECT_EQ("<not opened>", ReadText(m_cwd + "\\only.txt"));
    EXPECT_EQ('A', GetLastCdromDrive()) << "a full path that does not exist";
    EXPECT_EQ("<not opened>", ReadText("C:only.txt"));
    EXPECT_EQ('A', GetLastCdromDrive()) << "a drive-relative name counts as absolute";

    // The same name without its folder is searched.
    EXPECT_EQ("only on P", ReadText("only.txt"));
    EXPECT_EQ('P', GetLastCdromDrive());
}

TEST_F(CdromSearch, DriveWithoutGameDataIsSkipped)
{
    std::string p = DriveFolder('P');
    RemoveTree(p + "\\data\\gamedata");
    PutFile(p + "\\both.txt", "P root");
    PutFile(p + "\\data\\both.txt", "P data");
    // An archive that would stand for the missing folder is not looked at.
    PutFile(p + "\\data\\gamedata.pak", PackBuildArchive({{"both.txt", {'p', 'a', 'k'}}}));
    OnDrive('Q', "both.txt", "both, Q copy");

    EXPECT_EQ("both, Q copy", ReadText("both.txt")) << "P has no data\\gamedata";
    EXPECT_EQ('Q', GetLastCdromDrive());
    EXPECT_EQ("<not opened>", ReadText("none.txt"));
    EXPECT_EQ('Q', GetLastCdromDrive()) << "P was skipped and is not the last drive";

    // The folder test is made at each search.
    MakeFolders(p + "\\data\\gamedata");
    PutFile(p + "\\data\\gamedata\\only_p.txt", "now on P");
    EXPECT_EQ("now on P", ReadText("only_p.txt"));
    EXPECT_EQ('P', GetLastCdromDrive());
}

TEST_F(CdromSearch, FileNamedGamedataIsNotADataFolder)
{
    std::string p = DriveFolder('P');
    RemoveTree(p + "\\data\\gamedata");
    PutFile(p + "\\data\\gamedata", "a file, not a folder");
    // Taken for a folder, the file would lead to the archive beside it.
    PutFile(p + "\\data\\gamedata.pak", PackBuildArchive({{"x.txt", {'p', 'a', 'k'}}}));
    OnDrive('Q', "x.txt", "x on Q");

    EXPECT_EQ("x on Q", ReadText("x.txt"));
    EXPECT_EQ('Q', GetLastCdromDrive());
    RemoveTree(DriveFolder('Q') + "\\data");
    EXPECT_EQ("<not opened>", ReadText("x.txt")) << "no drive has a data folder";
    EXPECT_EQ('Q', GetLastCdromDrive());
}

TEST_F(CdromSearch, DotsStayInsideTheirFolder)
{
    // Files one and two levels above Q:\data\gamedata, and above the
    // current folder.
    PutFile(DriveFolder('Q') + "\\data\\secret.txt", "Q data");
    PutFile(DriveFolder('Q') + "\\secret.txt", "Q root");
    OnDrive('Q', "bg\\deep.txt", "deep on Q");
    PutFile(m_cwd + "\\..\\parent.txt", "beside the current folder");
    PutFile(m_cwd + "\\sub\\local.txt", "local");

    for (const char* name : {"..\\secret.txt", "..\\..\\secret.txt", "bg\\..\\..\\secret.txt",
                             "bg/../../gamedata/bg/deep.txt", "\\..\\secret.txt", "bg\\...\\secret.txt",
                             "..\\parent.txt", "sub\\..\\..\\parent.txt", ".", "bg\\.."}) {
        EXPECT_EQ("<not opened>", ReadText(name)) << name;
    }
    EXPECT_EQ('A', GetLastCdromDrive()) << "nothing was found on a drive";

    // Inside, every spelling works on the drive as it does locally.
    for (const char* name : {"bg\\deep.txt", "bg//deep.txt", "bg/./deep.txt", "bg\\x\\..\\deep.txt",
                             ".\\bg\\deep.txt", "bg\\\\deep.txt"}) {
        EXPECT_EQ("deep on Q", ReadText(name)) << name;
    }
    EXPECT_EQ('Q', GetLastCdromDrive());
    EXPECT_EQ("local", ReadText("sub\\x\\..\\local.txt"));
    EXPECT_EQ("local", ReadText("sub//local.txt"));
    // The full path of the file beside the current folder still opens.
    EXPECT_EQ("beside the current folder", ReadText(m_cwd + "\\..\\parent.txt"));

    // Pack members on the drive are found for every spelling too.
    PutFile(DriveFolder('Q') + "\\data\\gamedata\\pk.pak", PackBuildArchive({{"a.bmp", {'m'}}}));
    EXPECT_EQ("m", ReadText("pk//a.bmp"));
    EXPECT_EQ("m", ReadText("pk\\sub\\..\\a.bmp"));
}

TEST_F(CdromSearch, ConcurrentSearchesFindTheirFiles)
{
    OnDrive('P', "p.txt", "on P");
    OnDrive('Q', "q.txt", "on Q");
    std::atomic<int> wrong{0};
    auto reader = [&](const char* name, const char* text) {
        for (int i = 0; i < 100; ++i)
            if (ReadText(name) != text)
                ++wrong;
    };
    TestThread a([&] { reader("p.txt", "on P"); }), b([&] { reader("q.txt", "on Q"); }),
        c([&] { reader("none.txt", "<not opened>"); });
    a.Join();
    b.Join();
    c.Join();
    EXPECT_EQ(0, wrong.load()) << "opens that did not find their file";
    const char last = GetLastCdromDrive();
    EXPECT_TRUE(last == 'P' || last == 'Q') << "last drive " << last;
}

TEST_F(CdromSearch, DrivesAddedLaterAreNotSeen)
{
    EXPECT_EQ("<not opened>", ReadText("late.txt")) << "the first search builds the drive table";
    std::string r = kHostRoot + "/r";
    RemoveTree(WinePath(r));
    MakeFolders(WinePath(r) + "\\data\\gamedata");
    PutFile(WinePath(r) + "\\data\\gamedata\\late.txt", "on R");
    g_definedR = true;
    ASSERT_EQ("", DefineDrive('R', DRIVE_CDROM, r));
    ASSERT_EQ("on R", ReadText("R:\\data\\gamedata\\late.txt")) << "R: is readable";

    EXPECT_EQ("<not opened>", ReadText("late.txt")) << "R: came after the table was built";
    EXPECT_EQ('A', GetLastCdromDrive()) << "no drive had a file";
    EXPECT_EQ("", DefineDrive('R', DRIVE_NO_ROOT_DIR, ""));
    g_definedR = false;
}
