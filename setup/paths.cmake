quill_pure_sources(${CMAKE_CURRENT_LIST_DIR}/SjisString.cpp)
quill_win_sources(
  ${CMAKE_CURRENT_LIST_DIR}/PathUtil.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RegistryKey.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProductLookup.cpp)
