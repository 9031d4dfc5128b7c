#pragma once
#include <windows.h>

// Keeps the input method off for one window while it lives.
class CImeContextGuard {
public:
    explicit CImeContextGuard(HWND hWnd);
    virtual ~CImeContextGuard() { Restore(); }
    void Restore();
    void Disable();
    bool IsEnabled() const { return m_Saved == NULL; }

private:
    HWND m_hWnd;
    HIMC m_Saved;
};
