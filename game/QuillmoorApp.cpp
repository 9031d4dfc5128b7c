#include "QuillmoorApp.h"

#include "DataFile.h"

#include "framework/Callback.h"
#include "framework/DebugOutput.h"
#include "framework/DebugPrint.h"
#include "framework/DirectDrawManager.h"

#include <mmsystem.h>

#include <cstdio>
#include <memory>

const char CQuillmoorApp::kTitle[] = "Quillmoor～Brindlewick～";
const char CQuillmoorApp::kScriptPath[] = "data\\script\\scenes.txt";
const char CQuillmoorApp::kTextBoxPath[] = "data\\sys\\textbox.bmp";
const char CQuillmoorApp::kVersionPath[] = "version.txt";

namespace {

const char kQuitQuestion[] = "ゲームを終了しますか？";
const char kDataError[] = "ゲームのデータを読み込めませんでした。\n";
const DWORD kTickMs = 16;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

}  // namespace

CQuillmoorApp::CQuillmoorApp(const Options& options)
    : m_Options(options), m_Phase(kLoading), m_Scene(0), m_Page(0), m_TransitionStart(0), m_TimerId(0),
      m_ExitCode(0), m_DirectDraw(false), m_FirstPainted(false), m_Started(Now()), m_Shown(), m_FirstPicture()
{
}

CQuillmoorApp::~CQuillmoorApp()
{
    // The window thread goes first: the timer and the window use the members.
    Stop();
}

void CQuillmoorApp::OnSetupWindow(CWindowParams& params)
{
    params.m_WndClass.lpszClassName = "QuillmoorWindow";
    params.m_Title = kTitle;
    // Shown once the first picture is drawn, so it never shows a black frame.
    params.m_Style &= ~WS_VISIBLE;
    params.m_Width = CSceneView::kWidth;
    params.m_Height = CSceneView::kHeight;
}

void CQuillmoorApp::MainLoop()
{
    std::string error;
    if (!LoadGame(error)) {
        Fail(error);
        return;
    }
    ShowFirstPicture();
    if (m_Options.bench) {
        RunBench();
        return;
    }
    m_TimerId = GetTimerService()->AddTimer(make_callback(this, &CQuillmoorApp::Tick), kTickMs, kTickMs, 0);
    CAppBase::MainLoop();
}

void CQuillmoorApp::Fail(const std::string& error)
{
    m_ExitCode = 1;
    DebugPrint("CQuillmoorApp::MainLoop() %s", error.c_str());
    if (m_Options.bench)
        std::fprintf(stderr, "Quillmoor: %s\n", error.c_str());
    else
        // The window is still hidden: the box stands alone.
        MessageBoxA(nullptr, (kDataError + error).c_str(), kTitle, MB_OK | MB_ICONERROR);
}

bool CQuillmoorApp::LoadGame(std::string& error)
{
    std::unique_ptr<char[]> text;
    uint32_t size = 0;
    if (ReadDataFile(kVersionPath, text, size))
        m_Version = ParseVersionText(text.get(), size);
    if (!ReadDataFile(kScriptPath, text, size)) {
        error = std::string("[") + kScriptPath + "] が見つかりません。";
        return false;
    }
    if (!m_Script.Parse(text.get(), size)) {
        error = std::string("[") + kScriptPath + "] " + m_Script.GetError();
        return false;
    }
    const size_t count = m_Script.GetScenes().size();
    if (m_Options.startScene == 0)
        m_Options.startScene = int(count);
    if (m_Options.startScene < 1 || size_t(m_Options.startScene) > count) {
        error = "場面 " + std::to_string(m_Options.startScene) + " はありません（1 から " +
                std::to_string(count) + " まで）。";
        return false;
    }

    CCriticalLock lock(m_Lock);
    HWND hWnd = GetHWnd();
    m_DirectDraw = !m_Options.dib && CDirectDrawManager::GetInstance().Initialize(hWnd);
    if (!m_View.Create(hWnd)) {
        error = "画面を作成できませんでした。";
        return false;
    }
    CImageInterface* box = m_Cache.Acquire(kTextBoxPath);
    m_View.SetTextBox(box);
    m_Cache.Release(box);

    m_Scene = size_t(m_Options.startScene - 1);
    m_Page = 0;
    CImageInterface* picture = m_Cache.Acquire(PicturePath(m_Scene));
    m_View.SetNextPicture(picture);
    m_Cache.Release(picture);
    m_View.SwapPictures();
    DrawPage();
    PrefetchAfter(m_Scene);
    DebugPrint("CQuillmoorApp::LoadGame() 場面%d「%s」から始めます（Ver.%s、%s）", int(m_Scene + 1),
               m_Script.GetScenes()[m_Scene].name.c_str(), m_Version.c_str(),
               m_DirectDraw ? "DirectDraw" : "DIB");
    return true;
}

