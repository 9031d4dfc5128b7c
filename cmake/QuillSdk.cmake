# The kit a game maker installs (Windows build): `cmake --install build/win
# --prefix DIR` puts every library with its headers (quill_sdk_target), the
# CMake package (find_package(Quill) gives Quill::framework, Quill::surface,
# ...), the toolchain file and the tools under DIR.

# What the tree compiles with, required of every program built on the kit:
# Shift-JIS string literals from UTF-8 sources, the Windows XP headers, a
# static runtime.
target_compile_options(quill_framework INTERFACE
  $<INSTALL_INTERFACE:-finput-charset=UTF-8> $<INSTALL_INTERFACE:-fexec-charset=CP932>)
target_compile_definitions(quill_framework INTERFACE
  $<INSTALL_INTERFACE:WINVER=0x0501> $<INSTALL_INTERFACE:_WIN32_WINNT=0x0501>
  $<INSTALL_INTERFACE:_WIN32_IE=0x0600>)
target_link_options(quill_framework INTERFACE
  $<INSTALL_INTERFACE:-static> $<INSTALL_INTERFACE:-static-libgcc> $<INSTALL_INTERFACE:-static-libstdc++>)

set(QUILL_SDK_CMAKE_DIR lib/cmake/Quill)
install(EXPORT QuillTargets NAMESPACE Quill:: DESTINATION ${QUILL_SDK_CMAKE_DIR})
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/sdk/QuillConfigVersion.cmake
  VERSION 1.0 COMPATIBILITY SameMajorVersion)
install(FILES
    ${CMAKE_SOURCE_DIR}/cmake/sdk/QuillConfig.cmake
    ${CMAKE_BINARY_DIR}/sdk/QuillConfigVersion.cmake
    ${CMAKE_SOURCE_DIR}/cmake/toolchain-i686-mingw.cmake
    ${CMAKE_SOURCE_DIR}/cmake/sdk/toolchain.cmake
  DESTINATION ${QUILL_SDK_CMAKE_DIR})
# The programs a release needs: the archive tool, the shader assembler and
# the update installer that goes next to an update medium's data folder.
install(TARGETS pak shaderasm installer RUNTIME DESTINATION bin)

# Everything the kit installs, built (cmake --build --preset kit).
get_property(quill_sdk_targets GLOBAL PROPERTY QUILL_SDK_TARGETS)
add_custom_target(kit)
add_dependencies(kit ${quill_sdk_targets} pak shaderasm installer)
