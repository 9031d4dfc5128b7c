#pragma once

#include "framework/Lockable.h"

#include <memory>

// The one process-wide lock under which process-wide objects are created on
// first use. Safe to call from static constructors; never destroyed.
// In the Windows build it is a CCriticalSection (CriticalSection.cpp); the
// native build of the pure code gets a recursive mutex (ProcessLockNative.cpp).
CLockable& GetProcessLock();

// A recursive lock of its own, for pure code: in the Windows build a
// CCriticalSection, natively a recursive mutex.
std::unique_ptr<CLockable> MakeLock();
