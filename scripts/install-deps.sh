#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are
# missing: the native tool chains (GCC, and clang for the lock analysis)
# and test libraries, the MinGW-w64 cross
# compiler, and Wine (32-bit, so the i386 architecture is added). Does
# nothing when everything is present; needs root otherwise.
set -euo pipefail

# libsqlite3-dev: the peer of the benchmarks only; the library never uses it.
# clang builds the thread-safety check; with its run-time libraries (libFuzzer)
# it also builds the fuzz harnesses.
native=(cmake g++ clang make pkg-config help2man libgtest-dev libgmock-dev googletest libbenchmark-dev libsqlite3-dev
  libcli11-dev nlohmann-json3-dev locales libclang-rt-14-dev)
# llvm-dlltool makes mvdb.lib; clang-cl and lld-link link a program against it as Microsoft's tools would.
windows=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32 llvm clang lld)
# Where the kernel cannot execute 32-bit programs the Windows tests run on a
# 64-bit build under 64-bit Wine.
windows64=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${native[@]}" "${windows[@]}" "${windows64[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
  echo "missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "== installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
