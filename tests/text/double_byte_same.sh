#!/usr/bin/env bash
# The text converter gives the same character for every GB 2312 and KS X 1001
# pair in the native build (compiled-in tables) as in the Windows build
# (Windows' code pages 936 and 949, which tavik.dll asks), run under wine; and
# the tables are what tools/text_tables/gen-double-byte-tables.py writes.
#   tests/text/double_byte_same.sh NATIVE_DUMP WIN_DUMP_EXE
# Exit 0 same, 1 different, 77 skipped (no Windows build, no wine).
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
native="${1:?native double_byte_dump}" win="${2:?double_byte_dump.exe}"
[ -f "$win" ] || { echo "skipped: no $win (build the Windows side)"; exit 77; }
command -v wine >/dev/null || { echo "skipped: no wine"; exit 77; }
. "$repo/scripts/wine-env.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/tavik-double-byte.XXXXXX")"
trap 'rm -rf "$work"' EXIT

if command -v python3 >/dev/null; then
  python3 "$repo/tools/text_tables/gen-double-byte-tables.py" --check || exit 1
fi
"$native" >"$work/native.txt" || { echo "FAIL: $native did not run"; exit 1; }
wine "$win" 2>/dev/null | tr -d '\r' >"$work/win.txt"
# Let this prefix's wine server end before the next wine test starts.
timeout 15 wineserver -w

lines=$(wc -l <"$work/win.txt")
if [ "$lines" -ne 17672 ]; then
  echo "FAIL: the Windows build printed $lines lines, not 2 x 94 x 94"
  exit 1
fi
if ! cmp -s "$work/native.txt" "$work/win.txt"; then
  differ=$(diff "$work/native.txt" "$work/win.txt" | grep -c '^<')
  echo "FAIL: $differ pairs convert differently (< native tables, > Windows):"
  diff "$work/native.txt" "$work/win.txt" | head -20
  echo "regenerate the tables with tools/text_tables/gen-double-byte-tables.py, or mend it"
  exit 1
fi
echo "passed: all $lines GB 2312 and KS X 1001 pairs convert alike"
