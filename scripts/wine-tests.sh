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

# build_windows <build folder> <i686|x86_64> [target...]: GoogleTest for
# Windows, then the library, the tool and the tests (or the targets named).
build_windows() {
  local build=$1 arch=$2
  shift 2
  local targets=()
  for target in "$@"; do targets+=(--target "$target"); done
  local toolchain=$top/cmake/mingw-w64-$arch.cmake
  local gtest_prefix=$build/wine-tools/googletest
  for tool in cmake "$arch-w64-mingw32-g++-posix" "$arch-w64-mingw32-objdump"; do
    if ! command -v "$tool" >/dev/null; then
      echo "$tool is missing (Debian: apt-get install cmake g++-mingw-w64-${arch//_/-} binutils-mingw-w64-${arch//_/-})" >&2
      exit 1
    fi
  done
  if [ ${#targets[@]} -eq 0 ] && [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
    echo "== GoogleTest for $arch Windows from $gtest_src"
    # gtest_disable_pthreads: GoogleTest then uses Windows threads directly.
    cmake -S "$gtest_src" -B "$build/wine-tools/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix" \
      -Dgtest_disable_pthreads=ON -DBUILD_GMOCK=ON >/dev/null
    cmake --build "$build/wine-tools/googletest-build" -j "$jobs" >/dev/null
    cmake --install "$build/wine-tools/googletest-build" >/dev/null
  fi
  echo "== $build: configure and build ($arch)"
  local tests=ON
  [ ${#targets[@]} -eq 0 ] || tests=OFF
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$gtest_prefix" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMVDB_BUILD_BENCH=OFF -DMVDB_BUILD_TESTS=$tests >/dev/null
  cmake --build "$build" -j "$jobs" "${targets[@]}"
  OBJDUMP=$arch-w64-mingw32-objdump "$top/scripts/check-dll.sh" "$build/mvdb.dll"
}

build32=${MVDB_WIN_BUILD:-$top/build-win}
if wine_can_run_32bit; then
  build_windows "$build32" i686
  build=$build32
  bits=32
else
  # The shipped DLL and tool are still built and checked; the tests are
  # built once, for the processor they can run on.
  build_windows "$build32" i686 mvdb mvdb_cli
  build=${MVDB_WIN64_BUILD:-$top/build-win64}
  bits=64
  echo "== this machine cannot execute 32-bit programs, so 32-bit Wine cannot start:"
  echo "== the Windows tests run on a 64-bit build of the same sources under 64-bit Wine"
  build_windows "$build" x86_64
fi

# One code page at a time, each in a Wine prefix of its own (its own
# registry, named mutexes and temporary folder): the runs share the test
# programs' folder, where some tests make the data folder beside the program.
run_code_page() {
  local codepage=$1 runner=$2
  (
    wine_env_setup "$build/wine-tools/cp$codepage" "$bits"
    trap wine_env_stop EXIT
    MVDB_EXPECT_CODEPAGE=$codepage "$runner" ctest --test-dir "$build" --output-on-failure --no-tests=error
  )
}

failed=()
echo "== $build: test under $bits-bit Wine, code page 1252"
run_code_page 1252 wine_run_western || failed+=(1252)
echo "== $build: test under $bits-bit Wine, code page 932"
run_code_page 932 wine_run_japanese || failed+=(932)

if [ ${#failed[@]} -ne 0 ]; then
  echo "== Wine suites failed under code page ${failed[*]}" >&2
  exit 1
fi
"$top/scripts/wine-tool.sh" "$build"
"$top/scripts/package-tests.sh" windows "$build"
echo "== Wine suites passed"
