# Windows, timers, application base, debug output, display changes.
quill_add_test(framework_window_test ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp)
quill_add_test(framework_changedisplay_test ${CMAKE_CURRENT_LIST_DIR}/changedisplay_test.cpp)
quill_add_test(framework_timer_test ${CMAKE_CURRENT_LIST_DIR}/timer_test.cpp)
quill_add_test(framework_appbase_test ${CMAKE_CURRENT_LIST_DIR}/appbase_test.cpp)
quill_add_test(framework_debugoutput_test ${CMAKE_CURRENT_LIST_DIR}/debugoutput_test.cpp)
