#pragma once

#include "framework/CriticalSection.h"
#include "framework/ServiceObject.h"

#include <vector>

class function_callback;

// The process-wide start-up and shutdown callback lists. Entries own their
// callbacks; running a list calls each in order, then deletes them all.
class CStartupCallbacks {
public:
    static CStartupCallbacks& GetInstance();

    // Appends a callback (null is ignored). After the start-up list has run,
    // a start-up callback is never run: it is deleted at once and false is
    // returned.
    bool AddStartup(function_callback* callback);
    bool AddShutdown(function_callback* callback);
    void RunStartupCallbacks();
    void RunShutdownCallbacks();

private:
    friend class CServiceObject<CStartupCallbacks>;
    CStartupCallbacks() : m_StartupRan(false) {}
    static void RunList(std::vector<function_callback*>& list, CCriticalSection& lock);

    std::vector<function_callback*> m_Startup;
    std::vector<function_callback*> m_Shutdown;
    bool m_StartupRan;
    CCriticalSection m_Lock;
};

bool AddStartupCallback(function_callback* callback);
bool AddShutdownCallback(function_callback* callback);
