#!/usr/bin/env bash
# Regenerates tests/data/codepage_932.txt and codepage_1252.txt: the answers
# of msvcrt.dll's multibyte string functions under Wine, against which the
# POSIX code-page backend is tested. Needs the MinGW-w64 cross compiler and
# Wine.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
work=${MVDB_WIN_BUILD:-$top/build-win}/wine-tools
. "$top/scripts/wine-env.sh"
wine_env_setup "$work"
trap wine_env_stop EXIT

exe=$work/gen_reference.exe
i686-w64-mingw32-gcc -std=c11 -O2 -Wall -Wextra -Werror -o "$exe" "$top/tests/codepage/gen_reference.c"

generate() {
  local runner=$1 codepage=$2 out=$top/tests/data/codepage_$2.txt
  "$runner" wine "$exe" "$codepage" | tr -d '\r' >"$out.tmp"
  mv "$out.tmp" "$out"
  echo "== wrote $out"
}
mkdir -p "$top/tests/data"
generate wine_run_western 1252
generate wine_run_japanese 932
