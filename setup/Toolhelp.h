#pragma once
#include <windows.h>
#include <tlhelp32.h>

// The process-enumeration functions of a system module, looked up at run
// time (systems without them lack only the running-program operations).
class CToolhelp {
public:
    typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD flags, DWORD processId);
    typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE snapshot, PROCESSENTRY32* entry);

    // The process-wide instance, on "KERNEL32.DLL".
    static CToolhelp& GetInstance();

    explicit CToolhelp(const char* module = "KERNEL32.DLL") : m_Module(module) {}

    // Looks the three functions up (again); true when all were found.
    bool Load();
    bool IsLoaded() const { return m_CreateSnapshot && m_First && m_Next; }

    CreateSnapshotFn CreateSnapshot() const { return m_CreateSnapshot; }
    ProcessWalkFn First() const { return m_First; }
    ProcessWalkFn Next() const { return m_Next; }

private:
    const char* m_Module;
    CreateSnapshotFn m_CreateSnapshot = nullptr;
    ProcessWalkFn m_First = nullptr;
    ProcessWalkFn m_Next = nullptr;
};
