# find_package(Quill): one imported target per library of the framework,
# each with the libraries it builds on (Quill::framework, Quill::setup, Quill::update,
# Quill::filesystem, Quill::surface, Quill::d3dx, Quill::d3d, their *_pure
# parts, Quill::installer), for the 32-bit Windows toolchain of
# toolchain.cmake beside this file.
include(CMakeFindDependencyMacro)
set(ZLIB_USE_STATIC_LIBS ON)
find_dependency(ZLIB)
include(${CMAKE_CURRENT_LIST_DIR}/QuillTargets.cmake)
get_filename_component(QUILL_SDK_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
# The kit's programs (pak.exe, shaderasm.exe, installer.exe).
set(QUILL_SDK_BIN_DIR ${QUILL_SDK_PREFIX}/bin)
