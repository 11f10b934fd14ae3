# Cross-compiles for 32-bit Windows, the target mvdb.dll ships for, with the
# MinGW-w64 compilers of Debian.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MVDB_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Test programs run under Wine when ctest starts them.
find_program(MVDB_WINE NAMES wine)
if(MVDB_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MVDB_WINE})
endif()
