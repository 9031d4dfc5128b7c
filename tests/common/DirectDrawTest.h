#pragma once
// A window whose thread holds the window's DirectDraw object, shared by the
// tests of one suite, and probe objects of DirectDraw's own classes for
// hooking their virtual tables.
#include "common/WindowTestApp.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <ddraw.h>

#include <functional>
#include <string>

class CDirectDraw;

class DirectDrawTest : public ::testing::Test {
public:
    static constexpr int kWidth = 96, kHeight = 64;

    // Runs work on the window thread.
    static void OnWindow(const std::function<void()>& work);
    static HWND Window();
    // The window's object as the manager has it.
    static CDirectDraw* DirectDraw();

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static WindowTestApp* s_app;
    static std::string s_failure;
};

// Slots of the DirectDraw interfaces the tests hook (in the order the
// platform header declares the methods).
enum {
    kSlotDDCreateClipper = 4,           // IDirectDraw7::CreateClipper
    kSlotDDCreateSurface = 6,           // IDirectDraw7::CreateSurface
    kSlotDDInitialize = 18,             // IDirectDraw7::Initialize
    kSlotDDRestoreDisplayMode = 19,     // IDirectDraw7::RestoreDisplayMode
    kSlotDDSetCooperativeLevel = 20,    // IDirectDraw7::SetCooperativeLevel
    kSlotDDSetDisplayMode = 21,         // IDirectDraw7::SetDisplayMode
    kSlotClipperSetHWnd = 8,            // IDirectDrawClipper::SetHWnd
    kSlotSurfaceGetSurfaceDesc = 22,    // IDirectDrawSurface7::GetSurfaceDesc
    kSlotSurfaceIsLost = 24,            // IDirectDrawSurface7::IsLost
    kSlotSurfaceLock = 25,              // IDirectDrawSurface7::Lock
    kSlotSurfaceRestore = 27,           // IDirectDrawSurface7::Restore
};

// DirectDraw objects of the test's own, made and released with the probe:
// an uninitialised DirectDraw object, and an initialised one with a clipper
// and a small system-memory surface. Their virtual tables are those of every
// object of the class.
class DirectDrawProbe {
public:
    DirectDrawProbe();
    ~DirectDrawProbe();
    IDirectDraw7* Uninitialised() const { return m_Uninitialised; }
    IDirectDraw7* DirectDraw() const { return m_DirectDraw; }
    IDirectDrawClipper* Clipper() const { return m_Clipper; }
    IDirectDrawSurface7* Surface() const { return m_Surface; }

private:
    IDirectDraw7* m_Uninitialised = nullptr;
    IDirectDraw7* m_DirectDraw = nullptr;
    IDirectDrawClipper* m_Clipper = nullptr;
    IDirectDrawSurface7* m_Surface = nullptr;

    DirectDrawProbe(const DirectDrawProbe&) = delete;
    DirectDrawProbe& operator=(const DirectDrawProbe&) = delete;
};
