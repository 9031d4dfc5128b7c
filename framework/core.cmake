# Locks, threads, events, callbacks, raw files, per-thread COM, trace function.
quill_win_sources(
  ${CMAKE_CURRENT_LIST_DIR}/DebugPrint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CriticalSection.cpp
)
