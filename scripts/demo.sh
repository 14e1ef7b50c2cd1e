#!/usr/bin/env bash
# The demo: the real tavik.dll installed as the release zip installs it (the
# settings of a new install) in the host simulator (a ProgDVB-like host),
# zapping through the generated stream's channels, its programmes moved to the
# run's present and each channel with its coming programmes, with the
# Settings, About and EPG panels opened (tests/e2e/demo.scn). It needs no
# capture. Leaves PNG screenshots and trace.txt in one folder.
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

"$repo/scripts/run-scenario.sh" --out "$out" "$win_dir" "$repo/tests/e2e/demo.scn"
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
