#!/usr/bin/env bash
# Clang's thread-safety analysis over the sources of tavik.dll, compiled for
# the DLL's own target (32-bit mingw-w64 and its C++ library): a field marked
# as guarded by a lock touched without it, or a function that needs a lock
# called without it, fails (the lock rule is in src/platform/lock.h).
# Usage: check-locks.sh source.cpp...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cxx=${CLANGXX:-clang++}
# The mingw compiler's C++ library and Windows headers; clang keeps its own
# built-in headers.
includes=()
while read -r dir; do
  case $dir in
    */c++ | */c++/* | */i686-w64-mingw32/include) includes+=(-isystem "$dir") ;;
  esac
done < <(i686-w64-mingw32-g++ -xc++ -E -v - </dev/null 2>&1 |
  sed -n '/search starts here:/,/End of search list/p')
[ ${#includes[@]} -gt 0 ] || { echo "FAIL: no mingw-w64 C++ headers found"; exit 1; }

failed=0
for src in "$@"; do
  if ! "$cxx" --target=i686-w64-mingw32 -std=c++17 -nostdinc++ "${includes[@]}" \
      -I"$root/src" -I"$root" -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D__USE_MINGW_ANSI_STDIO=1 \
      -fsyntax-only -Wthread-safety -Werror=thread-safety "$src"; then
    echo "FAIL: $src"
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ] || { echo "FAIL: $failed of $# sources break the lock rule"; exit 1; }
echo "ok: $# sources of tavik.dll keep the lock rule"