void CQuillmoorApp::ShowFirstPicture()
{
    HWND hWnd = GetHWnd();
    m_Shown = Now();
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);  // paints now
    BringWindowToTop(hWnd);
    SetForegroundWindow(hWnd);
}

std::string CQuillmoorApp::PicturePath(size_t index) const
{
    return "data\\" + m_Script.GetScenes()[index].picture;
}

void CQuillmoorApp::PrefetchAfter(size_t index)
{
    const size_t next = (index + 1) % m_Script.GetScenes().size();
    m_Cache.Prefetch(PicturePath(next));
}

void CQuillmoorApp::DrawPage()
{
    const Scene& scene = m_Script.GetScenes()[m_Scene];
    m_View.DrawPage(scene.pages[m_Page], m_Version, true);
    m_Phase = kPage;
}

void CQuillmoorApp::Advance()
{
    {
        CCriticalLock lock(m_Lock);
        if (m_Phase == kTransition) {
            EndTransition();
        } else if (m_Phase == kPage) {
            const Scene& scene = m_Script.GetScenes()[m_Scene];
            if (m_Page + 1 < scene.pages.size()) {
                ++m_Page;
                DrawPage();
            } else {
                BeginScene((m_Scene + 1) % m_Script.GetScenes().size());
            }
        }
    }
    InvalidateTouched();
}

void CQuillmoorApp::BeginScene(size_t index)
{
    const Scene& scene = m_Script.GetScenes()[index];
    // Read ahead when the scene before came up, so this rarely waits.
    CImageInterface* picture = m_Cache.Acquire(PicturePath(index));
    m_View.SetNextPicture(picture);
    m_Cache.Release(picture);
    m_Scene = index;
    m_Page = 0;
    PrefetchAfter(index);
    DebugPrint("CQuillmoorApp::BeginScene() 場面%d「%s」へ（%s、%dms）", int(index + 1), scene.name.c_str(),
               scene.transition.name.c_str(), int(scene.duration));
    if (scene.transition.family == SceneTransition::kCut || scene.duration == 0) {
        EndTransition();
        return;
    }
    m_Phase = kTransition;
    m_TransitionStart = timeGetTime();
    m_View.DrawTransition(scene.transition, 0);
}

void CQuillmoorApp::EndTransition()
{
    m_View.SwapPictures();
    DrawPage();
}

void CQuillmoorApp::Tick()
{
    {
        CCriticalLock lock(m_Lock);
        if (m_Phase != kTransition)
            return;
        const Scene& scene = m_Script.GetScenes()[m_Scene];
        const DWORD elapsed = timeGetTime() - m_TransitionStart;
        if (elapsed >= scene.duration) {
            EndTransition();
        } else {
            m_View.DrawTransition(scene.transition, int(uint64_t(elapsed) * 1024 / scene.duration));
        }
    }
    InvalidateTouched();
}

void CQuillmoorApp::InvalidateTouched()
{
    std::vector<RECT> rects;
    {
        CCriticalLock lock(m_Lock);
        rects = m_View.TakeTouched();
    }
    HWND hWnd = GetHWnd();
    for (const RECT& r : rects)
        InvalidateRect(hWnd, &r, FALSE);
}

void CQuillmoorApp::OnPaint(HDC dc, const RECT& dirty)
{
    CCriticalLock lock(m_Lock);
    m_View.Present(dc, dirty);
    if (!m_FirstPainted && m_Phase == kPage) {
        m_FirstPainted = true;
        m_FirstPicture = Now();
    }
}

void CQuillmoorApp::OpenDebugOutput()
{
    // On the timer's thread: the debug window's own thread may message this
    // window while it is created.
    EnableLogFile();
    ShowDebugWindow();
    CCriticalLock lock(m_Lock);
    DebugPrint("CQuillmoorApp::OpenDebugOutput() Ver.%s 場面%d「%s」の%dページ目", m_Version.c_str(),
               int(m_Scene + 1), m_Script.GetScenes()[m_Scene].name.c_str(), int(m_Page + 1));
}

void CQuillmoorApp::OnExit()
{
    if (m_TimerId != 0)
        GetTimerService()->RemoveTimer(m_TimerId);
    m_TimerId = 0;
    CCriticalLock lock(m_Lock);
    // The surfaces go before the DirectDraw object they may live on.
    m_View.Release();
    if (m_DirectDraw)
        CDirectDrawManager::GetInstance().Uninitialize(GetHWnd());
    m_DirectDraw = false;
}

