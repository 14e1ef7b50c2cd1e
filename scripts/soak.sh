#!/usr/bin/env bash
# A long run of the host simulator (not part of CI): a channel change every
# second over a real capture (the generated stream when it is absent), keys P
# and O and the menus now and then, with the schedule and the kept guide on
# (a run of more than ten minutes sees the periodic write of tavik.epg). Every 30 s it samples the host process's
# memory (VmRSS and VmData of its Linux process) and, through mdhost's
# "sample" command, its window count and GDI object count. Prints the table
# and whether each series stays flat after the first minute.
#   scripts/soak.sh [--duration SECONDS] [--win WIN_DIR] [--out DIR]
# Exit: 0 when mdhost passed and every series is flat, 1 otherwise.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
duration=600
win_dir="$repo/build/win"
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --duration) duration="$2"; shift 2 ;;
    --win) win_dir="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    *) echo "usage: soak.sh [--duration SECONDS] [--win WIN_DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done
every=30           # seconds between samples
settle=60          # the series are compared from this sample on
mem_slack_kb=1024  # memory may end this much above its value at $settle s
gdi_slack=16       # GDI objects: a logo or a panel being drawn at the moment
win_slack=0        # windows: exactly flat

# shellcheck source=build-win.sh
. "$repo/scripts/build-win.sh"
build_win "$win_dir" tavik mdhost || { echo "soak: the Windows side did not build" >&2; exit 1; }

out="${out:-$(mktemp -d "${TMPDIR:-/tmp}/tavik-soak.XXXXXX")}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
scn="$out/soak.scn"

capture="tsduck_test-184.ts"
if [ -f "$repo/../shared/data/eit/$capture" ]; then
  family=skyview channels="$repo/tests/e2e/channels-fr-184.txt" ts="capture:$capture"
else
  echo "soak: capture $capture is not in ../shared/data/eit; using the generated stream"
  family=progdvb channels="$repo/tests/e2e/channels-generated.txt" ts=generated
fi
count=$(grep -cv '^#' "$channels")

# The scenario: one channel change a second, keys and menus between them.
{
  echo "# Soak run of $duration s, written by scripts/soak.sh"
  echo "#! family $family"
  echo "#! channels $channels"
  echo "#! ts $ts"
  echo "#! pace fast"
  echo "#! timeout $((duration + 300))"
  # Every feature on: the schedule, its progress and marks, and the kept
  # guide, whose worker writes tavik.epg every ten minutes while it runs.
  echo '#! ini " 3.0" 1 0 16777215 1 1 1 0 0 0 0 0 255 0 1 65535 0 "" 1 1 0 1 1 0 1 1'
  for ((t = 0; t < duration; t++)); do
    [ $((t % every)) -eq 0 ] && echo "sample t$t"
    echo "zap $((t % count + 1))"
    if [ $((t % 45)) -eq 15 ]; then
      echo "menu About"; echo "wait 300"; echo 'press "About" "OK"'; echo "expect returned"
      echo "wait 700"
    elif [ $((t % 60)) -eq 40 ]; then
      echo "menu EPG"; echo "wait 300"; echo 'press "EPG" "OK"'; echo "expect returned"
      echo "wait 700"
    elif [ $((t % 7)) -eq 3 ]; then
      echo "wait 500"; echo "key P"; echo "wait 500"
    elif [ $((t % 11)) -eq 5 ]; then
      echo "wait 500"; echo "key O"; echo "wait 500"
    else
      echo "wait 1000"
    fi
  done
  echo "sample t$duration"
  echo "exit"
} >"$scn"

# Memory of the host's own Linux process, every $every s, while it runs.
mem="$out/memory.txt"
: >"$mem"
"$repo/scripts/run-scenario.sh" --out "$out" --timeout $((duration + 300)) "$win_dir" "$scn" \
  >"$out/run.log" 2>&1 &
runner=$!
host_pid=""
for _ in $(seq 1 300); do
  for p in /proc/[0-9]*; do
    [ "$(cat "$p/comm" 2>/dev/null)" = "mdhost.exe" ] || continue
    if tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -qF "soak.scn"; then host_pid="${p#/proc/}"; break; fi
  done
  [ -n "$host_pid" ] && break
  sleep 0.2
done
if [ -z "$host_pid" ]; then
  echo "soak: the host process did not start" >&2
  wait "$runner"
  cat "$out/run.log"
  exit 1
fi
echo "soak: $duration s, $family host, $ts, host process $host_pid, output $out"
t=0
while kill -0 "$host_pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$host_pid/status" 2>/dev/null)
  data=$(awk '/^VmData/ {print $2}' "/proc/$host_pid/status" 2>/dev/null)
  [ -n "$rss" ] && echo "$t $rss $data" >>"$mem"
  sleep "$every" & wait $!
  t=$((t + every))
