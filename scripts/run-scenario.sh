#!/usr/bin/env bash
# Runs one host-simulator scenario against a Windows build folder under wine,
# in a fresh copy of the plug-in folder, with a hard time limit.
#   scripts/run-scenario.sh [options] WIN_DIR SCENARIO.scn
# Options override the scenario's "#!" header lines:
#   --family F  --channels FILE  --ts FILE|generated[-long|-world|-now|-long-now|-schedule-now]|capture:NAME|redate:capture:NAME|none  --pace P
#   --out DIR (keep the trace and screenshots there)  --timeout SECONDS
# Exit: 0 when mdhost ended with the exit code the scenario expects ("#! exit N",
# default 0), 77 when a capture it needs is absent, 1 otherwise.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
o_family="" o_channels="" o_ts="" o_pace="" o_out="" o_timeout=""
while [ $# -gt 2 ]; do
  case "$1" in
    --family) o_family="$2"; shift 2 ;;
    --channels) o_channels="$2"; shift 2 ;;
    --ts) o_ts="$2"; shift 2 ;;
    --pace) o_pace="$2"; shift 2 ;;
    --out) o_out="$2"; shift 2 ;;
    --timeout) o_timeout="$2"; shift 2 ;;
    *) echo "run-scenario: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -eq 2 ] || { echo "usage: run-scenario.sh [options] WIN_DIR SCENARIO.scn" >&2; exit 2; }
