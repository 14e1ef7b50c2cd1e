#!/usr/bin/env bash
# Times tavik.dll as a host sees it, under wine inside Xvfb, each figure as a
# ratio to a reference timed in the same process (bench/hostbench):
#   channel change per host family against the floor (window enumeration, the
#   31 probes, one GDI+ decode of 0.jpg), the load against a DLL with the same
#   system imports, the idle CPU of host + wineserver with and without the
#   plug-in, and the DLL's size.
#   bash scripts/bench.sh [WIN_DIR]   (IDLE_SECONDS=60, IDLE_RUNS=2, COUNT=300, LOADS=5)
#   TAVIK_DLL=other/tavik.dll bash scripts/bench.sh   times that DLL (and its
#   tavik.uir beside it) in the same timing host, e.g. an older build.
# Not a test: it prints figures (BENCHMARKS.md keeps them).
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win_dir="${1:-$repo/build/win}"
idle_s="${IDLE_SECONDS:-60}"
count="${COUNT:-300}"
loads="${LOADS:-5}"

# shellcheck source=build-win.sh
. "$repo/scripts/build-win.sh"
build_win "$win_dir" tavik hostbench benchref >/dev/null || exit 1

run="$(mktemp -d "${TMPDIR:-/tmp}/tavik-bench.XXXXXX")"
mkdir -p "$run/plugin/tavik_icon"
dll="${TAVIK_DLL:-$win_dir/tavik.dll}"
cp "$dll" "$(dirname "$dll")/tavik.uir" "$win_dir/benchref.dll" "$run/plugin/"
cp -r "$win_dir/tavik_icon/." "$run/plugin/tavik_icon/"
cp "$repo/tests/e2e/logos/"*.jpg "$run/plugin/tavik_icon/"
# A logo nobody should have: 8000 x 8000 pixels.
convert -size 8000x8000 gradient:red-blue -quality 90 "$run/plugin/tavik_icon/Huge Logo.jpg" 2>/dev/null ||
  echo "bench: no ImageMagick; the huge-logo figures are left out"
cp "$win_dir/hostbench.exe" "$run/"

# shellcheck source=wine-display.sh
. "$repo/scripts/wine-display.sh"
cleanup() {
  wine_display_stop
  rm -rf "$run"
}
trap cleanup EXIT
wine_display_start "$run" || exit 1
bench() { timeout -k 5 600 wine "$run/hostbench.exe" "$@" 2>/dev/null | tr -d '\r'; }
plugin="$(winpath "$run/plugin/tavik.dll")"

echo "machine: $(nproc) cores, $(wine --version), $(uname -sr)"
size=$(stat -c %s "$dll")
echo "size: tavik.dll $size bytes ($((size / 1024)) KB)"

for family in skyview altdvb progdvb; do
  bench change --plugin "$plugin" --family "$family" --count "$count"
done

[ -f "$run/plugin/tavik_icon/Huge Logo.jpg" ] && bench huge --plugin "$plugin"
bench keys --plugin "$plugin"
# Key O and the menu's EPG panel without the schedule and with 500 rows (it
# writes its own tavik.ini, removed again for the figures below).
bench epg --plugin "$plugin" --rows 500 --schedule 0
bench epg --plugin "$plugin" --rows 500 --schedule 1
rm -f "$run/plugin/tavik.ini"

for i in $(seq 1 "$loads"); do
  bench load --plugin "$plugin" --ref "$(winpath "$run/plugin/benchref.dll")"
done | tee "$run/loads.txt"
sed -n 's/.*reference cold [0-9.]* ms (\([0-9.]*\)x).*/\1/p' "$run/loads.txt" | sort -n |
  awk '{ v[NR] = $1 } END { if (NR) printf "load: median ratio to the cold reference %.2fx over %d loads\n", v[int((NR + 1) / 2)], NR }'

# CPU ticks (user + system) of a process from /proc.
ticks() { [ -n "$1" ] && awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
server_pid() {
  # Its working folder is named after the prefix's device and inode.
  local dir p
  dir=$(printf "server-%x-%x" "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for p in $(pgrep wineserver); do
    case "$(readlink "/proc/$p/cwd")" in */"$dir") echo "$p"; return ;; esac
  done
}
host_pid() {  # the wine process of the timing host of this run
  local p
  for p in $(pgrep -x hostbench.exe); do
    tr '\0' ' ' <"/proc/$p/cmdline" | grep -qF "$run" && { echo "$p"; return; }
  done
}
wait_for() { local i; for i in $(seq 1 $((idle_s * 20 + 1200))); do [ -e "$1" ] && return; sleep 0.05; done; }
# One host process, three idle spans: without the plug-in, with it, without
# it again; the figure is the span with it against the mean of the two without.
idle_run() {
  local marker="$run/idle-$1" hp sp name h0 s0 out=""
  rm -rf "$marker"; mkdir -p "$marker"
  bench idle --plugin "$plugin" --seconds "$idle_s" --marker "$(winpath "$marker")" &
  local job=$!
  for name in none1 with none2; do
    wait_for "$marker/$name.begin"
    [ -n "${hp:-}" ] || { hp=$(host_pid); sp=$(server_pid); }
    h0=$(ticks "$hp"); s0=$(ticks "$sp")
    wait_for "$marker/$name.end"
    out="$out $(( $(ticks "$hp") - h0 )) $(( $(ticks "$sp") - s0 ))"
  done
  wait "$job"
  echo "$out"
}
# The plug-in's idle cost is small against the host's own painting and the
# machine's noise: several such runs, the median ratio.
pairs="${IDLE_RUNS:-2}"
for i in $(seq 1 "$pairs"); do
  read -r h1 s1 hw sw h2 s2 <<<"$(idle_run "$i")"
  awk -v h1="$h1" -v s1="$s1" -v hw="$hw" -v sw="$sw" -v h2="$h2" -v s2="$s2" -v s="$idle_s" 'BEGIN {
    none = (h1 + s1 + h2 + s2) / 2
    printf "idle %d s (ticks of 10 ms, host + wineserver): without the plug-in %d + %d, with it %d + %d, without again %d + %d: %.2fx\n",
      s, h1, s1, hw, sw, h2, s2, (none > 0 ? (hw + sw) / none : 0) }'
done | tee "$run/idle.txt"
sed -n 's/.*: \([0-9.]*\)x$/\1/p' "$run/idle.txt" | sort -n |
  awk '{ v[NR] = $1 } END { if (NR) printf "idle: median ratio %.2fx over %d runs\n", v[int((NR + 1) / 2)], NR }'