bool CQuillmoorApp::OnQueryClose()
{
    return MessageBoxA(GetHWnd(), kQuitQuestion, kTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

int CQuillmoorApp::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        Advance();
        return 1;
    case WM_KEYDOWN:
        if (lParam & (1 << 30))
            return 1;  // a held key repeats; one press, one step
        switch (wParam) {
        case VK_RETURN:
            Advance();
            return 1;
        case VK_ESCAPE:
            Close();
            return 1;
        case VK_F9:
            GetTimerService()->AddTimer(make_callback(this, &CQuillmoorApp::OpenDebugOutput), 0, 0, 1);
            return 1;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return CAppBase::OnMessage(hWnd, message, wParam, lParam);
}

double CQuillmoorApp::MeasureFrames(const SceneTransition* transition, bool present)
{
    // At least half a second and 60 frames, progress stepping through
    // 0..1024 in 64 steps and round again.
    HWND hWnd = GetHWnd();
    const LARGE_INTEGER start = Now();
    int frames = 0;
    for (;;) {
        {
            CCriticalLock lock(m_Lock);
            if (transition)
                m_View.DrawTransition(*transition, (frames % 65) * 16);
            else
                m_View.DrawCopy();
            const std::vector<RECT> rects = m_View.TakeTouched();
            if (present) {
                HDC dc = ::GetDC(hWnd);
                for (const RECT& r : rects)
                    m_View.Present(dc, r);
                ::ReleaseDC(hWnd, dc);
            }
        }
        ++frames;
        const double elapsed = Milliseconds(start, Now());
        if (frames >= 60 && elapsed >= 500.0)
            return frames * 1000.0 / elapsed;
    }
}

void CQuillmoorApp::RunBench()
{
    PumpMessages();
    std::printf("Quillmoor benchmark: %d x %d, format %d, frame %s\n", CSceneView::kWidth, CSceneView::kHeight,
                m_View.GetFormat(), m_DirectDraw ? "on DirectDraw (system memory)" : "in a DIB section");
    std::printf("first picture: %.1f ms after the window appeared (goal 250 ms); %.1f ms after start\n",
                Milliseconds(m_Shown, m_FirstPicture), Milliseconds(m_Started, m_FirstPicture));
    std::printf("%-24s %10s %12s %10s %8s\n", "transition", "frames/s", "drawn only", "x copy", "goal 300");

    const std::vector<Scene>& scenes = m_Script.GetScenes();
    // The baseline: the next picture copied straight, shown the same way.
    {
        CCriticalLock lock(m_Lock);
        CImageInterface* next = m_Cache.Acquire(PicturePath((m_Scene + 1) % scenes.size()));
        m_View.SetNextPicture(next);
        m_Cache.Release(next);
    }
    const double base = MeasureFrames(nullptr, true);
    const double baseDrawn = MeasureFrames(nullptr, false);
    std::printf("%-24s %10.1f %12.1f %10.2f %8s\n", "straight copy (base)", base, baseDrawn, 1.0, "");
    bool met = true;
    for (const SceneTransition& t : m_Script.GetTransitions()) {
        if (t.family == SceneTransition::kCut)
            continue;
        // The pictures of the first scene that uses it and of the one before.
        size_t index = 0;
        while (!(scenes[index].transition == t))
            ++index;
        {
            CCriticalLock lock(m_Lock);
            CImageInterface* before = m_Cache.Acquire(PicturePath((index + scenes.size() - 1) % scenes.size()));
            m_View.SetNextPicture(before);
            m_View.SwapPictures();
            CImageInterface* after = m_Cache.Acquire(PicturePath(index));
            m_View.SetNextPicture(after);
            m_Cache.Release(before);
            m_Cache.Release(after);
        }
        const double fps = MeasureFrames(&t, true);
        const double drawn = MeasureFrames(&t, false);
        char name[64];
        std::snprintf(name, sizeof name, "%s (%s%d)", t.name.c_str(),
                      t.family == SceneTransition::kExtended ? "ex" : "tp", t.op);
        std::printf("%-24s %10.1f %12.1f %10.2f %8s\n", name, fps, drawn, fps / base, fps >= 300.0 ? "met" : "MISSED");
        met = met && fps >= 300.0;
        PumpMessages();
    }
    std::printf("every transition at 300 frames/s or more: %s\n", met ? "yes" : "no");
    std::fflush(stdout);
}
