// The real game played through under Wine on the sample's data, before and
// after the update's files: every page of every scene is waited for on the
// screen and checked against the scene's picture (read from the packs
// through the framework) and its text box; Enter and clicks go on, F9
// opens the debug window and the log, Escape asks before quitting. The
// screens seen are kept in build/win/playthrough/ for a person to look at.
//
// The program is out/Quillmoor.exe, or the one named by QUILL_GAME_EXE (the
// test command sets it to the game built against the installed kit).
#include "DialogReader.h"
#include "SceneScript.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/WaitFor.h"
#include "filesystem/File.h"
#include "filesystem/ImageFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kWidth = 800, kHeight = 600;
const RECT kBox = {20, 440, 780, 590};  // the text box; the picture shows everywhere else
const RECT kText = {48, 484, 752, 574};  // where the page's rows are written
const DWORD kSceneTimeout = 15000;
const char kTitle[] = "Quillmoor～Brindlewick～";

std::string GameProgram()
{
    const char* exe = std::getenv("QUILL_GAME_EXE");
    return exe && *exe ? WinePath(exe) : WinePath(QUILL_OUT_DIR "/Quillmoor.exe");
}

// Copies every file below the host folder into the Windows folder.
void CopyTree(const std::string& hostFolder, const std::string& to)
{
    for (const auto& entry : SnapshotTree(WinePath(hostFolder)))
        if (entry.second != "<dir>")
            PutFile(to + "\\" + entry.first, entry.second);
}

typedef std::vector<uint32_t> Pixels;  // 0xRRGGBB, top row first

bool InBox(int x, int y)
{
    return x >= kBox.left && x < kBox.right && y >= kBox.top && y < kBox.bottom;
}

// A picture of the game's data as the frame shows it.
Pixels LoadPicture(const std::string& path)
{
    CImageFile image;
    if (!image.Load(path) || image.GetSize() != std::make_pair(kWidth, kHeight))
        return Pixels();
    Pixels pixels(size_t(kWidth) * kHeight);
    const int bytes = image.GetBitCount() / 8;
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* row = image.GetPixels() + size_t(kHeight - 1 - y) * image.GetStride();
        for (int x = 0; x < kWidth; ++x)
            pixels[size_t(y) * kWidth + x] = row[x * bytes] | row[x * bytes + 1] << 8 | row[x * bytes + 2] << 16;
    }
    return pixels;
}

// How many pixels outside the text box differ.
int PictureDifference(const Pixels& screen, const Pixels& picture)
{
    int differ = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            differ += !InBox(x, y) && screen[size_t(y) * kWidth + x] != picture[size_t(y) * kWidth + x];
    return differ;
}

// Near-white pixels where the rows are written: the page's text.
int TextPixels(const Pixels& screen)
{
    int count = 0;
    for (int y = kText.top; y < kText.bottom; ++y)
        for (int x = kText.left; x < kText.right; ++x) {
            const uint32_t p = screen[size_t(y) * kWidth + x];
            count += (p >> 16 & 0xFF) > 200 && (p >> 8 & 0xFF) > 200 && (p & 0xFF) > 200;
        }
    return count;
}

bool SameText(const Pixels& a, const Pixels& b)
{
    for (int y = kText.top; y < kText.bottom; ++y)
        for (int x = kText.left; x < kText.right; ++x)
            if (a[size_t(y) * kWidth + x] != b[size_t(y) * kWidth + x])
                return false;
    return true;
}

