#!/usr/bin/env bash
# The README's main command. On a fresh Debian machine, run as root, it
# installs what the build needs, builds the library and the mvdb program,
# and shows the status and the category tree of the database in Data/
# beside the checkout, which the first run creates (mvdb init) with the
# default categories and live channels. Afterwards, try build/mvdb --data-dir Data
# with the other commands (build/mvdb --help lists them).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc 2>/dev/null || echo 2)

"$top/scripts/install-deps.sh"

echo "== build (the first one takes a few minutes; each line is a step)"
# The build folder and type of the test command, so that each reuses the other's work.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs" --target mvdb_cli

if [ ! -e Data/MVDBCAT.db ]; then
  echo "== build/mvdb --data-dir Data init --yes"
  build/mvdb --data-dir Data init --yes
  echo
fi
echo "== build/mvdb --data-dir Data status"
build/mvdb --data-dir Data status
echo
echo "== build/mvdb --data-dir Data categories"
build/mvdb --data-dir Data categories
