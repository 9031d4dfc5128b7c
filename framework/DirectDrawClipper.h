#pragma once
// A DirectDraw clipper bound to the window of its DirectDraw object.
#include "framework/ComRef.h"

#include <windows.h>
#include <ddraw.h>

class CDirectDraw;

class CDirectDrawClipper {
public:
    // Without a clipper (creation or SetHWnd failed) GetClipper is null.
    explicit CDirectDrawClipper(CDirectDraw& directDraw);
    virtual ~CDirectDrawClipper() {}

    IDirectDrawClipper* GetClipper() const { return m_Clipper.Get(); }

private:
    CComRef<IDirectDrawClipper> m_Clipper;

    CDirectDrawClipper(const CDirectDrawClipper&) = delete;
    CDirectDrawClipper& operator=(const CDirectDrawClipper&) = delete;
};
