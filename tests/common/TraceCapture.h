#pragma once
// Captures the DebugPrint lines of every thread while the object lives.
#include "framework/CriticalSection.h"
#include "framework/DebugPrint.h"

#include <cstddef>
#include <string>
#include <vector>

class TraceCapture {
public:
    TraceCapture() { Clear(); m_Previous = SetDebugPrintSink(&TraceCapture::Sink); }
    ~TraceCapture() { SetDebugPrintSink(m_Previous); }

    // The lines so far (kept).
    std::vector<std::string> Lines() const
    {
        CCriticalLock lock(Lock());
        return Store();
    }
    // The lines so far, emptying the capture.
    std::vector<std::string> Take()
    {
        CCriticalLock lock(Lock());
        std::vector<std::string> lines;
        lines.swap(Store());
        return lines;
    }
    void Clear() { Take(); }
    // How many lines equal text.
    size_t Count(const std::string& text) const
    {
        size_t n = 0;
        for (const std::string& line : Lines())
            n += line == text;
        return n;
    }

private:
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    static void Sink(const char* line)
    {
        CCriticalLock lock(Lock());
        Store().push_back(line);
    }
    static std::vector<std::string>& Store()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static CCriticalSection& Lock()
    {
        static CCriticalSection lock;
        return lock;
    }

    DebugPrintSink m_Previous;
};
