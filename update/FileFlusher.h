#pragma once
#include "framework/CriticalSection.h"
#include "framework/Event.h"
#include "framework/FileHandle.h"
#include "framework/Thread.h"

#include <cstddef>
#include <deque>
#include <memory>

// Makes written files durable on a thread of its own, so that the cost of
// each flush overlaps the writing of the next file: a file handed over is
// flushed, then closed there. The first flush that fails is kept for the
// writer to ask about.
class CFileFlusher : public CThread {
public:
    static constexpr size_t kMaxPending = 32;

    CFileFlusher() {}
    ~CFileFlusher() override;
    void ThreadMain() override;

    bool Begin();
    // Takes the open file; `tag` names it in a failure. Waits while
    // kMaxPending files are waiting already.
    void Add(std::unique_ptr<CFileHandle> file, size_t tag);
    // Waits until every file handed over is flushed and closed.
    void Drain();
    // The first failure not yet taken (tag and system error); false if none.
    bool TakeFailure(size_t& tag, DWORD& error);
    // Stops the thread; files still waiting are closed without a flush.
    void End();

private:
    struct Pending {
        std::unique_ptr<CFileHandle> file;
        size_t tag;
    };
    bool Idle();

    CCriticalSection m_Lock;
    std::deque<Pending> m_Queue;
    size_t m_Busy = 0;  // files taken off the queue, not yet closed
    bool m_Failed = false;
    size_t m_FailedTag = 0;
    DWORD m_Error = 0;
    CEvent m_Work;  // something was added
    CEvent m_Done;  // a file was closed
};
