#!/usr/bin/env bash
# Takes the user guide's screenshots from the host simulator: runs
# scripts/guide-shots/guide-shots*.scn on the Windows build and crops the
# whole-screen shots to PNG pictures of the banner and the panels.
#   scripts/guide-shots.sh [WIN_DIR] [OUT_DIR]    (defaults: build/win, docs/images)
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win_dir="${1:-$repo/build/win}"
out="${2:-$repo/docs/images}"
# shellcheck source=build-win.sh
. "$repo/scripts/build-win.sh"
build_win "$win_dir" tavik mdhost || { echo "guide-shots: the Windows side did not build" >&2; exit 1; }
raw="$(mktemp -d "${TMPDIR:-/tmp}/tavik-shots.XXXXXX")"
trap 'rm -rf "$raw"' EXIT
"$repo/scripts/run-scenario.sh" --channels "$repo/tests/e2e/channels-generated.txt" --out "$raw" \
  "$win_dir" "$repo/scripts/guide-shots/guide-shots.scn" >"$raw/run.log" 2>&1 \
  || { cat "$raw/run.log" >&2; echo "guide-shots: the scenario failed" >&2; exit 1; }
mkdir -p "$out"
# name  crop (WxH+X+Y of the shot)  scale
crop() {
  /usr/bin/convert "$raw/$1.bmp" -crop "$2" +repage ${3:+-resize "$3"} "$out/$4.png" || exit 1
}
# Full size: the bottom of the screen with the banner over the video, and the
# banner alone; each style whole (logo, name, programme lines, clock, details
# and meters); the top of the screen with the banner placed there.
crop banner   1280x300+0+724 "" host-with-banner
crop banner   1240x110+20+884 "" banner
for n in 0 1 2 3 4; do crop "style-$n" 1220x120+0+0 "" "style-$n"; done
crop top      1280x200+0+0 "" banner-top
# The detail block of style 1, three times as large, each part named: the
# leader lines run into the margins between the parts, never across them.
/usr/bin/convert "$raw/style-1.bmp" -crop 110x62+1110+0 +repage -scale 300% \
  -background white -gravity northwest -splice 110x0 -extent 560x264 \
  -stroke '#D02020' -strokewidth 2 -fill none \
  -draw "line 372,39 450,39" -draw "line 426,94 450,94" -draw "line 140,94 100,94" \
  -draw "line 189,172 189,196" -draw "line 279,172 279,196" -draw "line 353,170 353,196" \
  -draw "polyline 292,112 324,124 324,226" \
  -stroke none -fill black -font DejaVu-Sans -pointsize 15 \
  -annotate +456+44 "clock" -annotate +456+99 "encryption" -annotate +22+99 "frequency" \
  -annotate +171+212 "level" -annotate +254+212 "quality" -annotate +336+212 "lamp" \
  -annotate +278+242 "polarisation" \
  "$out/banner-details.png" || exit 1
# The logo pack's transparent logo on the banner's blue, twice as large.
/usr/bin/convert "$raw/top.bmp" -crop 420x90+30+40 +repage -scale 200% \
  "$out/logo-transparent.png" || exit 1
crop settings 302x402+49+49  ""  settings-panel
crop epg      422x422+49+49  ""  epg-panel
crop about    302x332+399+49 ""  about-panel
# The banner in the broadcasters' own characters (scripts/guide-shots/guide-shots-world.scn):
# the logo, name and lines, without the clock (the run's own time, hours
# away from the broadcasts' dates).
"$repo/scripts/run-scenario.sh" --out "$raw" "$win_dir" "$repo/scripts/guide-shots/guide-shots-world.scn" \
  >"$raw/run-world.log" 2>&1 \
  || { cat "$raw/run-world.log" >&2; echo "guide-shots: the world scenario failed" >&2; exit 1; }
crop world_czech   760x110+20+884 "" banner-czech
crop world_greek   760x110+20+884 "" banner-greek
crop world_chinese 760x110+20+884 "" banner-chinese
# The programme's progress on the banner (scripts/guide-shots/guide-shots-progress.scn).
"$repo/scripts/run-scenario.sh" --out "$raw" "$win_dir" "$repo/scripts/guide-shots/guide-shots-progress.scn" \
  >"$raw/run-progress.log" 2>&1 \
  || { cat "$raw/run-progress.log" >&2; echo "guide-shots: the progress scenario failed" >&2; exit 1; }
crop progress 1240x110+20+884 "" banner-progress
crop marks    1240x110+20+884 "" banner-marks
# The schedule's genre colours, from a real capture
# (scripts/guide-shots/guide-shots-genres.scn); without it the picture stays.
"$repo/scripts/run-scenario.sh" --out "$raw" "$win_dir" "$repo/scripts/guide-shots/guide-shots-genres.scn" \
  >"$raw/run-genres.log" 2>&1
case $? in
  0) crop genres 422x692+49+49 "" epg-genres ;;
  77) kept="$repo/docs/images/epg-genres.png"
    [ "$(cd "$out" && pwd)/epg-genres.png" = "$kept" ] || cp "$kept" "$out/" || exit 1
    echo "guide-shots: no capture for the genres' picture; docs/images/epg-genres.png kept" ;;
  *) cat "$raw/run-genres.log" >&2; echo "guide-shots: the genres scenario failed" >&2; exit 1 ;;
esac
# The schedule in the EPG panel, from a real capture
# (scripts/guide-shots/guide-shots-schedule.scn); without the capture the
# picture in docs/images stays.
"$repo/scripts/run-scenario.sh" --out "$raw" "$win_dir" "$repo/scripts/guide-shots/guide-shots-schedule.scn" \
  >"$raw/run-schedule.log" 2>&1
case $? in
  0) crop schedule 422x692+49+49 "" epg-schedule ;;
  77) # The picture of docs/images is kept (and copied to any other OUT_DIR).
    kept="$repo/docs/images/epg-schedule.png"
    [ "$(cd "$out" && pwd)/epg-schedule.png" = "$kept" ] || cp "$kept" "$out/" || exit 1
    echo "guide-shots: no capture for the schedule's picture; docs/images/epg-schedule.png kept" ;;
  *) cat "$raw/run-schedule.log" >&2; echo "guide-shots: the schedule scenario failed" >&2; exit 1 ;;
esac
echo "guide-shots: pictures in $out"
ls -1 "$out"
