#!/usr/bin/env bash
# Runs every test: the native unit tests (ASan/UBSan), the concurrency tests
# under TSan, bounded fuzz runs, and the scenarios that run the real tavik.dll
# in the host simulator under wine and Xvfb. One CTest run reports them all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"

started_xvfb=""
cleanup() {
  if [ -n "$started_xvfb" ]; then kill "$started_xvfb" 2>/dev/null || true; fi
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null; then
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  started_xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  echo "== Xvfb on $DISPLAY (pid $started_xvfb)"
fi
if [ -f "$root/scripts/wine-env.sh" ]; then
  # shellcheck source=/dev/null
  source "$root/scripts/wine-env.sh"
fi

cd "$root/build/native"
ctest --output-on-failure -j "${JOBS:-2}" --timeout 900
