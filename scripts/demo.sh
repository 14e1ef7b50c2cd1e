#!/usr/bin/env bash
# The demo: the real tavik.dll in the host simulator (a ProgDVB-like host),
# zapping through the channels of a real capture when ../shared/data/eit has
# it (else through the generated stream), with the Settings, About and EPG
# panels opened. Leaves PNG screenshots and trace.txt in one folder.
#   scripts/demo.sh [WIN_DIR] [OUT_DIR]    (defaults: build/win, <repo>/demo-out)
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win_dir="${1:-${TAVIK_WIN_DIR:-$repo/build/win}}"
# Installs what is missing and builds everything first, unless a build folder
# was given.
if [ $# -eq 0 ] && [ -z "${TAVIK_WIN_DIR:-}" ]; then
  bash "$repo/scripts/build.sh" || exit 1
fi
out="${2:-$repo/demo-out}"
[ -f "$win_dir/tavik.dll" ] && [ -f "$win_dir/mdhost.exe" ] || {
  echo "demo: $win_dir has no tavik.dll and mdhost.exe: build the Windows side first" >&2; exit 1; }

capture="$repo/../shared/data/eit/tsduck_test-184.ts"
if [ -f "$capture" ]; then
  ts="$capture"; channels="$repo/tests/e2e/channels-fr-184.txt"
  echo "demo: EIT from the capture $(basename "$capture")"
else
  ts="generated"; channels="$repo/tests/e2e/channels-generated.txt"
  echo "demo: ../shared/data/eit is absent: EIT from the built-in generated stream"
fi

rm -rf "$out"
mkdir -p "$out"
xstate="" cstate=""
cleanup() {
  [ -n "$cstate" ] && [ -f "$cstate" ] && kill "$(cat "$cstate")" 2>/dev/null
  [ -n "$xstate" ] && "$repo/scripts/xvfb.sh" stop "$xstate"
  rm -f "${cstate:-}"
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  xstate="$(mktemp -u /tmp/tavik-demo-xvfb.XXXXXX)"
  DISPLAY="$("$repo/scripts/xvfb.sh" start "$xstate")" || exit 1
  export DISPLAY
  # A compositor makes translucent banners look translucent in the shots.
  if command -v xcompmgr >/dev/null; then
    xcompmgr >/dev/null 2>&1 &
    cstate="$(mktemp /tmp/tavik-demo-xcompmgr.XXXXXX)"
    echo $! >"$cstate"
  fi
fi

"$repo/scripts/run-scenario.sh" --ts "$ts" --channels "$channels" --out "$out" \
  "$win_dir" "$repo/tests/e2e/demo.scn"
rc=$?
for bmp in "$out"/*.bmp; do
  [ -f "$bmp" ] || continue
  /usr/bin/convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
if [ -n "$xstate" ]; then
  . "$repo/scripts/wine-env.sh"
  wineserver -w  # let wine end before its display goes
fi
echo "demo: screenshots and trace.txt are in $out"
ls -1 "$out"
exit $rc
