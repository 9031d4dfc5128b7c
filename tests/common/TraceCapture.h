#pragma once

#include "framework/DebugPrint.h"

#include <mutex>
#include <string>
#include <vector>

// Captures DebugPrint lines for the lifetime of the object.
class TraceCapture {
public:
    TraceCapture() { m_Previous = SetDebugPrintSink(&TraceCapture::Sink); Lines().clear(); }
    ~TraceCapture() { SetDebugPrintSink(m_Previous); }

    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> lock(Mutex());
        std::vector<std::string> lines;
        lines.swap(Lines());
        return lines;
    }

private:
    static void Sink(const char* line)
    {
        std::lock_guard<std::mutex> lock(Mutex());
        Lines().push_back(line);
    }
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    DebugPrintSink m_Previous;
};
