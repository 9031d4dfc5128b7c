#pragma once
#include <windows.h>

// Receives every message of the windows it is registered with; non-zero
// means handled.
class CMessageHandler {
public:
    virtual int OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual ~CMessageHandler() {}
};
