#pragma once
// What the game window shows: a frame surface that remembers where it was
// drawn into, the picture of the scene on screen and of the one coming, the
// text box with its Japanese text. Not locked: the application serialises
// every call.
#include "SceneScript.h"

#include "surface/AutoSurface.h"
#include "surface/TrackedSurface.h"

#include <windows.h>

#include <string>
#include <vector>

class CImageInterface;

class CSceneView {
public:
    static const int kWidth = 800;
    static const int kHeight = 600;

    CSceneView();
    ~CSceneView();

    // The frame in the screen's format, a DirectDraw surface when the window
    // has a DirectDraw object, else a DIB section; the pictures in the same
    // format in memory. False when the frame cannot be made.
    bool Create(HWND hWnd);
    void Release();
    // The kind and format of the frame, for the benchmark's report.
    bool IsDirectDraw();
    int GetFormat();

    // The text box plate (with its alpha plane); without one a plain dark
    // box is drawn.
    void SetTextBox(CImageInterface* image);
    // The picture of the next scene (null or not loaded: a dark picture).
    void SetNextPicture(CImageInterface* image);
    // The next picture becomes the one on screen.
    void SwapPictures();

    // The current picture with the text box and the page's text; `more`
    // shows the mark that says Enter goes on.
    void DrawPage(const ScenePage& page, const std::string& version, bool more);
    // The current picture alone.
    void DrawPicture();
    // The transition from the current picture to the next at 0..1024.
    void DrawTransition(const SceneTransition& transition, int progress);
    // The next picture copied straight over the frame.
    void DrawCopy();

    // The rectangles drawn into since the last call; forgets them.
    std::vector<RECT> TakeTouched();
    // Copies the rectangle of the frame onto the device context.
    bool Present(HDC dc, const RECT& rect);

private:
    void DrawText(HDC dc, const ScenePage& page, const std::string& version, bool more);

    CTrackedSurface m_Frame;
    CAutoSurface m_Pictures[2];  // on screen, next
    int m_Current;
    CAutoSurface m_TextBox;
    HFONT m_Font;
    HFONT m_SmallFont;

    CSceneView(const CSceneView&) = delete;
    CSceneView& operator=(const CSceneView&) = delete;
};
