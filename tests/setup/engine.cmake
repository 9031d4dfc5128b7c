quill_add_test(setup_engine_test ${CMAKE_CURRENT_LIST_DIR}/engine_test.cpp TIMEOUT 60)
