#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time over its corpus folder. Targets
# that seed themselves (the EIT target writes units of the real captures when
# they are there) are told the folder through TAVIK_EIT_SEEDS; the panel file
# target starts from the shipped tavik.uir.
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=${3:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
name=$(basename "$fuzzer")
mkdir -p "$corpus"
export TAVIK_EIT_SEEDS="$corpus"
if [ "$name" = panel_file_fuzz ] && [ -z "$(ls -A "$corpus")" ]; then
  cp "$root/src/resources/tavik.uir" "$corpus/"
fi
exec "$fuzzer" -max_total_time="$seconds" -max_len=20000 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus"
