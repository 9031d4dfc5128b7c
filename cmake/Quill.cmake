# Helpers of the subsystem folders.
#
# Each subsystem folder X declares quill_X_pure (pure code: no <windows.h>;
# built in both builds, natively with the sanitizers) and/or quill_X (its
# Win32 part, Windows build only), and states with USES which libraries of
# other subsystems it builds on. A library sees the headers of its own folder
# and of the libraries it uses, nothing else: every folder has an include
# root of its own (build/include/X/X -> X/), so an include of a subsystem
# that is not among the USES fails to compile, and a call into it fails to
# link.

# The include root of folder: a directory holding only a link named after it.
function(quill_include_root target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  # Inside the tree a library sees its include roots; from the installed kit
  # every header is below include/FOLDER.
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${root}> $<INSTALL_INTERFACE:include>)
endfunction()

# quill_sdk_target(TARGET)
# A library of the kit: Quill::NAME (the target's name without "quill_") in
# the tree and in the installed package, and in the Windows build installed
# with the headers of its folder (include/FOLDER/*.h), so that the kit
# follows the libraries wherever their files move.
function(quill_sdk_target target)
  string(REGEX REPLACE "^quill_" "" short ${target})
  add_library(Quill::${short} ALIAS ${target})
  if(NOT WIN32)
    return()
  endif()
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${short})
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    set_property(GLOBAL APPEND PROPERTY QUILL_SDK_TARGETS ${target})
  endif()
  install(TARGETS ${target} EXPORT QuillTargets ARCHIVE DESTINATION lib)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  get_property(installed GLOBAL PROPERTY QUILL_SDK_HEADERS_${folder})
  if(NOT installed)
    set_property(GLOBAL PROPERTY QUILL_SDK_HEADERS_${folder} TRUE)
    install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/ DESTINATION include/${folder}
            FILES_MATCHING PATTERN "*.h")
  endif()
endfunction()

# quill_library(NAME [PURE] SOURCES src... [USES lib...])
# A static library of the current folder. Without PURE it exists only in the
# Windows build.
function(quill_library name)
  cmake_parse_arguments(L "PURE" "" "SOURCES;USES" ${ARGN})
  if(NOT L_PURE AND NOT WIN32)
    return()
  endif()
  add_library(${name} STATIC ${L_SOURCES})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  quill_include_root(${name} ${folder})
  if(L_USES)
    target_link_libraries(${name} PUBLIC ${L_USES})
  endif()
  quill_sdk_target(${name})
endfunction()

# quill_add_test(NAME src... LINK lib... [PURE] [SERIAL] [TIMEOUT s])
# One test program linked with the libraries it tests (and, through them,
# their dependencies). PURE programs build in both builds: natively against
# the pure libraries named; in the Windows build each quill_X_pure named is
# replaced by quill_X, since a pure class may keep its Win32 members in the
# shell. The others build only for Windows and get the shared test helpers.
# Every test case becomes its own ctest entry (discovered when ctest runs,
# so under Wine through the cross-compiling emulator).
function(quill_add_test name)
  cmake_parse_arguments(T "PURE;SERIAL" "TIMEOUT" "LINK" ${ARGN})
  if(NOT T_PURE AND NOT WIN32)
    return()
  endif()
  set(libs)
  foreach(lib ${T_LINK})
    if(WIN32 AND lib MATCHES "^(quill_.*)_pure$")
      if(TARGET ${CMAKE_MATCH_1})
        set(lib ${CMAKE_MATCH_1})
      endif()
    endif()
    list(APPEND libs ${lib})
  endforeach()
  if(WIN32)
    list(APPEND libs quill_test_common)
  endif()
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${libs} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # Host paths of the tree, for tests that need fixtures or the built programs
  # (a Windows test reaches them through Wine's Z: drive).
  target_compile_definitions(${name} PRIVATE
    QUILL_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QUILL_BINARY_DIR="${CMAKE_BINARY_DIR}"
    QUILL_OUT_DIR="${QUILL_OUT_DIR}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ${props})
endfunction()

# quill_shipped_program(TARGET)
# Marks an executable as one the product ships: it goes to out/, and the test
# ShippedPrograms.ImportTables checks its import table against
# docs/platform.md (every function it imports must exist on Windows 98 SE).
function(quill_shipped_program target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QUILL_OUT_DIR})
  set_property(GLOBAL APPEND PROPERTY QUILL_SHIPPED_PROGRAMS ${target})
endfunction()

# The import-table test over every shipped program of the Windows build;
# called once, after all folders.
function(quill_check_shipped_imports)
  get_property(programs GLOBAL PROPERTY QUILL_SHIPPED_PROGRAMS)
  if(NOT WIN32 OR NOT programs)
    return()
  endif()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(files)
  foreach(program ${programs})
    list(APPEND files $<TARGET_FILE:${program}>)
  endforeach()
  add_test(NAME ShippedPrograms.ImportTables
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check-imports.py
            ${CMAKE_SOURCE_DIR}/docs/platform.md ${CMAKE_OBJDUMP} ${files})
endfunction()
