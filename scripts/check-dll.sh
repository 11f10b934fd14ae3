#!/usr/bin/env bash
# Checks mvdb.dll's tables: it exports exactly the names of src/frame/mvdb.def,
# undecorated, and imports from no DLL but the allowed system DLLs (so the
# C++ and thread run-times are linked in, not needed beside it).
#   scripts/check-dll.sh [path/to/mvdb.dll [path/to/mvdb.def]]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
dll=${1:-$top/build-win/mvdb.dll}
def=${2:-$top/src/frame/mvdb.def}
allowed="KERNEL32.dll ADVAPI32.dll USER32.dll msvcrt.dll"
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
# The shipped DLL is 32-bit; the 64-bit build of the tests is checked as such.
case $(basename "$objdump") in
  x86_64-*) format=pei-x86-64 bits=64 ;;
  *) format=pei-i386 bits=32 ;;
esac

dump=$("$objdump" -p "$dll")
status=0

if ! grep -q "file format $format" <<<"$dump"; then
  echo "$dll is not a $bits-bit Windows image" >&2
  status=1
fi

# The names after EXPORTS, one a line, comments and ordinals aside.
expected=$(sed -n '/^EXPORTS/,$p' "$def" | sed '1d; s/;.*//' | awk 'NF { print $1 }' | sort)
# objdump lists the name pointer table as "[   n] Name".
actual=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)

if [ -z "$actual" ]; then
  echo "$dll exports nothing" >&2
  status=1
elif [ "$expected" != "$actual" ]; then
  echo "exports differ from $def (< expected, > actual):" >&2
  diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' >&2 || true
  status=1
fi
if grep -q '@' <<<"$actual"; then
  echo "decorated export names:" >&2
  grep '@' <<<"$actual" >&2
  status=1
fi

imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | sort -u)
for name in $imports; do
  if ! grep -qiw -- "$name" <<<"$allowed"; then
    echo "imports from $name, which is not one of: $allowed" >&2
    status=1
  fi
done

if [ "$status" = 0 ]; then
  echo "== $dll ($bits-bit): $(wc -l <<<"$actual") exports as in mvdb.def; imports $(echo $imports)"
fi
exit "$status"
