#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time over its corpus folder, seeded
# first by fuzz/<name>.seed.sh when that script exists (it writes seed files
# into the folder given, e.g. from the real captures when they are there).
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=${3:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
name=$(basename "$fuzzer")
mkdir -p "$corpus"
if [ -x "$root/fuzz/$name.seed.sh" ] && [ -z "$(ls -A "$corpus")" ]; then
  "$root/fuzz/$name.seed.sh" "$corpus"
fi
exec "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$corpus"
