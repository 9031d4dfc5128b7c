#pragma once
// The game: the scene script played in a window of the framework's
// application object. The window thread reads the data, shows the window
// once the first picture is drawn and handles input; a timer of the timer
// service draws the transitions; the image cache reads the next scene's
// picture ahead at idle priority.
//
// Enter or a left click goes on (and finishes a running transition); Escape
// or closing the window asks whether to quit; F9 shows the debug window and
// starts "log.txt".
#include "SceneImage.h"
#include "SceneScript.h"
#include "SceneView.h"

#include "framework/AppBase.h"
#include "framework/CriticalSection.h"

#include <string>

class CQuillmoorApp : public CAppBase {
public:
    struct Options {
        int startScene = 1;  // 1-based; 0 for the last
        bool bench = false;  // measure, print the figures, quit
        bool dib = false;    // no DirectDraw for the frame
    };

    explicit CQuillmoorApp(const Options& options);
    ~CQuillmoorApp() override;

    // 0, or 1 when the game's data could not be read (or the benchmark failed).
    int GetExitCode() const { return m_ExitCode; }

    void OnSetupWindow(CWindowParams& params) override;
    void MainLoop() override;
    void OnExit() override;
    bool OnQueryClose() override;
    int OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool DrawsWholeClient() override { return true; }
    void OnPaint(HDC dc, const RECT& dirty) override;

    static const char kTitle[];
    static const char kScriptPath[];
    static const char kTextBoxPath[];
    static const char kVersionPath[];

private:
    enum Phase { kLoading, kTransition, kPage };

    // Version, script, frame and text box, the first scene; false with the
    // reason in `error`.
    bool LoadGame(std::string& error);
    // Shows the window and paints the first picture at once.
    void ShowFirstPicture();
    // Enter or a click.
    void Advance();
    // The next scene's picture, then its transition (or the page at once).
    void BeginScene(size_t index);
    void EndTransition();
    void DrawPage();
    // The timer: the running transition's next frame.
    void Tick();
    void InvalidateTouched();
    void OpenDebugOutput();
    std::string PicturePath(size_t index) const;
    void PrefetchAfter(size_t index);
    void Fail(const std::string& error);

    // The benchmark: time to the first picture, then frames per second of
    // every transition the script uses.
    void RunBench();
    double MeasureFrames(const SceneTransition* transition, bool present);

    Options m_Options;
    CSceneImageCache m_Cache;
    CSceneScript m_Script;
    CSceneView m_View;
    std::string m_Version;
    CCriticalSection m_Lock;  // everything below and the view
    Phase m_Phase;
    size_t m_Scene;
    size_t m_Page;
    DWORD m_TransitionStart;
    int m_TimerId;
    int m_ExitCode;
    bool m_DirectDraw;
    bool m_FirstPainted;
    LARGE_INTEGER m_Started;      // construction
    LARGE_INTEGER m_Shown;        // the window appeared
    LARGE_INTEGER m_FirstPicture; // its first paint ended

    CQuillmoorApp(const CQuillmoorApp&) = delete;
    CQuillmoorApp& operator=(const CQuillmoorApp&) = delete;
};
