#!/usr/bin/env bash
# Cross-builds mvdb.dll and the test suite for 32-bit Windows with MinGW-w64
# and runs the suite under Wine twice: with the Western code page (1252) and
# with the Japanese one (932). Everything goes into build-win/ (or
# $MVDB_WIN_BUILD): GoogleTest built for Windows, a private Wine prefix, the
# Japanese locale when the system lacks it.
#
# Needs: cmake, g++-mingw-w64-i686, wine and wine32, the googletest sources
# in /usr/src/googletest, and the locales package. Runs without X.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${MVDB_WIN_BUILD:-$top/build-win}
jobs=$(nproc 2>/dev/null || echo 2)
toolchain=$top/cmake/mingw-w64-i686.cmake
work=$build/wine-tools
gtest_src=${GTEST_SOURCE:-/usr/src/googletest}
gtest_prefix=$work/googletest

for tool in cmake i686-w64-mingw32-g++-posix i686-w64-mingw32-objdump; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing (Debian: apt-get install cmake g++-mingw-w64-i686 binutils-mingw-w64-i686)" >&2
    exit 1
  fi
done

. "$top/scripts/wine-env.sh"
wine_env_setup "$work"
trap wine_env_stop EXIT

if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== GoogleTest for Windows from $gtest_src"
  # gtest_disable_pthreads: GoogleTest then uses Windows threads directly.
  cmake -S "$gtest_src" -B "$work/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix" \
    -Dgtest_disable_pthreads=ON -DBUILD_GMOCK=ON >/dev/null
  cmake --build "$work/googletest-build" -j "$jobs" >/dev/null
  cmake --install "$work/googletest-build" >/dev/null
fi

echo "== $build: configure and build"
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$gtest_prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMVDB_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"

"$top/scripts/check-dll.sh" "$build/mvdb.dll"

# One run at a time: the runs share the prefix's registry and named mutexes.
failed=()
echo "== $build: test under Wine, code page 1252"
MVDB_EXPECT_CODEPAGE=1252 wine_run_western ctest --test-dir "$build" --output-on-failure --no-tests=error || failed+=(1252)
echo "== $build: test under Wine, code page 932"
MVDB_EXPECT_CODEPAGE=932 wine_run_japanese ctest --test-dir "$build" --output-on-failure --no-tests=error || failed+=(932)

if [ ${#failed[@]} -ne 0 ]; then
  echo "== Wine suites failed under code page ${failed[*]}" >&2
  exit 1
fi
"$top/scripts/wine-tool.sh" "$build"
"$top/scripts/package-tests.sh" windows "$build"
echo "== Wine suites passed"
