#include "framework/FileHandle.h"
#include "framework/Thread.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// A fresh folder for each test.
class FileHandleTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) { return m_Dir / name; }
    std::string MakeFile(const std::string& name, const std::vector<BYTE>& data)
    {
        std::string path = Path(name);
        PutFile(path, std::string(data.begin(), data.end()));
        return path;
    }

    CTempFolder m_Dir{"fh"};
};

std::vector<BYTE> Pattern(size_t size)
{
    std::vector<BYTE> data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<BYTE>(i * 7 + (i >> 8));
    return data;
}

}  // namespace

TEST_F(FileHandleTest, ClosedObjectFailsEverything)
{
    CFileHandle file;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(0xFFFFFFFFu, file.GetSize());
    EXPECT_EQ(~uint64_t(0), file.GetSize64());
    EXPECT_EQ(0u, file.Tell());
    EXPECT_FALSE(file.Seek(0, FILE_BEGIN));
    EXPECT_FALSE(file.Rewind());
    BYTE buffer[4];
    EXPECT_FALSE(file.ReadBytes(buffer, 4));
    EXPECT_FALSE(file.WriteBytes(buffer, 4));
    EXPECT_FALSE(file.ReadBytes(buffer, 0));
    file.Close();
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileHandleTest, MissingFileAndBadPathLeaveItClosed)
{
    CFileHandle file;
    std::string existing = MakeFile("a.bin", Pattern(10));
    ASSERT_TRUE(file.OpenRead(existing.c_str()));
    EXPECT_FALSE(file.OpenRead(Path("missing.bin").c_str()));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.OpenRead(nullptr));
    EXPECT_FALSE(file.OpenWrite(nullptr, true));
    EXPECT_FALSE(file.OpenWrite(Path("no such folder\\x.bin").c_str(), true));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileHandleTest, WriteThenReadBackWithJapaneseName)
{
    std::string path = Path("テスト表示.bin");
    std::vector<BYTE> data = Pattern(1 << 20);
    {
        CFileHandle out;
        ASSERT_TRUE(out.OpenWrite(path.c_str(), true));
        EXPECT_EQ(0u, out.Tell());
        for (size_t at = 0; at < data.size(); at += 16384)
            ASSERT_TRUE(out.WriteBytes(&data[at], 16384));
        EXPECT_EQ(data.size(), out.GetSize());
        EXPECT_EQ(data.size(), out.GetSize64());
        EXPECT_EQ(data.size(), out.Tell());
    }
    CFileHandle in;
    ASSERT_TRUE(in.OpenRead(path.c_str()));
    EXPECT_EQ(data.size(), in.GetSize());
    std::vector<BYTE> back(data.size());
    ASSERT_TRUE(in.ReadBytes(back.data(), static_cast<DWORD>(back.size())));
    EXPECT_TRUE(back == data);
    EXPECT_EQ(data.size(), in.Tell());
    // At the end of the file nothing more can be read.
    BYTE one;
    EXPECT_FALSE(in.ReadBytes(&one, 1));
    EXPECT_EQ(data.size(), in.Tell());
}

TEST_F(FileHandleTest, ShortReadFailsAndRestoresPosition)
{
    std::vector<BYTE> data = Pattern(140);
    std::string path = MakeFile("short.bin", data);
    CFileHandle file;
    ASSERT_TRUE(file.OpenRead(path.c_str()));
    ASSERT_TRUE(file.Seek(100, FILE_BEGIN));
    std::vector<BYTE> buffer(100, 0xEE);
    SetLastError(NO_ERROR);
    EXPECT_FALSE(file.ReadBytes(buffer.data(), 100));
    // The caller's message names why: the end of the file, not "success".
    EXPECT_EQ(DWORD(ERROR_HANDLE_EOF), GetLastError());
    EXPECT_EQ(100u, file.Tell());
    // The remaining 40 bytes are still there to read.
    ASSERT_TRUE(file.ReadBytes(buffer.data(), 40));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 40, data.begin() + 100));
    EXPECT_EQ(140u, file.Tell());
    // Zero bytes succeed anywhere; a null buffer does not.
    EXPECT_TRUE(file.ReadBytes(buffer.data(), 0));
    ASSERT_TRUE(file.Rewind());
    EXPECT_FALSE(file.ReadBytes(nullptr, 10));
    EXPECT_EQ(0u, file.Tell());
}

