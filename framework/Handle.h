#pragma once

#include <windows.h>

// Owns one system handle and closes it when replaced or destroyed. The kinds
// differ only in their invalid value and their close call, given by Traits:
//   struct Traits { typedef ... Type; static Type Invalid(); static void Close(Type); };
template <class Traits>
class CHandle {
public:
    typedef typename Traits::Type Type;

    CHandle() : m_Handle(Traits::Invalid()) {}
    explicit CHandle(Type handle) : m_Handle(handle) {}
    ~CHandle() { Close(); }
    CHandle(CHandle&& other) : m_Handle(other.Release()) {}
    CHandle& operator=(CHandle&& other)
    {
        Reset(other.Release());
        return *this;
    }

    Type Get() const { return m_Handle; }
    bool IsValid() const { return m_Handle != Traits::Invalid(); }
    // Closes the handle held (if any) and takes this one.
    void Reset(Type handle)
    {
        if (handle == m_Handle)
            return;
        Close();
        m_Handle = handle;
    }
    void Close()
    {
        if (IsValid())
            Traits::Close(m_Handle);
        m_Handle = Traits::Invalid();
    }
    // Closes the handle held and returns where a call that hands out a new
    // one (an out parameter) is to put it.
    Type* Receive()
    {
        Close();
        return &m_Handle;
    }
    // Gives the handle up without closing it.
    Type Release()
    {
        Type handle = m_Handle;
        m_Handle = Traits::Invalid();
        return handle;
    }

private:
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    Type m_Handle;
};

// Kernel objects that use null for "none": events, mutexes, threads, processes.
struct CKernelHandleTraits {
    typedef HANDLE Type;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
typedef CHandle<CKernelHandleTraits> CKernelHandle;

// Kernel objects whose makers fail with INVALID_HANDLE_VALUE: files opened
// with CreateFileA, snapshots from CreateToolhelp32Snapshot.
struct CFileObjectTraits {
    typedef HANDLE Type;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
typedef CHandle<CFileObjectTraits> CFileObjectHandle;
typedef CHandle<CFileObjectTraits> CSnapshotHandle;

// FindFirstFileA searches.
struct CFindHandleTraits {
    typedef HANDLE Type;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};
typedef CHandle<CFindHandleTraits> CFindHandle;
