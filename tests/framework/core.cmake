# Locks, trace function, threads, events, callbacks, raw files, per-thread COM.
quill_add_test(framework_lock_test ${CMAKE_CURRENT_LIST_DIR}/LockTest.cpp)
quill_add_test(framework_thread_test ${CMAKE_CURRENT_LIST_DIR}/ThreadTest.cpp)
quill_add_test(framework_filehandle_test ${CMAKE_CURRENT_LIST_DIR}/FileHandleTest.cpp)
quill_add_test(framework_startup_com_test ${CMAKE_CURRENT_LIST_DIR}/StartupComTest.cpp)
