#!/usr/bin/env bash
# Runs the hostile host (hostile_host.exe) against a Windows build folder under
# wine, in a fresh copy of the plug-in folder with programme lines switched on,
# with a hard time limit.
#   scripts/run-hostile.sh WIN_DIR [hostile_host options...]   e.g. --cycles 50 --only NAME
#   TAVIK_HOSTILE_DLL=path/to/tavik.dll overrides the DLL copied (to measure another build).
# Exit: hostile_host's own (0 all cases passed), 1 on a time-out.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
[ $# -ge 1 ] || { echo "usage: run-hostile.sh WIN_DIR [options]" >&2; exit 2; }
win_dir="$(cd "$1" && pwd)" || exit 2
shift
limit="${TAVIK_HOSTILE_TIMEOUT:-480}"
dll="${TAVIK_HOSTILE_DLL:-$win_dir/tavik.dll}"
for f in "$win_dir/hostile_host.exe" "$dll" "$win_dir/tavik.uir"; do
  [ -f "$f" ] || { echo "run-hostile: $f is missing (build the Windows side)" >&2; exit 1; }
done

run="$(mktemp -d "${TMPDIR:-/tmp}/tavik-hostile.XXXXXX")"
mkdir -p "$run/plugin/tavik_icon"
cp "$dll" "$run/plugin/tavik.dll"
cp "$win_dir/tavik.uir" "$run/plugin/"
[ -d "$win_dir/tavik_icon" ] && cp -r "$win_dir/tavik_icon/." "$run/plugin/tavik_icon/"
# Settings: a banner of 1 s (a short first countdown after each load) with both programme lines as "title > text".
# Lines: seconds, style, background, text colour, programme lines, signal,
# details, video window, park cursor, time shift, title mode, key after start,
# alpha, justification, programme text, programme colour, slide-out, typeface.
printf '%s\r\n' " 1.0" 1 0 16777215 1 1 1 0 0 0 0 0 255 0 1 65535 0 "" >"$run/plugin/tavik.ini"

# shellcheck source=wine-display.sh
. "$repo/scripts/wine-display.sh"
trap wine_display_stop EXIT
wine_display_start "$run" || exit 1

echo "run-hostile: plug-in folder $run/plugin"
timeout -k 5 "$limit" wine "$win_dir/hostile_host.exe" --plugin "$(winpath "$run/plugin/tavik.dll")" "$@"
rc=$?
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "run-hostile: TIMED OUT after $limit s; ending its wine processes"
  for p in /proc/[0-9]*; do
    if tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -qF "$run"; then kill -9 "${p#/proc/}" 2>/dev/null; fi
  done
  exit 1
fi
wine_display_stop
[ $rc -eq 0 ] && [ -z "${TAVIK_KEEP_RUNS:-}" ] && rm -rf "$run"
exit $rc