done
wait "$runner"
rc=$?
tail -n 2 "$out/run.log"

# The table: memory samples and mdhost's samples, in order.
# Columns: t, windows, top-level, GDI, trace bytes so far (mdhost keeps its
# whole trace in memory for its checks: part of the host's own growth).
grep -bo 'sample: t[0-9]* t [0-9]* ms windows [0-9-]* top-level [0-9-]* gdi [0-9-]*' "$out/trace.txt" |
  awk '{split($1, a, ":"); print $2, $7, $9, $11, a[1]}' | sed 's/^t//' >"$out/objects.txt"
echo
# Each object sample beside the memory sample nearest to it in time.
awk 'NR == FNR { mt[NR] = $1; rss[NR] = $2; data[NR] = $3; n = NR; next }
     FNR == 1 { printf "%8s %12s %12s %9s %10s %6s %11s\n", "t (s)", "VmRSS (kB)", "VmData (kB)", "windows", "top-level", "GDI", "trace (kB)" }
     { best = 0; for (i = 1; i <= n; i++) if (best == 0 || (mt[i] - $1) ^ 2 < (mt[best] - $1) ^ 2) best = i
       printf "%8s %12s %12s %9s %10s %6s %11d\n", $1, best ? rss[best] : "-", best ? data[best] : "-", $2, $3, $4, $5 / 1024 }' \
  "$mem" "$out/objects.txt"
echo

# Flat: after the first minute the series ends (the median of its last three
# samples, so one sample taken while a picture is being decoded does not
# count) at most the slack above its value at $settle s. The highest sample
# is shown as well.
flat() {  # name file column slack
  local name=$1 file=$2 col=$3 slack=$4
  awk -v col="$col" -v settle="$settle" -v slack="$slack" -v name="$name" '
    BEGIN { max = 0 }
    $1 >= settle && ref == "" { ref = $col; reft = $1 }
    ref != "" { if ($col - ref > max) max = $col - ref; v[++n] = $col; lastt = $1 }
    END {
      if (ref == "" || n < 3) { printf "%-8s not enough samples after %d s\n", name, settle; exit 2 }
      a = v[n - 2]; b = v[n - 1]; c = v[n]
      end = (a > b) ? ((b > c) ? b : ((a > c) ? c : a)) : ((a > c) ? a : ((b > c) ? c : b))
      grow = end - ref
      printf "%-8s at %d s %s, at the end (median of the last three, to %d s) %s: %+d (highest sample %+d) -> %s\n",
             name, reft, ref, lastt, end, grow, max, (grow <= slack ? "flat" : "GROWS")
      exit (grow <= slack ? 0 : 1)
    }' "$file"
}
verdict=0
flat VmRSS "$mem" 2 "$mem_slack_kb" || verdict=1
flat VmData "$mem" 3 "$mem_slack_kb" || verdict=1
flat windows "$out/objects.txt" 2 "$win_slack" || verdict=1
if awk '$4 < 0 {bad = 1} END {exit bad ? 0 : 1}' "$out/objects.txt"; then
  echo "GDI      not counted (the process's GDI handle table was not usable)"
else
  flat GDI "$out/objects.txt" 4 "$gdi_slack" || verdict=1
fi
if [ "$rc" -ne 0 ]; then
  echo "soak: the scenario FAILED (exit $rc; trace: $out/trace.txt)"
  verdict=1
fi
[ $verdict -eq 0 ] && echo "soak: passed" || echo "soak: FAILED"
exit $verdict
