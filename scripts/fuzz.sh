#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS seconds (default
# 15), starting from the seed corpus in fuzz/corpus/. Inputs found on the way
# go to a scratch corpus, so the repository's seeds stay as they are; a
# harness that fails leaves its crashing input in build-fuzz/findings/.
#
#   scripts/fuzz.sh            the short run of the test command
#   scripts/fuzz.sh 360        a longer run: six minutes per harness
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-15}
build=build-fuzz
harnesses=(fuzz_load_category fuzz_load_media fuzz_load_client fuzz_reg_parser fuzz_search)

echo "== $build: configure and build the fuzz harnesses"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DMVDB_FUZZ=ON \
  -DMVDB_BUILD_TESTS=OFF -DMVDB_BUILD_BENCH=OFF -DMVDB_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${harnesses[@]}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/findings"
for harness in "${harnesses[@]}"; do
  echo "== $harness: $seconds s"
  mkdir -p "$scratch/$harness"
  "$build/fuzz/$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$harness-" "$scratch/$harness" "fuzz/corpus/$harness" 2>"$scratch/$harness.log" || {
    tail -n 60 "$scratch/$harness.log"
    echo "== $harness failed; the input is in $build/findings/" >&2
    exit 1
  }
  grep -E "stat::number_of_executed_units|stat::new_units_added" "$scratch/$harness.log" | sed "s/^/   /"
done
echo "== fuzz harnesses found nothing"