TEST_F(FileHandleTest, SeekTellAndBadSeeks)
{
    std::string path = MakeFile("seek.bin", Pattern(1000));
    CFileHandle file;
    ASSERT_TRUE(file.OpenRead(path.c_str()));
    EXPECT_TRUE(file.Seek(-10, FILE_END));
    EXPECT_EQ(990u, file.Tell());
    EXPECT_TRUE(file.Seek(-90, FILE_CURRENT));
    EXPECT_EQ(900u, file.Tell());
    EXPECT_FALSE(file.Seek(-1, FILE_BEGIN));
    EXPECT_EQ(900u, file.Tell());
    EXPECT_FALSE(file.Seek(0, 7));
    EXPECT_EQ(900u, file.Tell());
    // Beyond the end is allowed; a read there fails without moving.
    EXPECT_TRUE(file.Seek(2000, FILE_BEGIN));
    BYTE buffer[8];
    EXPECT_FALSE(file.ReadBytes(buffer, 8));
    EXPECT_EQ(2000u, file.Tell());
    EXPECT_TRUE(file.Rewind());
    EXPECT_EQ(0u, file.Tell());
}

TEST_F(FileHandleTest, OpenWriteAppendsOrTruncates)
{
    std::string path = MakeFile("append.bin", Pattern(300));
    CFileHandle file;
    ASSERT_TRUE(file.OpenWrite(path.c_str(), false));
    EXPECT_EQ(300u, file.Tell());
    std::vector<BYTE> more = Pattern(50);
    ASSERT_TRUE(file.WriteBytes(more.data(), 50));
    EXPECT_EQ(350u, file.GetSize());
    // Opened for reading too.
    ASSERT_TRUE(file.Seek(300, FILE_BEGIN));
    BYTE back[50];
    ASSERT_TRUE(file.ReadBytes(back, 50));
    EXPECT_TRUE(std::equal(back, back + 50, more.begin()));

    ASSERT_TRUE(file.OpenWrite(path.c_str(), true));
    EXPECT_EQ(0u, file.GetSize());
    EXPECT_EQ(0u, file.Tell());
    // OPEN_ALWAYS creates a missing file.
    std::string created = Path("created.bin");
    ASSERT_TRUE(file.OpenWrite(created.c_str(), false));
    EXPECT_EQ(0u, file.Tell());
    EXPECT_EQ(0u, file.GetSize());
}

TEST_F(FileHandleTest, CreateNewRefusesAnExistingFile)
{
    std::string path = MakeFile("taken.bin", Pattern(40));
    CFileHandle file;
    EXPECT_FALSE(file.CreateNew(path.c_str()));
    EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_FALSE(file.IsOpen());
    ASSERT_TRUE(file.OpenRead(path.c_str()));
    EXPECT_EQ(40u, file.GetSize()) << "the existing file must be left as it was";
    EXPECT_FALSE(file.CreateNew(nullptr));
    EXPECT_FALSE(file.IsOpen()) << "a failed create closes what was open";

    std::string fresh = Path("fresh.bin");
    ASSERT_TRUE(file.CreateNew(fresh.c_str()));
    std::vector<BYTE> data = Pattern(20);
    ASSERT_TRUE(file.WriteBytes(data.data(), 20));
    ASSERT_TRUE(file.Rewind());
    BYTE back[20];
    ASSERT_TRUE(file.ReadBytes(back, 20)) << "opened for reading too";
    EXPECT_TRUE(std::equal(back, back + 20, data.begin()));
    // Exclusive, like OpenWrite.
    CFileHandle other;
    EXPECT_FALSE(other.OpenRead(fresh.c_str()));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
}

