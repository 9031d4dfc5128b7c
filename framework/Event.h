#pragma once

#include "framework/CriticalSection.h"
#include "framework/Handle.h"

#include <windows.h>

class CEventBase {
public:
    virtual void Set() = 0;
    virtual void Reset() = 0;
    virtual DWORD Wait(DWORD milliseconds) = 0;
    virtual bool IsSet() = 0;
    virtual ~CEventBase() {}
    virtual HANDLE GetHandle() = 0;
};

// Win32 event plus a flag that records the last Set/Reset (a satisfied wait
// does not clear it). Auto-reset, unless a CManualEvent calls Create.
class CEvent : public CEventBase {
public:
    CEvent();
    ~CEvent() override;
    void Set() override;
    void Reset() override;
    DWORD Wait(DWORD milliseconds) override;  // WaitForSingleObject result
    bool IsSet() override;
    HANDLE GetHandle() override { return m_hEvent.Get(); }
    virtual HANDLE Create();
    virtual void Close();

protected:
    CKernelHandle m_hEvent;
    unsigned char m_IsSet;
    CCriticalSection m_Lock;

private:
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
};

// Manual-reset once Create has been called (the constructor makes an
// auto-reset event, like CEvent).
class CManualEvent : public CEvent {
public:
    HANDLE Create() override;
};

// WaitForMultipleObjects over `count` contiguous event objects.
DWORD WaitForEvents(DWORD count, CEvent* events, BOOL waitAll, DWORD milliseconds);
