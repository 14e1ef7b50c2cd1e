#!/usr/bin/env bash
# The Windows side a script needs, built before it runs, so that every script
# works by itself in a fresh clone: installs missing packages first when run
# as root, configures the build folder once (mingw-w64) and builds the targets
# asked for. A folder holding a build made elsewhere (tavik.dll and
# mdhost.exe without a CMake cache, say an unpacked copy) is used as it is.
#   . scripts/build-win.sh; build_win WIN_DIR TARGET...
#   bash scripts/build-win.sh [WIN_DIR] [TARGET...]   (default build/win, everything)
build_win() {  # win_dir target...
  local dir=$1 repo
  shift
  repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  if [ ! -f "$dir/CMakeCache.txt" ] && [ -f "$dir/tavik.dll" ] && [ -f "$dir/mdhost.exe" ]; then
    return 0
  fi
  if [ "$(id -u)" = 0 ]; then bash "$repo/scripts/install-deps.sh" || return 1; fi
  echo "== building the Windows side ($dir${*:+: $*})"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$repo" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" >/dev/null || return 1
  fi
  cmake --build "$dir" -j "${JOBS:-2}" ${1:+--target "$@"} || return 1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -uo pipefail
  build_win "${1:-$(cd "$(dirname "$0")/.." && pwd)/build/win}" "${@:2}"
fi
