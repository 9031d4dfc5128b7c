# Locks, threads, events, callbacks, raw files, per-thread COM, trace function.
quill_win_sources(
  ${CMAKE_CURRENT_LIST_DIR}/DebugPrint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CriticalSection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StartupCallbacks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileHandle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComInit.cpp
)
