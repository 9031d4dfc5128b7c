quill_add_test(setup_sjis_string_test ${CMAKE_CURRENT_LIST_DIR}/sjis_string_test.cpp PURE)
quill_add_test(setup_path_util_test ${CMAKE_CURRENT_LIST_DIR}/path_util_test.cpp)
quill_add_test(setup_registry_test ${CMAKE_CURRENT_LIST_DIR}/registry_test.cpp)
