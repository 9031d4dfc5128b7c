# Locks, trace function, threads, events, callbacks, raw files, per-thread COM.
quill_add_test(framework_lock_test ${CMAKE_CURRENT_LIST_DIR}/LockTest.cpp)
quill_add_test(framework_thread_test ${CMAKE_CURRENT_LIST_DIR}/ThreadTest.cpp)
