#pragma once
// The base of every Direct3D object the framework makes on a device: it is
// listed under the window of the thread that constructs it, and survives a
// lost device by saving what it needs and releasing its object (OnLost),
// then making it again (OnRestore).
#include <windows.h>

class CD3DDevice;

class CD3DResource {
public:
    CD3DResource();
    // Save and release.
    virtual void OnLost() = 0;
    // Make again from what was saved.
    virtual void OnRestore() = 0;
    // Release without saving.
    virtual void Release() = 0;
    virtual ~CD3DResource();

    HWND GetHWnd() const { return m_hWnd; }

protected:
    // The device of the window, or null (every operation then fails quietly).
    CD3DDevice* GetDevice() const;

private:
    HWND m_hWnd;

    CD3DResource(const CD3DResource&) = delete;
    CD3DResource& operator=(const CD3DResource&) = delete;
};
