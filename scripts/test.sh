#!/usr/bin/env bash
# Runs every test: the native unit tests (ASan/UBSan), the concurrency tests
# under TSan, bounded fuzz runs, and the scenarios that run the real tavik.dll
# in the host simulator under wine and Xvfb. One CTest run reports them all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"

state=$(mktemp)
cleanup() {
  bash "$root/scripts/xvfb.sh" stop "$state" 2>/dev/null || true
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null; then
    wineserver -k 2>/dev/null || true
  fi
  rm -f "$state"
}
trap cleanup EXIT

# One X display and one wine prefix for all the scenarios.
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(bash "$root/scripts/xvfb.sh" start "$state")
  export DISPLAY
  echo "== Xvfb on $DISPLAY"
fi
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"

cd "$root/build/native"
ctest --output-on-failure -j "${JOBS:-2}" --timeout 900
