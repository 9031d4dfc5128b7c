quill_win_sources(
  ${CMAKE_CURRENT_LIST_DIR}/DebugOutput.cpp)
