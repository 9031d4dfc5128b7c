// The installer's main window object and its wizard pages, shown for real:
// the pages in a property sheet, the window painted from its pictures. Their
// questions are read and answered by out/answer.exe, as a user would.
#include "installer/SetupWindow.h"
#include "installer/WizardPages.h"
#include "framework/Window.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/WaitFor.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>
#include <vector>

namespace {

const DWORD kTimeout = 20000;
// Button ids of a wizard sheet.
const int kBackButton = 0x3023, kNextButton = 0x3024, kFinishButton = 0x3025;

const char* const kQuestion = "セットアップをキャンセルしますか？";
const char* const kPage1Text =
    "この度は、「Quillmoor・Varnel」を\nお買い上げ頂き、誠に有難う御座います。\n"
    "このアプリケーションでは、「Quillmoor・Varnel」を\nハードディスクドライブにインストールします。\n"
    "インストール時には全てのアプリケーションを終了させてください。";
const char* const kPage1Note =
    "※注意：本製品では DirectX 8.1 以上がインストールされている\n"
    "　　　　　 必要があります。\n"
    "　　　　　 DirectX をセットアップする場合には、同ディスクにある\n"
    "　　　　　 [DirectX9] フォルダのdxsetup.exeを実行して下さい。";
const char* const kPage2Text = "セットアップの設定は全て終了しました。\n\n[完了]で、インストールが開始されます。";

// What answer.exe printed about one message box.
struct CSeenBox {
    std::string caption, text, buttons, answer;
};

// One run of out/answer.exe for message boxes of this process, its output
// read back.
class CAnswerRun {
public:
    explicit CAnswerRun(const std::string& answer)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE write = nullptr;
        if (!CreatePipe(&m_Read, &write, &inherit, 1 << 16))
            return;
        SetHandleInformation(m_Read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = write;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        const std::string exe = WinePath(QUILL_OUT_DIR "/answer.exe");
        std::string command = "\"" + exe + "\" -t 20 -p " + std::to_string(GetCurrentProcessId()) + " " + answer;
        if (CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &m_Info))
            CloseHandle(m_Info.hThread);
        CloseHandle(write);
    }
    ~CAnswerRun()
    {
        if (m_Info.hProcess) {
            if (WaitForSingleObject(m_Info.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(m_Info.hProcess, 99);
            CloseHandle(m_Info.hProcess);
        }
        if (m_Read)
            CloseHandle(m_Read);
    }
    bool Started() const { return m_Info.hProcess != nullptr; }

    // Waits for the helper to end; its exit code (0: answered), or -1 when
    // it did not end in time.
    int Finish()
    {
        if (WaitForSingleObject(m_Info.hProcess, kTimeout + 5000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(m_Info.hProcess, &code);
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(m_Read, buffer, sizeof buffer, &got, nullptr) && got != 0)
            m_Output.append(buffer, got);
        return int(code);
    }

    // The boxes seen, from lines "caption: ", "text: ", "buttons: ", "answer: ".
    std::vector<CSeenBox> Boxes() const
    {
        std::vector<CSeenBox> boxes;
        size_t at = 0;
        while (at < m_Output.size()) {
            size_t end = m_Output.find('\n', at);
            if (end == std::string::npos)
                end = m_Output.size();
            std::string line = m_Output.substr(at, end - at);
            at = end + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            auto take = [&line](const char* key, std::string& field) {
                const size_t n = strlen(key);
                if (line.compare(0, n, key) != 0)
                    return false;
                field = line.substr(n);
                return true;
            };
            CSeenBox box;
            if (take("caption: ", box.caption))
                boxes.push_back(box);
            else if (!boxes.empty() && !take("text: ", boxes.back().text) &&
                     !take("buttons: ", boxes.back().buttons))
                take("answer: ", boxes.back().answer);
        }
        return boxes;
    }
    const std::string& Output() const { return m_Output; }

private:
    PROCESS_INFORMATION m_Info = {};
    HANDLE m_Read = nullptr;
    std::string m_Output;
};

int ButtonCount(const std::string& buttons)
{
    int count = 0;
    for (char c : buttons)
        count += c == '[';
    return count;
}

struct CBoxSearch {
    HWND owner, box;
};

BOOL CALLBACK OnTopWindow(HWND hWnd, LPARAM param)
{
    CBoxSearch* search = reinterpret_cast<CBoxSearch*>(param);
    char cls[16] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    GetClassNameA(hWnd, cls, sizeof cls);
    if (pid != GetCurrentProcessId() || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(hWnd) ||
        GetWindow(hWnd, GW_OWNER) != search->owner)
        return TRUE;
    search->box = hWnd;
    return FALSE;
}

// The message box of this process owned by owner, or null.
HWND FindBox(HWND owner)
{
    CBoxSearch search = {owner, nullptr};
    EnumWindows(OnTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.box;
}

struct CIconSearch {
    HICON wanted;
    bool found;
};

BOOL CALLBACK OnBoxChild(HWND child, LPARAM param)
{
    CIconSearch* search = reinterpret_cast<CIconSearch*>(param);
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == search->wanted)
        search->found = true;
    return !search->found;
}

// True when the box shows the information icon (MB_ICONINFORMATION).
bool ShowsInformationIcon(HWND box)
{
    CIconSearch search = {LoadIconA(nullptr, IDI_INFORMATION), false};
    EnumChildWindows(box, OnBoxChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Asks for one box owned by owner and checks its caption, text, buttons and
// icon (answer.exe only prints it), then answers it.
void ExpectQuestion(HWND owner, const char* caption, const std::string& answer)
{
    {
        CAnswerRun look("none");
        ASSERT_TRUE(look.Started());
        ASSERT_EQ(0, look.Finish()) << "no message box came; helper said: " << look.Output();
        const std::vector<CSeenBox> boxes = look.Boxes();
        ASSERT_EQ(1u, boxes.size()) << look.Output();
        EXPECT_EQ(caption, boxes[0].caption);
        EXPECT_EQ(kQuestion, boxes[0].text);
        EXPECT_EQ(2, ButtonCount(boxes[0].buttons)) << "Yes and No expected, got " << boxes[0].buttons;
        HWND box = FindBox(owner);
        ASSERT_NE(nullptr, box) << "the question is not owned by the expected window";
        EXPECT_TRUE(ShowsInformationIcon(box));
        EXPECT_NE(nullptr, GetDlgItem(box, IDYES));
        EXPECT_NE(nullptr, GetDlgItem(box, IDNO));
    }
    CAnswerRun run(answer);
    ASSERT_TRUE(run.Started());
    ASSERT_EQ(0, run.Finish()) << "the box was not answered; helper said: " << run.Output();
}

std::string Text(HWND hWnd)
{
    char text[1024] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

// The texts of the static controls of a page, in creation order.
std::vector<std::string> StaticTexts(HWND page)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0)
            texts.push_back(Text(child));
    }
    return texts;
}

// --- The wizard ---------------------------------------------------------

class Wizard : public ::testing::Test {
protected:
    static HWND s_Sheet;

    static int CALLBACK OnSheet(HWND hWnd, UINT message, LPARAM)
    {
        if (message == PSCB_INITIALIZED)
            s_Sheet = hWnd;
        return 0;
    }
    static DWORD WINAPI ShowSheet(void* param)
    {
        Wizard* self = static_cast<Wizard*>(param);
        CWizardPages pages(GetModuleHandleA(nullptr));
        if (!pages.IsCreated())
            return 1;
        self->m_Result = pages.Run(nullptr, OnSheet);
        return 0;
    }

    void SetUp() override
    {
        g_WizardCancel = 0;
        s_Sheet = nullptr;
        m_Thread = CreateThread(nullptr, 0, ShowSheet, this, 0, nullptr);
        ASSERT_NE(nullptr, m_Thread);
        ASSERT_TRUE(WaitFor([] { return s_Sheet && IsWindowVisible(s_Sheet); }, kTimeout))
            << "the wizard did not appear";
        ASSERT_TRUE(WaitFor([this] { return OnFirstPageButtons(); }, kTimeout)) << ButtonState();
    }
    void TearDown() override
    {
        if (m_Thread && WaitForSingleObject(m_Thread, 0) == WAIT_TIMEOUT && IsWindow(s_Sheet)) {
            // Finish from the last page: the one way out without a question.
            SendMessageA(s_Sheet, PSM_SETCURSEL, 1, 0);
            PostMessageA(s_Sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        }
        if (m_Thread) {
            if (WaitForSingleObject(m_Thread, kTimeout) == WAIT_TIMEOUT)
                TerminateThread(m_Thread, 99);
            CloseHandle(m_Thread);
        }
    }

    HWND Button(int id) { return GetDlgItem(s_Sheet, id); }
    bool Shown(int id) { return IsWindowVisible(Button(id)) != FALSE; }
    bool Enabled(int id) { return IsWindowEnabled(Button(id)) != FALSE; }
    bool OnFirstPageButtons() { return !Enabled(kBackButton) && Shown(kNextButton) && Enabled(kNextButton) && !Shown(kFinishButton); }
    bool OnSecondPageButtons() { return Enabled(kBackButton) && !Shown(kNextButton) && Shown(kFinishButton) && Enabled(kFinishButton); }
    std::string ButtonState()
    {
        std::string state;
        for (int id : {kBackButton, kNextButton, kFinishButton, IDCANCEL})
            state += Text(Button(id)) + (Shown(id) ? " shown" : " hidden") + (Enabled(id) ? " enabled; " : " disabled; ");
        return "buttons: " + state;
    }
    HWND CurrentPage() { return reinterpret_cast<HWND>(SendMessageA(s_Sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    int CurrentIndex() { return int(SendMessageA(s_Sheet, PSM_HWNDTOINDEX, WPARAM(CurrentPage()), 0)); }
    RECT SheetRect()
    {
        RECT r = {};
        GetWindowRect(s_Sheet, &r);
        return r;
    }
    void GoToSecondPage()
    {
        PostMessageA(s_Sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        ASSERT_TRUE(WaitFor([this] { return CurrentIndex() == 1 && OnSecondPageButtons(); }, kTimeout))
            << "page " << CurrentIndex() << ", " << ButtonState();
    }
    void PressCancel() { PostMessageA(s_Sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); }
    bool Ended() { return WaitForSingleObject(m_Thread, kTimeout) == WAIT_OBJECT_0; }

    HANDLE m_Thread = nullptr;
    INT_PTR m_Result = -2;
};

HWND Wizard::s_Sheet = nullptr;

TEST_F(Wizard, FirstPageShowsOnlyNextAndIsCentred)
{
    EXPECT_EQ(0, CurrentIndex());
    EXPECT_TRUE(Enabled(IDCANCEL));
    const RECT r = SheetRect();
    const int x = (GetSystemMetrics(SM_CXSCREEN) + r.left - r.right) >> 1;
    const int y = (GetSystemMetrics(SM_CYSCREEN) + r.top - r.bottom) >> 1;
    EXPECT_EQ(x, r.left) << "sheet at " << r.left << "," << r.top << ", centred would be " << x << "," << y;
    EXPECT_EQ(y, r.top);
}

TEST_F(Wizard, PagesCarryTheirTexts)
{
    EXPECT_EQ(std::vector<std::string>({kPage1Text, kPage1Note}), StaticTexts(CurrentPage()));
    GoToSecondPage();
    EXPECT_EQ(std::vector<std::string>({kPage2Text}), StaticTexts(CurrentPage()));
}

TEST_F(Wizard, SecondPageShowsBackAndFinishAndIsNotRecentred)
{
    SetWindowPos(s_Sheet, nullptr, 5, 7, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    GoToSecondPage();
    RECT r = SheetRect();
    EXPECT_EQ(5, r.left);
    EXPECT_EQ(7, r.top);
    // Back to page 1: only Next again, and centred again.
    PostMessageA(s_Sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    ASSERT_TRUE(WaitFor([this] { return CurrentIndex() == 0 && OnFirstPageButtons(); }, kTimeout)) << ButtonState();
    r = SheetRect();
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) + r.left - r.right) >> 1, r.left);
}

TEST_F(Wizard, CancelAnsweredNoKeepsEachPage)
{
    HWND first = CurrentPage();
    PressCancel();
    ExpectQuestion(s_Sheet, "中断確認", "no");
    EXPECT_TRUE(IsWindowVisible(s_Sheet)) << "the wizard closed although the user said No";
    EXPECT_EQ(first, CurrentPage());
    EXPECT_EQ(0, g_WizardCancel);

    GoToSecondPage();
    PressCancel();
    ExpectQuestion(s_Sheet, "中断確認", "no");
    EXPECT_EQ(1, CurrentIndex());
    EXPECT_TRUE(OnSecondPageButtons()) << ButtonState();
    EXPECT_EQ(0, g_WizardCancel);

    // The refused cancel leaves nothing behind: Finish still finishes.
    PostMessageA(s_Sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    ASSERT_TRUE(Ended()) << "Finish did not end the wizard after a refused cancel";
    EXPECT_GT(m_Result, 0);
    EXPECT_EQ(0, g_WizardCancel);
}

TEST_F(Wizard, CancelAnsweredYesOnFirstPageSetsTheFlagAndCloses)
{
    PressCancel();
    ExpectQuestion(s_Sheet, "中断確認", "yes");
    ASSERT_TRUE(Ended()) << "the wizard stayed open after Yes";
    EXPECT_EQ(0, m_Result);
    EXPECT_EQ(1, g_WizardCancel);
}

TEST_F(Wizard, CancelAnsweredYesOnSecondPageSetsTheFlagAndCloses)
{
    GoToSecondPage();
    PressCancel();
    ExpectQuestion(s_Sheet, "中断確認", "yes");
    ASSERT_TRUE(Ended()) << "the wizard stayed open after Yes";
    EXPECT_EQ(0, m_Result);
    EXPECT_EQ(1, g_WizardCancel);
}

// --- The main window ------------------------------------------------------

// Runs with the current folder set to folder, as the installer does.
class CCurrentFolder {
public:
    explicit CCurrentFolder(const std::string& folder)
    {
        GetCurrentDirectoryA(MAX_PATH, m_Saved);
        m_Changed = SetCurrentDirectoryA(folder.c_str()) != FALSE;
    }
    ~CCurrentFolder() { SetCurrentDirectoryA(m_Saved); }
    bool Changed() const { return m_Changed; }

private:
    char m_Saved[MAX_PATH] = {};
    bool m_Changed = false;
};

int ScreenBits()
{
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

void PumpFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        DispatchPendingMessages();
        Sleep(10);
    }
}

const std::string kSampleMedium = WinePath(QUILL_SOURCE_DIR "/sample/medium");

TEST(SetupWindow, LoadsThePicturesOfTheSampleMedium)
{
    CCurrentFolder folder(kSampleMedium);
    ASSERT_TRUE(folder.Changed()) << kSampleMedium;
    CSetupWindow window;
    EXPECT_EQ(nullptr, window.GetHWnd()) << "construction must not create the window";

    CAutoSurface& background = window.GetBackground();
    ASSERT_TRUE(background.IsCreated()) << "data\\v_006_000.bmp was not loaded";
    EXPECT_EQ(800, background.GetSize().cx);
    EXPECT_EQ(600, background.GetSize().cy);
    EXPECT_EQ(ScreenBits(), background.GetBitCount());
    EXPECT_EQ(nullptr, background.GetBitmap()) << "loaded without a DIB";
    EXPECT_FALSE(background.HasAlphaChannel());

    // The file's bottom row comes first; its first pixel is the bottom-left one.
    const std::string file = GetFile(kSampleMedium + "\\data\\v_006_000.bmp");
    ASSERT_EQ(54u + 800 * 3 * 600, file.size());
    const DWORD bottomLeft = BYTE(file[54]) | BYTE(file[55]) << 8 | BYTE(file[56]) << 16;
    EXPECT_EQ(bottomLeft, background.GetPixel(0, 599) & 0xFFFFFF);

    CAutoSurface& panel = window.GetPanel();
    ASSERT_TRUE(panel.IsCreated()) << "data\\v_006_001.bmp was not loaded";
    EXPECT_EQ(440, panel.GetSize().cx);
    EXPECT_EQ(150, panel.GetSize().cy);
    EXPECT_TRUE(panel.IsAlphaEnable());
    ASSERT_TRUE(panel.HasAlphaChannel()) << "data\\v_006_001.alp was not read";
    // The plate is rounded (its corners clear) and covers the middle.
    EXPECT_EQ(0, panel.GetAlpha(0, 0));
    EXPECT_EQ(0, panel.GetAlpha(439, 149));
    EXPECT_GE(panel.GetAlpha(220, 75), 200);
    EXPECT_FALSE(window.GetPaintSource().IsCreated()) << "the paint source is made only when shown";
}

TEST(SetupWindow, MissingPicturesLeaveEmptySurfacesAndAPlainWindow)
{
    CTempFolder empty("setupwin");
    CCurrentFolder folder(empty.Path());
    CSetupWindow window;
    EXPECT_FALSE(window.GetBackground().IsCreated());
    EXPECT_FALSE(window.GetPanel().IsCreated());
    // Alpha on an empty surface makes no plane.
    EXPECT_FALSE(window.GetPanel().HasAlphaChannel());
    ASSERT_TRUE(window.Show());
    PumpFor(200);
    CAutoSurface& paint = window.GetPaintSource();
    ASSERT_TRUE(paint.IsCreated());
    EXPECT_EQ(0u, paint.GetPixel(400, 300) & 0xFFFFFF);
}

TEST(SetupWindow, PaintsItsPicturesIntoTheWindow)
{
    CCurrentFolder folder(kSampleMedium);
    CSetupWindow window;
    ASSERT_TRUE(window.Show());
    HWND hWnd = window.GetHWnd();
    ASSERT_NE(nullptr, hWnd);
    RECT client = {};
    GetClientRect(hWnd, &client);
    EXPECT_EQ(800, client.right);
    EXPECT_EQ(600, client.bottom);

    CAutoSurface& paint = window.GetPaintSource();
    ASSERT_TRUE(paint.IsCreated());
    EXPECT_NE(nullptr, paint.GetBitmap()) << "the paint source needs a device context";
    // Where the panel lies opaque, it is what shows; elsewhere the background.
    CAutoSurface& panel = window.GetPanel();
    CAutoSurface& background = window.GetBackground();
    EXPECT_EQ(background.GetPixel(10, 590) & 0xFFFFFF, paint.GetPixel(10, 590) & 0xFFFFFF);
    int px = -1, py = -1;
    for (int y = 0; y < 150 && px < 0; ++y)
        for (int x = 0; x < 440 && px < 0; ++x)
            if (panel.GetAlpha(x, y) == 255 && panel.GetPixel(x, y) != background.GetPixel(180 + x, 150 + y))
                px = x, py = y;
    ASSERT_GE(px, 0) << "no opaque panel pixel that differs from the background";
    EXPECT_EQ(panel.GetPixel(px, py) & 0xFFFFFF, paint.GetPixel(180 + px, 150 + py) & 0xFFFFFF);
    // Where it is partly transparent, each channel is s x a / 255 + d x (255 - a) / 255 (the blend
    // tables of the surfaces' op 0), on every such pixel of the panel.
    int blended = 0, mismatches = 0;
    std::string mismatch;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 440; ++x) {
            const int a = panel.GetAlpha(x, y);
            const DWORD s = panel.GetPixel(x, y) & 0xFFFFFF, d = background.GetPixel(180 + x, 150 + y) & 0xFFFFFF;
            if (a == 0 || a == 255 || s == d)
                continue;
            DWORD expected = 0;
            for (int shift = 0; shift < 24; shift += 8)
                expected |= DWORD(int(s >> shift & 255) * a / 255 + int(d >> shift & 255) * (255 - a) / 255) << shift;
            ++blended;
            const DWORD got = paint.GetPixel(180 + x, 150 + y) & 0xFFFFFF;
            if (got != expected && mismatches++ == 0)
                mismatch = std::to_string(x) + "," + std::to_string(y) + ": got " + std::to_string(got) +
                           ", expected " + std::to_string(expected);
        }
    EXPECT_GT(blended, 0) << "the panel has no partly transparent pixel";
    EXPECT_EQ(0, mismatches) << "first difference at panel pixel " << mismatch;

    // What the window shows is the paint source, pixel for pixel.
    InvalidateRect(hWnd, nullptr, FALSE);
    PumpFor(300);
    HDC dc = GetDC(hWnd);
    int wrong = 0;
    std::string first;
    for (int y = 3; y < 600; y += 37) {
        for (int x = 5; x < 800; x += 41) {
            const DWORD rgb = paint.GetPixel(x, y) & 0xFFFFFF;
            const COLORREF expected = RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
            const COLORREF shown = GetPixel(dc, x, y);
            if (shown != expected && wrong++ == 0)
                first = std::to_string(x) + "," + std::to_string(y) + ": shown " + std::to_string(shown) +
                        ", expected " + std::to_string(expected);
        }
    }
    ReleaseDC(hWnd, dc);
    EXPECT_EQ(0, wrong) << "first difference at " << first;
}

// A shown CSetupWindow on a thread of its own, which pumps its messages (the
// close question is modal on that thread while this one answers it).
class CWindowThread {
public:
    CWindowThread()
    {
        m_Ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_Thread = CreateThread(nullptr, 0, Run, this, 0, &m_ThreadId);
        WaitForSingleObject(m_Ready, kTimeout);
    }
    ~CWindowThread()
    {
        PostThreadMessageA(m_ThreadId, WM_QUIT, 0, 0);
        WaitForSingleObject(m_Thread, kTimeout);
        CloseHandle(m_Thread);
        CloseHandle(m_Ready);
    }
    HWND GetHWnd() const { return m_hWnd; }

private:
    static DWORD WINAPI Run(void* param)
    {
        CWindowThread* self = static_cast<CWindowThread*>(param);
        CSetupWindow window;
        if (window.Show())
            self->m_hWnd = window.GetHWnd();
        SetEvent(self->m_Ready);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return 0;
    }

    HANDLE m_Ready = nullptr, m_Thread = nullptr;
    DWORD m_ThreadId = 0;
    HWND m_hWnd = nullptr;
};

TEST(SetupWindow, CloseAnsweredNoKeepsTheWindowYesClosesIt)
{
    CCurrentFolder folder(kSampleMedium);
    CWindowThread thread;
    HWND hWnd = thread.GetHWnd();
    ASSERT_NE(nullptr, hWnd);

    PostMessageA(hWnd, WM_CLOSE, 0, 0);
    ExpectQuestion(hWnd, "確認", "no");
    Sleep(100);
    EXPECT_TRUE(IsWindow(hWnd) && IsWindowVisible(hWnd)) << "the window closed although the user said No";

    PostMessageA(hWnd, WM_CLOSE, 0, 0);
    ExpectQuestion(hWnd, "確認", "yes");
    EXPECT_TRUE(WaitFor([hWnd] { return !IsWindow(hWnd); }, kTimeout)) << "the window stayed open after Yes";
}

TEST(SetupWindow, WithoutAWindowMessagesAreLeftToTheDefault)
{
    CTempFolder empty("setupwin");
    CCurrentFolder folder(empty.Path());
    CSetupWindow window;
    EXPECT_EQ(0, window.OnMessage(nullptr, WM_SIZE, 0, 0));
    EXPECT_EQ(0, window.OnMessage(nullptr, WM_USER + 7, 1, 2));
}

}  // namespace
