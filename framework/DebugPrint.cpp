#include "framework/DebugPrint.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cstring>

namespace {

void DiscardLine(const char*) {}

std::atomic<DebugPrintSink> g_sink{&DiscardLine};

}  // namespace

void DebugPrint(const char* format, ...)
{
    if (!format)
        return;
    char line[2048];
    va_list args;
    va_start(args, format);
    line[0] = '\0';
    wvsprintfA(line, format, args);
    va_end(args);
    line[sizeof(line) - 1] = '\0';
    size_t length = strlen(line);
    if (length > 0 && line[length - 1] == '\n')
        line[length - 1] = '\0';
    g_sink.load()(line);
}

DebugPrintSink SetDebugPrintSink(DebugPrintSink sink)
{
    return g_sink.exchange(sink ? sink : &DiscardLine);
}
