# The toolchain of a program built on the installed kit:
#   cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=KIT/lib/cmake/Quill/toolchain.cmake
# The framework's 32-bit MinGW-w64 toolchain, with the kit's own prefix among
# the roots that packages are searched in, so find_package(Quill) finds it.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-mingw.cmake)
get_filename_component(QUILL_SDK_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH ${QUILL_SDK_PREFIX})
