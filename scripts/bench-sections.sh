#!/usr/bin/env bash
# The data thread's instructions per delivered section over a capture (by
# default the largest in ../shared/data/eit), with the schedule off and on,
# against libdvbpsi's decoding of the same sections (a reference for this
# bench only), and the event store's memory for that capture. Counted by
# callgrind (only the deliveries, or the packets' pushing); not a test.
#   bash scripts/bench-sections.sh [CAPTURE.ts]
# Run as root it installs what it needs and lacks: valgrind, libdvbpsi-dev.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$repo/build/bench-sections"
capture="${1:-$(ls -S "$repo"/../shared/data/eit/*.ts 2>/dev/null | head -1)}"
[ -f "$capture" ] || { echo "bench-sections: no capture (give one, or put them in ../shared/data/eit)" >&2; exit 2; }

if [ "$(id -u)" = 0 ]; then
  missing=()
  for p in valgrind libdvbpsi-dev pkg-config; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

# The plug-in's core as it ships: optimised, without sanitizers.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target section_cost >/dev/null
g++ -O2 -std=c++17 "$repo/bench/dvbpsi_reference.cpp" -o "$build/dvbpsi_reference" \
  $(pkg-config --cflags --libs libdvbpsi)

# Instructions inside the counted part of a run.
instructions() {
  local out="$build/callgrind.out"
  valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out" "$@" >"$build/run.txt" 2>/dev/null
  sed -n 's/^totals: *//p' "$out" | awk '{ print $1 }'
}

echo "capture: $(basename "$capture") ($(stat -c %s "$capture") bytes)"
ref=$(instructions "$build/dvbpsi_reference" "$capture"); cat "$build/run.txt"
for schedule in 0 1; do
  ir=$(instructions "$build/section_cost" "$capture" "$schedule")
  cat "$build/run.txt"
  sections=$(sed -n 's/.*deliveries, \([0-9]*\) sections.*/\1/p' "$build/run.txt" | head -1)
  awk -v ir="$ir" -v ref="$ref" -v n="$sections" -v s="$schedule" 'BEGIN {
    printf "schedule %d: %.0f instructions per delivered section (%d sections); libdvbpsi %.0f: %.2fx\n",
           s, ir / n, n, ref / n, ir / ref }'
done
