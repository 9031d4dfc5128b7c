#pragma once

// The framework's one trace function. A line is formatted (wvsprintfA, 2048
// bytes), loses one trailing "\n" and goes to the current sink.
typedef void (*DebugPrintSink)(const char* line);

void DebugPrint(const char* format, ...);

// Replaces the sink (null restores the default, which discards every line)
// and returns the previous one.
DebugPrintSink SetDebugPrintSink(DebugPrintSink sink);