struct FindWindowData {
    DWORD pid;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK OnWindow(HWND hWnd, LPARAM param)
{
    FindWindowData* data = reinterpret_cast<FindWindowData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    char text[256] = {};
    if (data->className)
        GetClassNameA(hWnd, text, sizeof text);
    else
        GetWindowTextA(hWnd, text, sizeof text);
    if (pid == data->pid && IsWindowVisible(hWnd) && std::string(text) == (data->className ? data->className : data->title)) {
        data->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindProcessWindow(DWORD pid, const char* className, const char* title)
{
    FindWindowData data = {pid, className, title, nullptr};
    EnumWindows(OnWindow, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

class CGame {
public:
    ~CGame()
    {
        if (m_Process.hProcess) {
            if (WaitForSingleObject(m_Process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(m_Process.hProcess, 99);
            CloseHandle(m_Process.hProcess);
        }
    }
    bool Start(const std::string& exe, const std::string& arguments = "")
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string command = "\"" + exe + "\" " + arguments;
        if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                            &m_Process))
            return false;
        CloseHandle(m_Process.hThread);
        return true;
    }
    // The game window, once it is shown.
    HWND Window()
    {
        if (!m_Window)
            WaitFor([&] { return (m_Window = FindProcessWindow(m_Process.dwProcessId, "QuillmoorWindow", nullptr)); },
                    20000, 20);
        return m_Window;
    }
    DWORD Pid() const { return m_Process.dwProcessId; }
    // The exit code once the process has ended within the time, else 0xDEAD.
    DWORD Wait(DWORD ms)
    {
        DWORD code = 0xDEAD;
        if (WaitForSingleObject(m_Process.hProcess, ms) == WAIT_OBJECT_0)
            GetExitCodeProcess(m_Process.hProcess, &code);
        return code;
    }
    // The client area as the screen shows it.
    Pixels Capture()
    {
        Pixels pixels(size_t(kWidth) * kHeight);
        POINT origin = {0, 0};
        ClientToScreen(m_Window, &origin);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, kWidth, kHeight, screen, origin.x, origin.y, SRCCOPY);
        GdiFlush();
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<const uint32_t*>(bits)[i] & 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return pixels;
    }
    void Key(WPARAM key)
    {
        PostMessageA(m_Window, WM_KEYDOWN, key, 1);
        PostMessageA(m_Window, WM_KEYUP, key, 0xC0000001);
    }
    void Click()
    {
        PostMessageA(m_Window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 300));
        PostMessageA(m_Window, WM_LBUTTONUP, 0, MAKELPARAM(400, 300));
    }

private:
    PROCESS_INFORMATION m_Process = {};
    HWND m_Window = nullptr;
};

// Keeps a screen for looking at later.
void Keep(const Pixels& screen, const std::string& name)
{
    const std::string folder = WinePath(QUILL_BINARY_DIR "/playthrough");
    MakeFolders(folder);
    PutFile(folder + "\\" + name + ".bmp", MakeBitmapFile(kWidth, kHeight, screen));
}

class Playthrough : public ::testing::Test {
protected:
    void SetUp() override
    {
        exe = game / "Quillmoor.exe";
        ASSERT_TRUE(CopyFileA(GameProgram().c_str(), exe.c_str(), FALSE)) << GameProgram() << " is missing";
        CopyTree(QUILL_SOURCE_DIR "/sample/game", game.Path());
    }
    void ApplyUpdate() { CopyTree(QUILL_SOURCE_DIR "/sample/medium/data/gamedata2", game.Path()); }

    // The script the game reads, through the same lookup.
    std::vector<Scene> Scenes()
    {
        CFile file;
        EXPECT_EQ(1, file.Open(game / "data\\script\\scenes.txt"));
        std::string text(file.GetSize(), '\0');
        file.Read(&text[0], 1, uint32_t(text.size()));
        CSceneScript script;
        EXPECT_TRUE(script.Parse(text.data(), uint32_t(text.size()))) << script.GetError();
        return script.GetScenes();
    }

    // Waits until the screen shows the scene's picture around a text box
    // that holds text other than `before`; with `transition`, an in-between
    // frame must have been seen on the way. Returns the screen (empty on a
    // failure, which is reported).
    Pixels WaitForPage(CGame& run, const Scene& scene, const Pixels& picture, const Pixels& before,
                       const Pixels& from, const std::string& name)
    {
        const bool transition = !from.empty() && scene.transition.family != SceneTransition::kCut;
        bool between = false;
        Pixels screen;
        const DWORD start = GetTickCount();
        for (;;) {
            screen = run.Capture();
            const int differ = PictureDifference(screen, picture);
            between = between || (differ > 0 && PictureDifference(screen, from) > 0);
            if (differ == 0 && TextPixels(screen) > 40 && (before.empty() || !SameText(screen, before)))
                break;
            if (GetTickCount() - start > kSceneTimeout) {
                Keep(screen, name + "-failed");
                ADD_FAILURE() << name << ": after " << kSceneTimeout << " ms the screen differs from "
                              << scene.picture << " at " << differ << " pixels outside the text box and has "
                              << TextPixels(screen) << " text pixels (expected over 40, new text); kept as "
                              << name << "-failed.bmp";
                return Pixels();
            }
            Sleep(10);
        }
        Keep(screen, name);
        EXPECT_TRUE(!transition || between) << name << ": no frame of the " << scene.transition.name
                                            << " transition was seen";
        // The plate comes from the LZSS archive: its transparent corner shows
        // the picture, its rim does not.
        EXPECT_EQ(picture[size_t(kBox.top + 1) * kWidth + kBox.left + 1],
                  screen[size_t(kBox.top + 1) * kWidth + kBox.left + 1])
            << name << ": the text box's corner";
        EXPECT_NE(picture[size_t(kBox.top + 1) * kWidth + 400], screen[size_t(kBox.top + 1) * kWidth + 400])
            << name << ": the text box's rim";
        return screen;
    }

    // Plays every page from the first scene shown to the last, then on to
    // the first scene again; Enter and clicks alternate.
    void PlayThrough(CGame& run, size_t first, const std::string& tag)
    {
        const std::vector<Scene> scenes = Scenes();
        ASSERT_LT(first, scenes.size());
        ASSERT_TRUE(run.Window()) << "no game window";
        Pixels from, before;
        bool enter = true;
        for (size_t i = first; i <= scenes.size(); ++i) {
            const Scene& scene = scenes[i % scenes.size()];
            const Pixels picture = LoadPicture(game / ("data\\" + scene.picture));
            ASSERT_FALSE(picture.empty()) << "cannot read " << scene.picture << " of the game's data";
            for (size_t page = 0; page < scene.pages.size(); ++page) {
                char name[64];
                std::snprintf(name, sizeof name, "%s-scene%d-%s-page%d", tag.c_str(), int(i % scenes.size() + 1),
                              scene.name.c_str(), int(page + 1));
                const Pixels screen = WaitForPage(run, scene, picture, page ? before : Pixels(), page ? Pixels() : from, name);
                ASSERT_FALSE(screen.empty());
                before = screen;
                if (i == scenes.size())
                    return;  // back at the first scene
                if (enter)
                    run.Key(VK_RETURN);
                else
                    run.Click();
                enter = !enter;
            }
            from = picture;
        }
    }

    CTempFolder game{"playthrough"};
    std::string exe;
};

TEST_F(Playthrough, InstalledGameThenQuitAfterAskingWithTheLogOn)
{
    CGame run;
    ASSERT_TRUE(run.Start(exe));
    PlayThrough(run, 0, "1.00");

    // F9: the debug window and "log.txt" (read once the game has ended,
    // since the game holds it open).
    run.Key(VK_F9);
    EXPECT_TRUE(WaitFor([&] { return FindProcessWindow(run.Pid(), nullptr, "デバッグ表示") != nullptr; }, 10000, 20))
        << "no debug window after F9";

    // Escape asks; "No" goes on playing, "Yes" ends the game.
    for (int answer : {IDNO, IDYES}) {
        run.Key(VK_ESCAPE);
        CDialogInfo box;
        ASSERT_TRUE(WaitFor([&] { return dialog_reader::Find(run.Pid(), &box); }, 10000, 20)) << "no question";
        EXPECT_EQ(kTitle, box.caption);
        EXPECT_EQ("ゲームを終了しますか？", box.text);
        EXPECT_EQ(2u, box.buttons.size());
        ASSERT_TRUE(dialog_reader::Press(box, answer));
        ASSERT_TRUE(dialog_reader::WaitClosed(box.hWnd, 10000));
        if (answer == IDNO) {
            Sleep(300);
            EXPECT_EQ(0xDEADu, run.Wait(0)) << "the game ended after No";
        }
    }
    EXPECT_EQ(0u, run.Wait(20000)) << "the game did not end after Yes";
    const std::string log = GetFile(game / "log.txt");
    EXPECT_NE(std::string::npos, log.find("\r\n\r\n--------------")) << log;
    EXPECT_NE(std::string::npos, log.find("CQuillmoorApp::OpenDebugOutput() Ver.1.00 場面1「title」の1ページ目\r\n"))
        << log;
}

TEST_F(Playthrough, UpdatedGameFromItsThirdScene)
{
    ApplyUpdate();
    CGame run;
    ASSERT_TRUE(run.Start(exe, "--scene 3"));
    PlayThrough(run, 2, "1.06");
    run.Key(VK_ESCAPE);
    CDialogInfo box;
    ASSERT_TRUE(WaitFor([&] { return dialog_reader::Find(run.Pid(), &box); }, 10000, 20)) << "no question";
    ASSERT_TRUE(dialog_reader::Press(box, IDYES));
    EXPECT_EQ(0u, run.Wait(20000));
}

TEST_F(Playthrough, DataThatCannotBeReadIsReportedInJapanese)
{
    const struct {
        const char* script;  // a loose script in front of the packed one; null: none at all
        const char* text;
    } cases[] = {
        {nullptr, "ゲームのデータを読み込めませんでした。\n[data\\script\\scenes.txt] が見つかりません。"},
        {"scene, a, bg\\moor.bmp, swirl\r\ntext, , t\r\n",
         "ゲームのデータを読み込めませんでした。\n[data\\script\\scenes.txt] 1行目: 切り替え「swirl」はありません。"},
    };
    for (const auto& c : cases) {
        if (c.script)
            PutFile(game / "data\\script\\scenes.txt", c.script);
        else
            DeleteFileA((game / "data.pak").c_str());
        CGame run;
        ASSERT_TRUE(run.Start(exe));
        CDialogInfo box;
        ASSERT_TRUE(WaitFor([&] { return dialog_reader::Find(run.Pid(), &box); }, 20000, 20)) << c.text;
        EXPECT_EQ(kTitle, box.caption);
        EXPECT_EQ(c.text, box.text);
        ASSERT_TRUE(dialog_reader::Press(box, IDOK));
        EXPECT_EQ(1u, run.Wait(20000)) << c.text;
        CopyTree(QUILL_SOURCE_DIR "/sample/game", game.Path());
    }
}

}  // namespace
