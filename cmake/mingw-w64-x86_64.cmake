# Cross-compiles the same sources for 64-bit Windows. The shipped DLL is the
# 32-bit one; this build runs the Windows suite under 64-bit Wine on machines
# whose kernel cannot execute 32-bit programs (and so cannot run 32-bit Wine).
#
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MVDB_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# Debian keeps the 64-bit loader out of PATH; /usr/bin/wine prefers the
# 32-bit one whenever it is installed, even where it cannot start.
find_program(MVDB_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT MVDB_WINE)
  find_program(MVDB_WINE NAMES wine64 wine)
endif()
if(MVDB_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MVDB_WINE})
endif()
