#include "framework/FileHandle.h"
#include "setup/InstallEngine.h"
#include "setup/PathUtil.h"
#include "setup/SjisString.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "TestEngine.h"
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Pattern(size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 7 + i / 251);
    return bytes;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.SetSourceFolder(source, 1);
        engine.SetDestination(destination);
        engine.SetRequiredSize(1000000);
    }
    // Removed after the engine, whose destructor may still roll back.
    CTempFolder sourceFolder{"engine_source"};
    CTempFolder destinationFolder{"engine_destination"};
    std::string source = sourceFolder.Path();
    std::string destination = destinationFolder.Path();
    CTestEngine engine;
};

TEST_F(EngineTest, CopiesFilesInChunksWithPercentSequence)
{
    PutFile(source + "\\a.bin", Pattern(40000, 1));
    PutFile(source + "\\sub\\b.bin", Pattern(16384, 2));
    PutFile(source + "\\empty.bin", "");
    engine.AddFile("a.bin", 1);
    engine.AddFile("sub\\b.bin", 1);
    engine.AddFile("empty.bin", 1);
    engine.SetRequiredSize(40000 + 16384);
    RunToEnd(engine);
    EXPECT_TRUE(engine.IsFinished());
    EXPECT_FALSE(engine.IsCancelled());
    EXPECT_TRUE(engine.prompts.empty());
    EXPECT_EQ(std::vector<int>({40, 81, 100, 100}), engine.filePercents);
    EXPECT_EQ(std::vector<int>({29, 58, 70, 100}), engine.totalPercents);
    EXPECT_EQ(100, engine.GetTotalPercent());
    EXPECT_EQ(Pattern(40000, 1), GetFile(destination + "\\a.bin"));
    EXPECT_EQ(Pattern(16384, 2), GetFile(destination + "\\sub\\b.bin"));
    EXPECT_EQ("", GetFile(destination + "\\empty.bin"));
    EXPECT_EQ("", engine.GetStagingFolder());
}

TEST_F(EngineTest, DestinationPathCollapsesAndKeepsDoubleByteTrail)
{
    engine.SetDestination("C:\\game\\");
    // "表" is 0x95 0x5C: its second byte must survive the collapse.
    EXPECT_EQ("C:\\game\\\x95\x5C\\x.txt", engine.DestinationPath(CCopyEntry{1, "\\\x95\x5C\\\\x.txt"}));
}

TEST_F(EngineTest, MissingSourcePromptsRetryThenSucceeds)
{
    engine.AddFile("late.txt", 1);
    engine.answer = [&](const PromptCall&) {
        PutFile(source + "\\late.txt", "now here");
        return IDRETRY;
    };
    RunToEnd(engine);
    ASSERT_EQ(1u, engine.prompts.size());
    EXPECT_EQ("FileLoadError", engine.prompts[0].caption);
    EXPECT_EQ(UINT(MB_ICONERROR | MB_RETRYCANCEL), engine.prompts[0].style);
    // The system's text in the user's language (Japanese here), as it gives it.
    EXPECT_EQ(source + "\\late.txt\nファイル読み込みに失敗しました。[Error::CreateFile]\n"
                       "WindowsError:ファイルが見つかりません。\r\n",
              engine.prompts[0].text);
    EXPECT_EQ("now here", GetFile(destination + "\\late.txt"));
    EXPECT_TRUE(engine.IsFinished());
    EXPECT_FALSE(engine.IsCancelled());
}

TEST_F(EngineTest, CancelSetsFinishedAndCancelledAndCreatesNothing)
{
    engine.AddFile("missing.txt", 1);
    RunToEnd(engine);
    EXPECT_TRUE(engine.IsFinished());
    EXPECT_TRUE(engine.IsCancelled());
    EXPECT_FALSE(PathExists(destination + "\\missing.txt"));
}