TEST_F(FileHandleTest, SharingViolations)
{
    std::string path = MakeFile("locked.bin", Pattern(64));
    HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
    CFileHandle file;
    EXPECT_FALSE(file.OpenRead(path.c_str()));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.OpenWrite(path.c_str(), false));
    EXPECT_FALSE(file.OpenWrite(path.c_str(), true));
    EXPECT_FALSE(file.IsOpen());
    CloseHandle(exclusive);

    // Two readers share; a writer excludes readers and the reverse.
    CFileHandle reader1, reader2, writer;
    ASSERT_TRUE(reader1.OpenRead(path.c_str()));
    EXPECT_TRUE(reader2.OpenRead(path.c_str()));
    EXPECT_FALSE(writer.OpenWrite(path.c_str(), false));
    reader1.Close();
    reader2.Close();
    ASSERT_TRUE(writer.OpenWrite(path.c_str(), false));
    EXPECT_FALSE(reader1.OpenRead(path.c_str()));
    // The untouched content survived the failed truncating opens.
    EXPECT_EQ(64u, writer.GetSize());
}

TEST_F(FileHandleTest, FailedWriteRestoresPosition)
{
    std::string path = MakeFile("ro.bin", Pattern(100));
    CFileHandle file;
    ASSERT_TRUE(file.OpenRead(path.c_str()));
    ASSERT_TRUE(file.Seek(30, FILE_BEGIN));
    std::vector<BYTE> data = Pattern(20);
    EXPECT_FALSE(file.WriteBytes(data.data(), 20));
    // The write's own error survives putting the position back.
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(30u, file.Tell());
    EXPECT_EQ(100u, file.GetSize());
    EXPECT_TRUE(file.WriteBytes(data.data(), 0));
    EXPECT_FALSE(file.WriteBytes(nullptr, 5));
}

// A byte pipe delivers a request in pieces: ReadBytes keeps reading until the
// whole request is in; a writer that goes away makes it fail.
TEST_F(FileHandleTest, PiecewiseDeliveryIsCompletedWithinOneRequest)
{
    struct Server {
        HANDLE pipe;
        DWORD pieces;
        static DWORD WINAPI Run(LPVOID p)
        {
            Server* s = static_cast<Server*>(p);
            ConnectNamedPipe(s->pipe, nullptr);
            std::vector<BYTE> data = Pattern(1000);
            for (DWORD i = 0; i < s->pieces; ++i) {
                DWORD written = 0;
                WriteFile(s->pipe, &data[i * 100], 100, &written, nullptr);
                ::Sleep(5);
            }
            FlushFileBuffers(s->pipe);
            DisconnectNamedPipe(s->pipe);
            return 0;
        }
    };
    for (DWORD pieces : {10u, 3u}) {
        std::string name = "\\\\.\\pipe\\quill_fh_" + std::to_string(GetCurrentProcessId()) + "_" +
                           std::to_string(pieces);
        Server server{CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                       4096, 4096, 0, nullptr),
                      pieces};
        ASSERT_NE(INVALID_HANDLE_VALUE, server.pipe);
        HANDLE thread = CreateThread(nullptr, 0, &Server::Run, &server, 0, nullptr);
        CFileHandle file;
        ASSERT_TRUE(file.OpenRead(name.c_str()));
        std::vector<BYTE> buffer(1000);
        bool whole = file.ReadBytes(buffer.data(), 1000);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        CloseHandle(server.pipe);
        if (pieces == 10) {
            EXPECT_TRUE(whole);
            EXPECT_TRUE(buffer == Pattern(1000));
        } else {
            EXPECT_FALSE(whole);
        }
    }
}
