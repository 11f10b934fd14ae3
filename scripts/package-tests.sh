#!/usr/bin/env bash
# Installs a built mvdb into a temporary prefix, moves the prefix (the
# install must be relocatable) and builds and runs programs against it as
# their authors would:
#   native  BUILD  the example client through find_package(mvdb) and through
#                  pkg-config with a Makefile; the soname, the man page and
#                  the bash completion; `mvdb --version` against the header;
#                  mvdb added to another project with add_subdirectory and
#                  none of the tool's or the tests' packages.
#   windows BUILD  (a MinGW-w64 build) mvdb.dll and mvdb.exe in bin/,
#                  libmvdb.dll.a, mvdb.def and mvdb.lib in lib/, both version
#                  resources; the example client linked against the
#                  installed libmvdb.dll.a, and a program linked by lld-link
#                  against mvdb.lib, both run under Wine.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:?usage: package-tests.sh native|windows BUILD}
build=${2:?usage: package-tests.sh native|windows BUILD}
jobs=$(nproc 2>/dev/null || echo 2)

scratch=$(mktemp -d)
cleanup() { rm -rf "$scratch"; }
trap cleanup EXIT

fail() {
  echo "package test: $*" >&2
  exit 1
}
expect_file() { [ -e "$1" ] || fail "the install lacks ${1#"$scratch"/}"; }

header=$top/include/mvdb.h
version=$(sed -n 's/^#define MVDB_VERSION_STRING "\(.*\)"$/\1/p' "$header")
major=${version%%.*}
[ -n "$version" ] || fail "no MVDB_VERSION_STRING in $header"

echo "== install $build into a temporary prefix (version $version)"
cmake --install "$build" --prefix "$scratch/staging" >/dev/null
mv "$scratch/staging" "$scratch/prefix"
prefix=$scratch/prefix
expect_file "$prefix/include/mvdb.h"
expect_file "$prefix/lib/cmake/mvdb/mvdbConfig.cmake"
expect_file "$prefix/lib/cmake/mvdb/mvdbConfigVersion.cmake"
expect_file "$prefix/lib/pkgconfig/mvdb.pc"
expect_file "$prefix/share/doc/mvdb/README.md"

# A fresh database in an empty folder: without a registry the library uses
# the bare file names in the current folder.
run_example() {
  local runner=$1 program=$2 out
  rm -rf "$scratch/data" && mkdir "$scratch/data"
  out=$(cd "$scratch/data" && $runner "$program" | tr -d '\r') || fail "$program failed: $out"
  grep -q "built against mvdb $version" <<<"$out" || fail "$program: no version line in: $out"
  grep -q 'titles containing "harbour": 1' <<<"$out" || fail "$program found the wrong items: $out"
  grep -q 'changed since "living-room-player" logged in: 2' <<<"$out" || fail "$program: wrong changes: $out"
}