TEST_F(EngineTest, AbortLeavesTheFolderAsItWasWithNothingStaged)
{
    PutFile(source + "\\keep.txt", "new keep");
    PutFile(source + "\\fresh.txt", "fresh");
    PutFile(destination + "\\keep.txt", "original keep");
    PutFile(destination + "\\other.txt", "untouched");
    engine.AddFile("keep.txt", 1);
    engine.AddFile("fresh.txt", 1);
    engine.AddFile("", 1);
    engine.AddFile("missing.txt", 1);
    bool stagedBeforePrompt = false;
    engine.answer = [&](const PromptCall&) {
        // The flush thread may still hold the staged file open: its size is read without opening it.
        WIN32_FILE_ATTRIBUTE_DATA staged = {};
        stagedBeforePrompt = GetFileAttributesExA((engine.GetStagingFolder() + "\\0.new").c_str(),
                                                  GetFileExInfoStandard, &staged) &&
                             staged.nFileSizeLow == 8 && GetFile(destination + "\\keep.txt") == "original keep";
        return IDCANCEL;
    };
    RunToEnd(engine);
    EXPECT_TRUE(stagedBeforePrompt);
    EXPECT_TRUE(engine.IsCancelled());
    engine.Abort();
    EXPECT_EQ("original keep", GetFile(destination + "\\keep.txt"));
    EXPECT_EQ("untouched", GetFile(destination + "\\other.txt"));
    EXPECT_FALSE(PathExists(destination + "\\fresh.txt"));
    EXPECT_EQ(2u, SnapshotTree(destination).size()) << "a staged file or the staging folder stayed";
    EXPECT_EQ("", engine.GetStagingFolder());
}

TEST_F(EngineTest, SuccessLeavesOnlyTheUpdateNoBackupOrJournal)
{
    PutFile(source + "\\f.txt", "new");
    PutFile(destination + "\\f.txt", "old");
    PutFile(destination + "\\~00", "the user's own file");
    PutFile(destination + "\\f.txt.quillbak", "another of the user's");
    engine.AddFile("f.txt", 1);
    engine.AddFile("F.TXT", 1);  // the same destination twice keeps one original
    RunToEnd(engine);
    EXPECT_FALSE(engine.IsCancelled());
    std::map<std::string, std::string> after = {
        {"f.txt", "new"}, {"~00", "the user's own file"}, {"f.txt.quillbak", "another of the user's"}};
    EXPECT_EQ("", TreeDifference(after, SnapshotTree(destination)));
}

TEST_F(EngineTest, AbortJoinsTheThreadBeforeDeleting)
{
    PutFile(source + "\\one.txt", "1");
    engine.AddFile("one.txt", 1);
    engine.AddFile("missing.txt", 1);
    std::atomic<bool> inPrompt(false);
    std::atomic<bool> sawFileAtEnd(false);
    std::string staged;
    engine.answer = [&](const PromptCall&) {
        staged = engine.GetStagingFolder() + "\\0.new";
        inPrompt = true;
        Sleep(300);
        sawFileAtEnd = PathExists(staged);
        return IDCANCEL;
    };
    ASSERT_TRUE(engine.Begin());
    for (int i = 0; i < 200 && !inPrompt; ++i)
        Sleep(10);
    ASSERT_TRUE(inPrompt);
    engine.Abort();
    EXPECT_TRUE(sawFileAtEnd) << "a file was deleted while the job still ran";
    EXPECT_FALSE(engine.IsRunning());
    EXPECT_FALSE(PathExists(staged));
    EXPECT_TRUE(SnapshotTree(destination).empty());
}

