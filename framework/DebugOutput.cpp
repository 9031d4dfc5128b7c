#include "framework/DebugOutput.h"

namespace {
bool g_windowOn = false;
bool g_logOn = false;
}

void DebugOutput(const char*) {}

bool ShowDebugWindow() {
  g_windowOn = true;
  return false;
}

void ClearDebugWindow() {
  if (!g_windowOn) return;
}

void EnableLogFile() { g_logOn = true; }
