# The part of the MinGW-w64 tool chains that does not depend on the target
# processor; mingw-w64-i686.cmake and mingw-w64-x86_64.cmake set
# MVDB_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR, then include this file.
#
# The posix thread model of the compilers gives the full C++ thread support
# library; winpthread, libgcc and libstdc++ are linked statically, so the
# DLL and the test programs need nothing beyond the system DLLs.
#
# Packages listed in CMAKE_PREFIX_PATH (a cross-built GoogleTest, say) are
# found next to the MinGW system root; nothing of the build machine is.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MVDB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MVDB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MVDB_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MVDB_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
