#!/usr/bin/env bash
# Cross-builds mvdb.dll and the test suite for Windows with MinGW-w64 and
# runs the suite under Wine twice: with the Western code page (1252) and
# with the Japanese one (932); then the tool under Wine and the Windows
# install (scripts/wine-tool.sh, scripts/package-tests.sh windows).
#
# The shipped DLL is 32-bit and is always built and checked (build-win, or
# $MVDB_WIN_BUILD). Where the kernel cannot execute 32-bit programs, 32-bit
# Wine cannot start; the same sources are then also built for 64-bit
# Windows (build-win64, or $MVDB_WIN64_BUILD) and every Windows test runs
# on that build under 64-bit Wine, with the same Win32 code path. Each build
# folder holds GoogleTest built for Windows, a private Wine prefix and the
# Japanese locale when the system lacks it.
#
# Needs: cmake, g++-mingw-w64-i686 (and g++-mingw-w64-x86-64 with wine64 for
# the 64-bit runs), wine and wine32, the googletest sources in
# /usr/src/googletest, and the locales package. Runs without X.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
gtest_src=${GTEST_SOURCE:-/usr/src/googletest}

. "$top/scripts/wine-env.sh"

# build_windows <build folder> <i686|x86_64>: GoogleTest for Windows, then
# the library, the tool and the tests.
build_windows() {
  local build=$1 arch=$2
  local toolchain=$top/cmake/mingw-w64-$arch.cmake
  local gtest_prefix=$build/wine-tools/googletest
  for tool in cmake "$arch-w64-mingw32-g++-posix" "$arch-w64-mingw32-objdump"; do
    if ! command -v "$tool" >/dev/null; then
      echo "$tool is missing (Debian: apt-get install cmake g++-mingw-w64-${arch//_/-} binutils-mingw-w64-${arch//_/-})" >&2
      exit 1
    fi
  done
  if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
    echo "== GoogleTest for $arch Windows from $gtest_src"
    # gtest_disable_pthreads: GoogleTest then uses Windows threads directly.
    cmake -S "$gtest_src" -B "$build/wine-tools/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix" \
      -Dgtest_disable_pthreads=ON -DBUILD_GMOCK=ON >/dev/null
    cmake --build "$build/wine-tools/googletest-build" -j "$jobs" >/dev/null
    cmake --install "$build/wine-tools/googletest-build" >/dev/null
  fi
  echo "== $build: configure and build ($arch)"
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$gtest_prefix" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMVDB_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j "$jobs"
  OBJDUMP=$arch-w64-mingw32-objdump "$top/scripts/check-dll.sh" "$build/mvdb.dll"
}

build32=${MVDB_WIN_BUILD:-$top/build-win}
build_windows "$build32" i686

if wine_can_run_32bit; then
  build=$build32
  bits=32
else
  build=${MVDB_WIN64_BUILD:-$top/build-win64}
  bits=64
  echo "== this machine cannot execute 32-bit programs, so 32-bit Wine cannot start:"
  echo "== the Windows tests run on a 64-bit build of the same sources under 64-bit Wine"
  build_windows "$build" x86_64
fi

wine_env_setup "$build/wine-tools" "$bits"
trap wine_env_stop EXIT

# One run at a time: the runs share the prefix's registry and named mutexes.
failed=()
echo "== $build: test under $bits-bit Wine, code page 1252"
MVDB_EXPECT_CODEPAGE=1252 wine_run_western ctest --test-dir "$build" --output-on-failure --no-tests=error || failed+=(1252)
# Nothing of the first run (its wineserver, a program it left) outlives it.
wine_env_stop
wineserver -w >/dev/null 2>&1 || true
echo "== $build: test under $bits-bit Wine, code page 932"
MVDB_EXPECT_CODEPAGE=932 wine_run_japanese ctest --test-dir "$build" --output-on-failure --no-tests=error || failed+=(932)

if [ ${#failed[@]} -ne 0 ]; then
  echo "== Wine suites failed under code page ${failed[*]}" >&2
  exit 1
fi
"$top/scripts/wine-tool.sh" "$build"
"$top/scripts/package-tests.sh" windows "$build"
echo "== Wine suites passed"
