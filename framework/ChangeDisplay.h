#pragma once
#include <windows.h>

// Display-mode changer behind a window's full-screen switch.
class CChangeDisplay {
public:
    virtual bool ChangeDisplay(int width, int height, int depth) = 0;
    virtual bool CanChange(int width, int height, int depth) = 0;
    virtual bool Reset() = 0;
    virtual bool IsChanged() = 0;
    virtual int GetKind() = 0;  // 1: Win32 API, 2: DirectDraw
    virtual ~CChangeDisplay() {}
};

// Changes the mode with ChangeDisplaySettingsA.
class CChangeDisplayWin32API : public CChangeDisplay {
public:
    CChangeDisplayWin32API() : m_Changed(0) {}
    ~CChangeDisplayWin32API() override { _Finalize(); }
    bool ChangeDisplay(int width, int height, int depth) override;
    bool CanChange(int width, int height, int depth) override;
    bool Reset() override;
    bool IsChanged() override { return m_Changed != 0; }
    int GetKind() override { return 1; }

protected:
    void _Finalize();

private:
    unsigned char m_Changed;
};
