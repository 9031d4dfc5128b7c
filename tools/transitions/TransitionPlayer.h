#pragma once
// The transition player's application: a window on the application's own
// thread showing a tracked DIB surface, into which a timer of the timer
// service draws the next frame of the current transition; the window
// repaints only the rectangles the surface recorded.
//
// Keys: Space pauses and resumes; Right and Left go to the next or previous
// operation; Up and Down step the progress by 64 (and pause); F changes the
// pixel format (32, 24, 16, 15); Escape closes.
#include "TransitionScene.h"

#include "framework/AppBase.h"
#include "framework/CriticalSection.h"
#include "surface/TrackedSurface.h"

#include <string>

class CTransitionPlayer : public CAppBase {
public:
    struct Options {
        int width = 640, height = 480;
        int format = 32;
        std::string picture;  // picture A; a drawn one when empty or unreadable
        int step = 0;         // index into CTransitionScene::GetSteps()
        int progress = 0;
        bool paused = false;
    };

    explicit CTransitionPlayer(const Options& options);
    ~CTransitionPlayer() override;

    void OnInit() override;
    void OnSetupWindow(CWindowParams& params) override;
    void OnExit() override;
    int OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool DrawsWholeClient() override { return true; }
    void OnPaint(HDC dc, const RECT& dirty) override;

private:
    // On the timer thread: advances, draws, invalidates what was drawn.
    void Tick();
    // Draws the current state and hands the recorded rectangles to the window.
    void DrawFrame();
    bool MakeSurfaces(int format);
    void GoTo(int step);
    void UpdateCaption(HWND hWnd);

    Options m_Options;
    CTransitionScene m_Scene;
    CTrackedSurface m_Frame;
    CCriticalSection m_Lock;  // the scene, the frame and the state below
    int m_Step;
    int m_Progress;
    bool m_Paused;
    int m_Hold;  // ticks left at the end of an operation
    int m_TimerId;

    CTransitionPlayer(const CTransitionPlayer&) = delete;
    CTransitionPlayer& operator=(const CTransitionPlayer&) = delete;
};
