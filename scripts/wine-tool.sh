#!/usr/bin/env bash
# Runs the Windows mvdb.exe under Wine, in code pages 1252 and 932: status
# on a fresh database in a scratch folder, check (sound, then with a wrong
# magic), and dump --json. Also makes sure mvdb.exe needs nothing beside it
# but mvdb.dll and system DLLs.
#   scripts/wine-tool.sh [build folder]      (default: build-win or $MVDB_WIN_BUILD)
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${MVDB_WIN_BUILD:-$top/build-win}}
exe=$build/mvdb.exe
allowed="mvdb.dll KERNEL32.dll ADVAPI32.dll USER32.dll msvcrt.dll"

. "$top/scripts/wine-env.sh"
arch=$(windows_build_arch "$build")
imports=$("$arch-w64-mingw32-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort -u)
for name in $imports; do
  if ! grep -qiw -- "$name" <<<"$allowed"; then
    echo "mvdb.exe imports from $name, which is not one of: $allowed" >&2
    exit 1
  fi
done

wine_env_setup_for "$build"
scratch=$(mktemp -d)
trap 'wine_env_stop; rm -rf "$scratch"' EXIT
cd "$scratch"
# Without the Folder key the database is the bare file names in the current folder.
wine reg delete 'HKLM\Software\Tarnwick\Marovale\Folder' /f >/dev/null 2>&1 || true

# Runs mvdb.exe with the given runner and expects an exit status; prints
# standard output without carriage returns.
expect() {
  local status=$1 runner=$2
  shift 2
  local code=0
  "$runner" wine "$exe" "$@" >out.txt 2>err.txt || code=$?
  if [ "$code" != "$status" ]; then
    echo "mvdb.exe $* exited with $code instead of $status:" >&2
    cat out.txt err.txt >&2
    exit 1
  fi
  tr -d '\r' <out.txt
}

for runner in wine_run_western wine_run_japanese; do
  rm -f MVDB*.db
  echo "== mvdb.exe under Wine ($runner)"
  expect 0 "$runner" status
  expect 0 "$runner" check | grep ': sound$' >/dev/null
  expect 0 "$runner" dump MVDBCAT.db --json | grep '"count":2' >/dev/null
  printf 'X' | dd of=MVDBCAT.db bs=1 conv=notrunc status=none
  expect 1 "$runner" check | grep 'does not start with the magic' >/dev/null
  expect 2 "$runner" check missing.db >/dev/null
done
echo "== mvdb.exe passed under Wine"
