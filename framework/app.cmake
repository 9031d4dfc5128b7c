# Windows, timers, application base, debug output, display changes.
quill_win_sources(
  ${CMAKE_CURRENT_LIST_DIR}/ChangeDisplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TimerService.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AppBase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DebugOutput.cpp)
