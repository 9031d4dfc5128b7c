#include "framework/StartupCallbacks.h"
#include "framework/Thread.h"
#include "installer/AppStartup.h"
#include "installer/UpdateRun.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "setup/InstallEngine.h"
#include "installer/SingleInstance.h"
#include "surface/BlendTables.h"
#include <gtest/gtest.h>
#include <string>

namespace {

int g_Startups = 0;
int g_Shutdowns = 0;
int g_Late = 0;
bool g_TablesAtStartup = true;
void OnStartup()
{
    ++g_Startups;
    g_TablesAtStartup = AreBlendTablesBuilt();
}
void OnShutdown() { ++g_Shutdowns; }
void OnLate() { ++g_Late; }

// One process-wide start-up list: the order of these steps is one test.
TEST(AppStartup, CallbacksRunOnceAndLateStartupCallbacksNever)
{
    AddStartupCallback(make_callback(OnStartup));
    AddShutdownCallback(make_callback(OnShutdown));
    EXPECT_EQ(nullptr, CAppStartup::GetCurrent());
    EXPECT_FALSE(AreBlendTablesBuilt());
    {
        char line[] = "ignored";
        CAppStartup startup(GetModuleHandleA(nullptr), nullptr, line, SW_SHOW);
        EXPECT_EQ(&startup, CAppStartup::GetCurrent());
        EXPECT_EQ(1, g_Startups);
        // The blend tables are built after the start-up callbacks ran.
        EXPECT_FALSE(g_TablesAtStartup);
        EXPECT_TRUE(AreBlendTablesBuilt());
        EXPECT_EQ(127, BlendTable8[128][254]);
        EXPECT_EQ(65536, SineTable[128]);
        EXPECT_FALSE(startup.GetArguments().empty()) << "the program's own name is the first argument";
        AddStartupCallback(make_callback(OnLate));
        EXPECT_EQ(0, g_Shutdowns);
    }
    EXPECT_EQ(nullptr, CAppStartup::GetCurrent());
    EXPECT_EQ(1, g_Startups);
    EXPECT_EQ(1, g_Shutdowns);
    EXPECT_EQ(0, g_Late);
    CStartupCallbacks::GetInstance().RunStartupCallbacks();
    CStartupCallbacks::GetInstance().RunShutdownCallbacks();
    EXPECT_EQ(1, g_Startups);
    EXPECT_EQ(1, g_Shutdowns);
}

TEST(SingleInstance, SecondGuardOfTheSameProgramIsNotFirst)
{
    CSingleInstance first;
    EXPECT_TRUE(first.IsFirstInstance());
    {
        CSingleInstance second;
        EXPECT_FALSE(second.IsFirstInstance());
    }
    // The mutex is named after the program's path with forward slashes.
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    for (char& c : name)
        if (c == '\\')
            c = '/';
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    EXPECT_NE(nullptr, mutex) << name;
    if (mutex)
        CloseHandle(mutex);
}

TEST(SingleInstance, ReleasedGuardLetsANewOneBeFirst)
{
    { CSingleInstance first; }
    CSingleInstance again;
    EXPECT_TRUE(again.IsFirstInstance());
}

// The plan's order and byte totals, without copying.
TEST(PlanUpdate, RequiredSizeAndListOrderFollowTheMarkers)
{
    CTempFolder mediumFolder("plan_medium");
    CTempFolder gameFolder("plan_game");
    std::string medium = mediumFolder.Path();
    std::string game = gameFolder.Path();
    for (const char* folder : {"\\data", "\\data\\gamedata2", "\\data\\gamedata3", "\\data\\gamedata4",
                               "\\data\\gamedata5", "\\data\\gamedata2\\patch"})
        CreateDirectoryA((medium + folder).c_str(), nullptr);
    PutFile(medium + "\\data\\gamedata2\\patch\\p.txt", "");
    PutFile(medium + "\\data\\gamedata3\\three.txt", "");
    PutFile(medium + "\\data\\gamedata4\\four.txt", "");
    PutFile(medium + "\\data\\gamedata5\\five.txt", "");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(medium.c_str()));

    auto groups = [] {
        std::vector<std::pair<int, std::string>> list;
        for (const CCopyEntry& entry : CFolderInstallEngine::GetInstance().GetCopyList())
            list.push_back({entry.group, entry.relativePath});
        return list;
    };
    PlanUpdate(game, nullptr);
    EXPECT_EQ(1936657940u, CFolderInstallEngine::GetInstance().GetRequiredSize());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{1, "patch\\p.txt"}, {0, "five.txt"}}), groups());
    EXPECT_EQ("Quillmoor", CFolderInstallEngine::GetInstance().GetProductName());

    CreateDirectoryA((game + "\\patch").c_str(), nullptr);
    PutFile(game + "\\patch\\1005_tokubetsu116120116.pak", "");
    PlanUpdate(game + "\\", nullptr);
    EXPECT_EQ(2023106023u, CFolderInstallEngine::GetInstance().GetRequiredSize());
    PutFile(game + "\\patch\\1000_tradepost1116120116.pak", "");
    PlanUpdate(game, nullptr);
    EXPECT_EQ(2125110045u, CFolderInstallEngine::GetInstance().GetRequiredSize());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{
                  {2, "three.txt"}, {3, "four.txt"}, {1, "patch\\p.txt"}, {0, "five.txt"}}),
              groups());
    DeleteFileA((game + "\\patch\\1005_tokubetsu116120116.pak").c_str());
    PlanUpdate(game, nullptr);
    EXPECT_EQ(2038661962u, CFolderInstallEngine::GetInstance().GetRequiredSize());
    EXPECT_EQ(game, CFolderInstallEngine::GetInstance().GetDestination());
    SetCurrentDirectoryA(previous);
    CFolderInstallEngine::GetInstance().Reset();
}

}  // namespace