TEST_F(EngineTest, ResetOnRunningJobWaitsThenClears)
{
    engine.AddFile("missing.txt", 1);
    engine.SetProductName("Quillmoor");
    std::atomic<bool> inPrompt(false), promptDone(false);
    engine.answer = [&](const PromptCall&) {
        inPrompt = true;
        Sleep(300);
        promptDone = true;
        return IDCANCEL;
    };
    ASSERT_TRUE(engine.Begin());
    for (int i = 0; i < 200 && !inPrompt; ++i)
        Sleep(10);
    engine.Reset();
    EXPECT_TRUE(promptDone) << "Reset returned while the job still ran";
    EXPECT_FALSE(engine.IsRunning());
    EXPECT_FALSE(engine.IsFinished());
    EXPECT_FALSE(engine.IsCancelled());
    EXPECT_TRUE(engine.GetCopyList().empty());
    EXPECT_EQ("", engine.GetProductName());
    EXPECT_EQ("", engine.GetDestination());
    EXPECT_EQ(0u, engine.GetRequiredSize());
}

TEST_F(EngineTest, NoRoomWhenRequiredSizeReachesFreeSpace)
{
    engine.AddFile("x.txt", 1);
    engine.SetRequiredSize(~uint64_t(0));
    RunToEnd(engine);
    ASSERT_EQ(1u, engine.prompts.size());
    EXPECT_EQ("容量不足", engine.prompts[0].caption);
    EXPECT_EQ("インストール先の容量が不足しています。\n十分な容量を確保してから再度インストールを試みてください。",
              engine.prompts[0].text);
    EXPECT_EQ(UINT(MB_ICONERROR), engine.prompts[0].style);
    EXPECT_TRUE(engine.IsCancelled());
    EXPECT_FALSE(engine.IsFinished());
}

TEST_F(EngineTest, LockedDestinationPromptsCreateErrorAndKeepsOriginal)
{
    PutFile(source + "\\held.txt", "replacement");
    PutFile(destination + "\\held.txt", "held original");
    engine.AddFile("held.txt", 1);
    HANDLE held = CreateFileA((destination + "\\held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    engine.answer = [&](const PromptCall& call) {
        if (engine.prompts.size() == 1) {
            EXPECT_EQ("FileCreateError", call.caption);
            CloseHandle(held);
            return IDRETRY;
        }
        return IDCANCEL;
    };
    RunToEnd(engine);
    EXPECT_EQ(1u, engine.prompts.size());
    EXPECT_EQ("replacement", GetFile(destination + "\\held.txt"));
}

TEST_F(EngineTest, ReadBytesAndWriteBytesPutThePositionBack)
{
    std::string path = source + "\\short.bin";
    PutFile(path, "0123456789");
    CFileHandle file;
    ASSERT_TRUE(file.OpenRead(path.c_str()));
    char buffer[32];
    ASSERT_TRUE(file.ReadBytes(buffer, 4));
    EXPECT_FALSE(file.ReadBytes(buffer, 20));
    EXPECT_EQ(4u, file.Tell());
    EXPECT_TRUE(file.ReadBytes(buffer, 6));
    EXPECT_EQ("456789", std::string(buffer, 6));
    EXPECT_FALSE(file.WriteBytes("x", 1));  // opened for reading only
    EXPECT_EQ(10u, file.Tell());
}

TEST(DiskSetEngine, FirstCandidateIsTheDiskFolderBelowTheCurrentDirectory)
{
    CTempFolder rootFolder("engine_disk");
    CTempFolder destinationFolder("engine_destination");
    std::string root = rootFolder.Path();
    std::string destination = destinationFolder.Path();
    PutFile(root + "\\disk\\f.txt", "from disk folder");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
    struct CDiskEngine : CInstallEngine {
        int Prompt(const std::string&, const char*, UINT) override { return IDNO; }
    } engine;
    engine.SetDiskFolder("disk");
    engine.SetDestination(destination);
    engine.SetRequiredSize(16);
    engine.AddFile("f.txt", 1);
    RunToEnd(engine);
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(engine.IsCancelled());
    EXPECT_EQ("disk\\f.txt", engine.GetCurrentSource());
    EXPECT_EQ("from disk folder", GetFile(destination + "\\f.txt"));
}

}  // namespace
