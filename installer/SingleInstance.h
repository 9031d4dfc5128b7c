#pragma once
#include "framework/Handle.h"
#include <windows.h>

// Named mutex of the program's full path (forward slashes): only the first
// instance owns it.
class CSingleInstance {
public:
    CSingleInstance();
    ~CSingleInstance();
    bool IsFirstInstance() const { return m_First; }

private:
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;
    CKernelHandle m_hMutex;
    bool m_First;
};