if [ "$mode" = native ]; then
  expect_file "$prefix/lib/libmvdb.so.$version"
  expect_file "$prefix/bin/mvdb"
  expect_file "$prefix/share/man/man1/mvdb.1"
  expect_file "$prefix/share/bash-completion/completions/mvdb"
  soname=$(readelf -d "$prefix/lib/libmvdb.so.$version" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [ "$soname" = "libmvdb.so.$major" ] || fail "soname is '$soname', not libmvdb.so.$major"
  [ "$(readlink "$prefix/lib/libmvdb.so.$major")" = "libmvdb.so.$version" ] || fail "libmvdb.so.$major link"
  tool_version=$(env -u LD_LIBRARY_PATH "$prefix/bin/mvdb" --version)
  [ "$tool_version" = "mvdb $version" ] || fail "mvdb --version says '$tool_version', the header $version"
  grep -q "$version" "$prefix/share/man/man1/mvdb.1" || fail "the man page does not name version $version"
  # The completion offers the commands and a command's options.
  words=$(bash -c '. "$1"; PATH=$2:$PATH; COMP_WORDS=(mvdb st); COMP_CWORD=1; _mvdb; echo "${COMPREPLY[*]}"
                   COMP_WORDS=(mvdb media --ca); COMP_CWORD=2; _mvdb; echo "${COMPREPLY[*]}"' _ \
          "$prefix/share/bash-completion/completions/mvdb" "$prefix/bin")
  [ "$words" = $'status\n--category' ] || fail "bash completion offers '$words'"

  echo "== a CMake project with find_package(mvdb)"
  cmake -S "$top/examples" -B "$scratch/cmake-client" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$scratch/cmake-client" >/dev/null
  run_example "" "$scratch/cmake-client/catalogue_client"

  echo "== a Makefile with pkg-config"
  cp "$top/examples/Makefile" "$top/examples/catalogue_client.c" "$scratch/"
  PKG_CONFIG_PATH=$prefix/lib/pkgconfig make -s -C "$scratch" catalogue_client CFLAGS="-O2 -Wall -Wextra -Werror"
  [ "$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --modversion mvdb)" = "$version" ] ||
    fail "pkg-config --modversion mvdb is not $version"
  run_example "env LD_LIBRARY_PATH=$prefix/lib" "$scratch/catalogue_client"

  echo "== mvdb inside another project (add_subdirectory), without the tool's or tests' packages"
  mkdir -p "$scratch/parent"
  cat >"$scratch/parent/CMakeLists.txt" <<PARENT
cmake_minimum_required(VERSION 3.25)
project(parent LANGUAGES C CXX)
add_subdirectory("$top" mvdb)
add_executable(catalogue_client "$top/examples/catalogue_client.c")
target_link_libraries(catalogue_client PRIVATE mvdb::mvdb)
PARENT
  cmake -S "$scratch/parent" -B "$scratch/parent-build" -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >/dev/null
  cmake --build "$scratch/parent-build" -j "$jobs" --target catalogue_client >/dev/null
  [ ! -e "$scratch/parent-build/mvdb/mvdb" ] || fail "add_subdirectory built the tool"
  run_example "" "$scratch/parent-build/catalogue_client"
  echo "== native packages passed"
  exit 0
fi

[ "$mode" = windows ] || fail "unknown mode $mode"
for name in bin/mvdb.dll bin/mvdb.exe lib/libmvdb.dll.a lib/mvdb.def lib/mvdb.lib; do
  expect_file "$prefix/$name"
done

# VERSIONINFO: the fixed block's file and product versions, and the
# FileVersion text, of both the DLL and the program.
for image in "$prefix/bin/mvdb.dll" "$prefix/bin/mvdb.exe"; do
  python3 - "$image" "$version" <<'PY' || fail "$image: version resource differs from $version"
import struct, sys
data = open(sys.argv[1], 'rb').read()
major, minor, patch = (int(p) for p in sys.argv[2].split('.'))
fixed = data.find(struct.pack('<I', 0xFEEF04BD))
assert fixed >= 0, 'no VS_FIXEDFILEINFO'
file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from('<4I', data, fixed + 8)
want = ((major << 16) | minor, patch << 16)
assert (file_ms, file_ls) == want and (prod_ms, prod_ls) == want, 'fixed versions'
text = 'FileVersion\0'.encode('utf-16-le')
at = data.find(text)
assert at >= 0 and data.find(sys.argv[2].encode('utf-16-le'), at) - at < 40, 'FileVersion text'
PY
done

. "$top/scripts/wine-env.sh"
arch=$(windows_build_arch "$build")
wine_env_setup_for "$build"
cleanup() {
  wine_env_stop
  rm -rf "$scratch"
}
# Without the Folder key the library uses the bare file names in the current folder.
wine reg delete 'HKLM\Software\Tarnwick\Marovale\Folder' /f >/dev/null 2>&1 || true

tool_version=$(wine_run_western wine "$prefix/bin/mvdb.exe" --version | tr -d '\r')
[ "$tool_version" = "mvdb $version" ] || fail "mvdb.exe --version says '$tool_version', the header $version"

echo "== a Windows program linked against the installed libmvdb.dll.a"
mkdir "$scratch/win"
cp "$prefix/bin/mvdb.dll" "$scratch/win/"
"$arch-w64-mingw32-gcc" -std=c99 -O2 -Wall -Wextra -Werror -I"$prefix/include" \
  "$top/examples/catalogue_client.c" "$prefix/lib/libmvdb.dll.a" -o "$scratch/win/catalogue_client.exe"
run_example "wine_run_western wine" "$scratch/win/catalogue_client.exe"

echo "== a program linked by Microsoft's conventions (lld-link) against the installed mvdb.lib"
clang_cl=$(command -v clang-cl || command -v clang-cl-14 || true)
lld_link=$(command -v lld-link || command -v lld-link-14 || true)
[ -n "$clang_cl" ] && [ -n "$lld_link" ] || fail "clang-cl and lld-link are needed (Debian: clang lld)"
"$clang_cl" --target="$arch-pc-windows-msvc" /clang:-ffreestanding /GS- /O1 -I "$prefix/include" /c \
  /Fo"$scratch/win/msvc_link_check.obj" -- "$top/examples/msvc_link_check.c" >/dev/null
"$lld_link" /nologo /entry:start /subsystem:console /nodefaultlib /out:"$scratch/win/msvc_link_check.exe" \
  "$scratch/win/msvc_link_check.obj" "$prefix/lib/mvdb.lib"
rm -rf "$scratch/data" && mkdir "$scratch/data"
(cd "$scratch/data" && wine_run_western wine "$scratch/win/msvc_link_check.exe") ||
  fail "the program linked against mvdb.lib failed under Wine"
echo "== Windows packages passed"
