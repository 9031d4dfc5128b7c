#include "update/FileFlusher.h"

CFileFlusher::~CFileFlusher()
{
    End();
}

bool CFileFlusher::Begin()
{
    return Start(THREAD_PRIORITY_TIME_CRITICAL);
}

void CFileFlusher::End()
{
    Stop();
    CCriticalLock lock(m_Lock);
    m_Queue.clear();
    m_Failed = false;
}

bool CFileFlusher::Idle()
{
    CCriticalLock lock(m_Lock);
    return m_Queue.empty() && m_Busy == 0;
}

void CFileFlusher::Add(std::unique_ptr<CFileHandle> file, size_t tag)
{
    for (;;) {
        {
            CCriticalLock lock(m_Lock);
            if (m_Queue.size() < kMaxPending || !IsRunning()) {
                m_Queue.push_back(Pending{std::move(file), tag});
                break;
            }
        }
        m_Done.Wait(100);
    }
    m_Work.Set();
}

void CFileFlusher::Drain()
{
    // Without the thread, the files are flushed here.
    if (!IsRunning()) {
        for (;;) {
            Pending next;
            {
                CCriticalLock lock(m_Lock);
                if (m_Queue.empty())
                    return;
                next = std::move(m_Queue.front());
                m_Queue.pop_front();
            }
            if (!FlushFileBuffers(next.file->GetHandle())) {
                DWORD error = GetLastError();
                CCriticalLock lock(m_Lock);
                if (!m_Failed) {
                    m_Failed = true;
                    m_FailedTag = next.tag;
                    m_Error = error;
                }
            }
        }
    }
    while (!Idle())
        m_Done.Wait(100);
}

bool CFileFlusher::TakeFailure(size_t& tag, DWORD& error)
{
    CCriticalLock lock(m_Lock);
    if (!m_Failed)
        return false;
    tag = m_FailedTag;
    error = m_Error;
    m_Failed = false;
    return true;
}

void CFileFlusher::ThreadMain()
{
    HANDLE wake[2] = {m_Work.GetHandle(), GetStopEvent().GetHandle()};
    for (;;) {
        Pending next;
        {
            CCriticalLock lock(m_Lock);
            if (!m_Queue.empty()) {
                next = std::move(m_Queue.front());
                m_Queue.pop_front();
                ++m_Busy;
            }
        }
        if (!next.file) {
            if (!IsRunning())
                return;
            WaitForMultipleObjects(2, wake, FALSE, 100);
            continue;
        }
        bool flushed = FlushFileBuffers(next.file->GetHandle()) != 0;
        DWORD error = flushed ? NO_ERROR : GetLastError();
        next.file.reset();
        {
            CCriticalLock lock(m_Lock);
            --m_Busy;
            if (!flushed && !m_Failed) {
                m_Failed = true;
                m_FailedTag = next.tag;
                m_Error = error;
            }
        }
        m_Done.Set();
    }
}