# Paths given on the command line are taken from the current folder.
absolute() { case "$1" in ""|/*|generated|generated-*|none|capture:*|redate:capture:*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
o_channels="$(absolute "$o_channels")"
o_ts="$(absolute "$o_ts")"
# A build folder with nothing built yet (a fresh clone) is built first.
if { [ ! -d "$1" ] || [ -f "$1/CMakeCache.txt" ]; } &&
   { [ ! -f "$1/mdhost.exe" ] || [ ! -f "$1/tavik.dll" ]; }; then
  # shellcheck source=build-win.sh
  . "$repo/scripts/build-win.sh"
  build_win "$1" || { echo "run-scenario: the Windows side did not build in $1" >&2; exit 1; }
fi
win_dir="$(cd "$1" && pwd)" || exit 2
scn="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
[ -f "$scn" ] || { echo "run-scenario: no scenario $2" >&2; exit 2; }
scn_dir="$(dirname "$scn")"
name="$(basename "$scn" .scn)"

# Header lines "#! key value" of the scenario.
directive() { sed -n "s/^#![[:space:]]*$1[[:space:]]\{1,\}//p" "$scn" | head -n1 | tr -d '\r'; }
plugin="$(directive plugin)"; plugin="${plugin:-tavik.dll}"
family="${o_family:-$(directive family)}"; family="${family:-progdvb}"
channels="${o_channels:-$(directive channels)}"; channels="${channels:-channels-generated.txt}"
ts="${o_ts:-$(directive ts)}"; ts="${ts:-generated}"
pace="${o_pace:-$(directive pace)}"; pace="${pace:-fast}"
want_exit="$(directive exit)"; want_exit="${want_exit:-0}"
limit="${o_timeout:-$(directive timeout)}"; limit="${limit:-120}"
hang="$(directive hang)"; hang="${hang:-10}"
quality="$(directive quality)"; quality="${quality:-75}"
handle="$(directive handle)"; handle="${handle:-1}"
# "#! tz ZONE": the time zone wine gives Windows (from the Unix TZ); the host
# takes TZ out of the Windows environment again, as a real PC has none.
tz="$(directive tz)"

case "$channels" in /*) ;; *) channels="$scn_dir/$channels" ;; esac
redate=""
case "$ts" in redate:*) redate="redate:"; ts="${ts#redate:}" ;; esac
case "$ts" in
  generated|generated-*|none) ;;
  capture:*)
    cap="$repo/../shared/data/eit/${ts#capture:}"
    if [ ! -f "$cap" ]; then
      echo "run-scenario: $name skipped: capture ${ts#capture:} is not in ../shared/data/eit"
      exit 77
    fi
    ts="$cap" ;;
  /*) ;;
  *) ts="$scn_dir/$ts" ;;
esac

for f in mdhost.exe "$plugin"; do
  [ -f "$win_dir/$f" ] || { echo "run-scenario: $win_dir/$f is missing (build the Windows side)" >&2; exit 1; }
done

# A plug-in folder of its own: the DLL, its panel file, its logos and ours.
run="$(mktemp -d "${TMPDIR:-/tmp}/tavik-e2e-$name.XXXXXX")"
# shellcheck source=wine-display.sh
. "$repo/scripts/wine-display.sh"
# The run's folder goes when the script ends, however it ends; a failed run
# without --out keeps it for its trace (TAVIK_KEEP_RUNS=1 keeps every one).
keep_run=0
end_run() {
  wine_display_stop
  [ "$keep_run" -eq 1 ] || [ -n "${TAVIK_KEEP_RUNS:-}" ] || rm -rf "$run"
  return 0
}
trap end_run EXIT
plugin_dir="$run/plugin"
# A scenario run after another ("#! next") goes on in that one's plug-in folder.
[ -n "${TAVIK_E2E_PLUGIN_DIR:-}" ] && plugin_dir="$TAVIK_E2E_PLUGIN_DIR"
# "#! long-folder N": the plug-in folder nested until its Windows path has at
# least N characters.
long="$(directive long-folder)"
if [ -n "$long" ]; then
  while [ $(( ${#plugin_dir} + 2 )) -lt "$long" ]; do  # "Z:" and the path
    part=$(( long - ${#plugin_dir} - 3 ))
    [ "$part" -gt 60 ] && part=60
    [ "$part" -lt 1 ] && part=1
    plugin_dir="$plugin_dir/$(head -c "$part" /dev/zero | tr '\0' f)"
  done
fi
mkdir -p "$plugin_dir/tavik_icon"
cp "$win_dir/$plugin" "$plugin_dir/"
[ -f "$win_dir/tavik.uir" ] && cp "$win_dir/tavik.uir" "$plugin_dir/"
# "#! new-install": the folder as the release zip installs it, with the
# settings a new install starts with (and no tavik.ini).
if grep -q '^#![[:space:]]*new-install[[:space:]]*$' "$scn"; then
  cp "$win_dir/tavik-def.ini" "$plugin_dir/" || exit 1
fi
[ -d "$win_dir/tavik_icon" ] && cp -r "$win_dir/tavik_icon/." "$plugin_dir/tavik_icon/"
[ -d "$repo/tests/e2e/logos" ] && cp "$repo/tests/e2e/logos/"*.jpg "$plugin_dir/tavik_icon/" 2>/dev/null
# "#! big-logo NAME WIDTH HEIGHT": a plain JPEG of that size made for the run
# (too large to keep in the repository).
sed -n 's/^#![[:space:]]*big-logo[[:space:]]\{1,\}//p' "$scn" | tr -d '\r' |
  while read -r line; do
    height=${line##* }; line=${line% *}; width=${line##* }; name=${line% *}
    /usr/bin/convert -size "${width}x${height}" gradient:navy-orange -quality 60 \
      "$plugin_dir/tavik_icon/$name.jpg"
  done
# "#! png-logo FILE WIDTH HEIGHT": tavik_icon/FILE, a PNG with transparency
# made for the run (ImageMagick): a red rounded panel with a white ring, its
# corners and a tenth of its size around the panel fully transparent.
sed -n 's/^#![[:space:]]*png-logo[[:space:]]\{1,\}//p' "$scn" | tr -d '\r' |
  while read -r line; do
    height=${line##* }; line=${line% *}; width=${line##* }; name=${line% *}
    x=$(( width / 10 )) y=$(( height / 10 )) r=$(( height / 4 ))
    /usr/bin/convert -size "${width}x${height}" xc:none -fill '#E02020' \
      -draw "roundrectangle $x,$y $(( width - 1 - x )),$(( height - 1 - y )) $r,$r" \
      -fill none -stroke white -strokewidth $(( height / 12 + 1 )) \
      -draw "circle $(( width / 2 )),$(( height / 2 )) $(( width / 2 + height / 5 )),$(( height / 2 ))" \
      "PNG32:$plugin_dir/tavik_icon/$name"
  done
out="${o_out:-$run/out}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# "#! screen WxH": a display of that size of its own (big-screen banners).
wine_display_start "$run" "$(directive screen)" || exit 1

args=(--plugin "$(winpath "$plugin_dir/$plugin")" --family "$family"
      --channels "$(winpath "$channels")" --scenario "$(winpath "$scn")" --out "$(winpath "$out")"
      --pace "$pace" --hang "$hang" --quality "$quality" --handle "$handle")
case "$ts" in
  none) ;;
  generated|generated-*) args+=(--ts "$ts") ;;
  *) args+=(--ts "$redate$(winpath "$ts")") ;;
esac

# "#! clock HH:MM": the run's local time starts there (a time zone offset for
# the wine processes), so pictures show a clock that agrees with the
# generated programme times.
clock="$(directive clock)"
if [ -n "$clock" ]; then
  now=$(( 10#$(date -u +%H) * 60 + 10#$(date -u +%M) ))
  want=$(( 10#${clock%%:*} * 60 + 10#${clock##*:} ))
  shift_min=$(( (want - now + 1440) % 1440 ))
  [ "$shift_min" -gt 720 ] && shift_min=$(( shift_min - 1440 ))
  # POSIX writes the offset west of UTC: local = UTC + shift is "-shift".
  sign=-; [ "$shift_min" -lt 0 ] && { sign=+; shift_min=$(( -shift_min )); }
  export TZ="TVK${sign}$(( shift_min / 60 )):$(printf %02d $(( shift_min % 60 )))"
fi

# "#! tz ZONE" (read above) gives the run that zone instead.
[ -n "$tz" ] && export TZ="$tz"

echo "run-scenario: $name ($family, plug-in folder $plugin_dir, output $out)"
timeout -k 5 "$limit" wine "$win_dir/mdhost.exe" "${args[@]}"
rc=$?
[ -z "$o_out" ] && [ "$rc" -ne "$want_exit" ] && keep_run=1
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "run-scenario: $name TIMED OUT after $limit s; ending its wine processes"
  # Only the processes of this run: their command line names its folder.
  for p in /proc/[0-9]*; do
    if tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -qF "$run"; then
      kill -9 "${p#/proc/}" 2>/dev/null
    fi
  done
  exit 1
fi
if [ "$rc" -ne "$want_exit" ]; then
  echo "run-scenario: $name FAILED: mdhost exit $rc, expected $want_exit (trace: $out/trace.txt)"
  exit 1
fi
echo "run-scenario: $name passed (exit $rc)"
# "#! next FILE": the host started again on the same plug-in folder, with the
# scenario FILE (relative to this one's folder), as a viewer restarted.
next="$(directive next)"
if [ -n "$next" ]; then
  # On this run's display, once its wine processes have all ended.
  timeout 15 wineserver -w 2>/dev/null
  next_out=()
  [ -n "$o_out" ] && next_out=(--out "$out/$(basename "$next" .scn)")
  TAVIK_E2E_PLUGIN_DIR="$plugin_dir" "$repo/scripts/run-scenario.sh" "${next_out[@]}" \
    "$win_dir" "$scn_dir/$next"
  exit $?
fi
exit 0
