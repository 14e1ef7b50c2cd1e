#!/usr/bin/env bash
# Builds everything: tavik.dll and the host simulator (mingw-w64, build/win),
# the native unit tests under ASan/UBSan (build/native), the concurrency tests
# under TSan (build/tsan) and the fuzzers (clang + libFuzzer, build/fuzz).
# Installs missing packages first when run as root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}

if [ "$(id -u)" = 0 ]; then bash "$root/scripts/install-deps.sh"; fi

configure() {  # dir, extra cmake args...
  local dir=$1; shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  else
    # Configured before: look again for test, fuzz and bench files that came
    # since, so a target named below exists in the build files.
    cmake "$dir" >/dev/null
  fi
}

echo "== building tavik.dll and mdhost.exe (build/win)"
configure "$root/build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
cmake --build "$root/build/win" -j "$jobs"

echo "== building the TSan concurrency tests (build/tsan)"
configure "$root/build/tsan" -DTAVIK_TSAN=ON
cmake --build "$root/build/tsan" -j "$jobs" --target $(cd "$root/tests" && ls *concurrency_test.cpp 2>/dev/null | sed 's/\.cpp$//')

echo "== building the fuzzers (build/fuzz)"
# The core is instrumented for coverage too, so the fuzzers see into it.
configure "$root/build/fuzz" -DCMAKE_CXX_COMPILER=clang++ -DTAVIK_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
fuzzers=$(cd "$root/fuzz" && ls *_fuzz.cpp 2>/dev/null | sed 's/\.cpp$//')
[ -n "$fuzzers" ] && cmake --build "$root/build/fuzz" -j "$jobs" --target $fuzzers

echo "== building the native tests (build/native)"
configure "$root/build/native" -DTAVIK_SANITIZE=ON -DTAVIK_WIN_DIR="$root/build/win" \
  -DTAVIK_TSAN_DIR="$root/build/tsan" -DTAVIK_FUZZ_DIR="$root/build/fuzz"
cmake --build "$root/build/native" -j "$jobs"
echo "== build done"
