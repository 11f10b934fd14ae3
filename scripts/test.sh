#!/usr/bin/env bash
# Builds mvdb and runs every test: the library built by clang with its
# lock annotations checked (thread-safety analysis), the native suite, the
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, the suite under
# ThreadSanitizer, and the Windows build (mvdb.dll, its export and import
# tables) with its suite under Wine in code pages 1252 and 932; both builds
# are installed and programs are built and run against the installs; last,
# the fuzz harnesses run for 15 seconds each. On a fresh
# Debian machine, run as root, it installs what is missing first.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc 2>/dev/null || echo 2)

"$top/scripts/install-deps.sh"

run_suite() {
  local dir=$1 type=$2
  shift 2
  echo "== $dir: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $dir: test"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --no-tests=error
}

# clang checks the locks the library takes against their annotations and
# the documented lock order; a warning fails the build. Compiling is the
# test: the suites below run the code. The locks and their annotations are
# all in the library, so the library alone is compiled.
echo "== build-clang: thread-safety analysis"
cmake -S . -B build-clang -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMVDB_THREAD_SAFETY=ON -DMVDB_BUILD_BENCH=OFF -DMVDB_BUILD_TOOLS=OFF -DMVDB_BUILD_TESTS=OFF >/dev/null
cmake --build build-clang -j "$jobs" --target mvdb

# The sanitizer builds are unoptimised: they compile faster, and the
# sanitizers see more. The command-line tool is single-threaded, so the
# thread sanitizer runs the library's suite alone.
run_suite build Release
"$top/scripts/package-tests.sh" native build
run_suite build-asan Debug -DMVDB_SANITIZE=ON -DMVDB_BUILD_BENCH=OFF
run_suite build-tsan Debug -DMVDB_TSAN=ON -DMVDB_BUILD_BENCH=OFF -DMVDB_BUILD_TOOLS=OFF
"$top/scripts/wine-tests.sh"
# Each fuzz harness for a short, bounded time: five harnesses, 75 seconds in all.
"$top/scripts/fuzz.sh" 15

echo "== all suites passed"
