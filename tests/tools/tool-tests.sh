#!/usr/bin/env bash
# Runs the user tools on inputs of our own and on the real captures, as a user
# would, and checks what they print and their exit codes.
#   tests/tools/tool-tests.sh CASE NATIVE_DIR [WIN_DIR]
# Cases: eit-generated, eit-captures, eit-xmltv, logos-awkward, logos-captures,
# win-same-output.
# Exit 0 passed, 1 failed, 77 skipped (no captures, no Windows build).
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
case_name="${1:?case}" native="$(cd "${2:?native build dir}" && pwd)" win="${3:-}"
[ -n "$win" ] && [ -d "$win" ] && win="$(cd "$win" && pwd)"
captures="$repo/../shared/data/eit"
work="$(mktemp -d "${TMPDIR:-/tmp}/tavik-tools.XXXXXX")"
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# expect_exit WANT CMD...: runs CMD into $work/out and $work/err, checks its exit code.
expect_exit() {
  local want=$1; shift
  "$@" >"$work/out" 2>"$work/err"
  local rc=$?
  [ "$rc" -eq "$want" ] || fail "exit $rc, expected $want: $*$(printf '\n'; cat "$work/err")"
}
expect_out() { grep -qF -- "$1" "$work/out" || fail "output lacks: $1$(printf '\n'; cat "$work/out")"; }
expect_err() { grep -qF -- "$1" "$work/err" || fail "stderr lacks: $1$(printf '\n'; cat "$work/err")"; }
need_captures() {
  ls "$captures"/*.ts >/dev/null 2>&1 || { echo "skipped: no captures in ../shared/data/eit"; exit 77; }
}

eit="$native/tavik-eit" logos="$native/tavik-logos"
case "$case_name" in
eit-generated)
  "$native/eitgen" "$work/gen.ts" >/dev/null || exit 1
  mkdir "$work/cwd"
  (cd "$work/cwd" && "$eit" "$work/gen.ts") >"$work/out" 2>"$work/err"
  [ $? -eq 0 ] || fail "generated stream: exit not 0"
  expect_out 'service 0x0101 (257): 8 present/following sections'
  expect_out '  now   "(20:00) Evening News "'
  expect_out '  next  "(20:30) Nature Watch "'
  expect_out 'name [default table]: Evening News'
  expect_out 'the input holds 10 present/following sections (table 0x4E) of 5 services whose CRC held; no schedule section'
  [ -z "$(ls -A "$work/cwd")" ] || fail "tavik-eit wrote files into its folder"
  expect_exit 0 "$eit" --epgtext 1 --timeshift -21 --service 0x0103 "$work/gen.ts"
  expect_out '"(23:15) The Long Winter > A snowbound village'
  grep -q 'service 0x0101' "$work/out" && fail "--service printed other services"
  expect_exit 0 "$eit" --epgtext 2 --service 258 "$work/gen.ts"
  expect_out '  next  "A day with the pilots who bring the big ships in. "'
  # A dump: the same units without their 4-byte packet headers.
  python3 - "$work/gen.ts" "$work/gen.dbg" <<'PY'
import sys
d = open(sys.argv[1], 'rb').read()
open(sys.argv[2], 'wb').write(b''.join(d[i+4:i+188] for i in range(0, len(d), 188)))
# and the stream in 192-byte packets, a time stamp before each, as .m2ts files have them
open(sys.argv[2][:-3] + 'm2ts', 'wb').write(b''.join(b'\0\1\2\3' + d[i:i+188] for i in range(0, len(d), 188)))
PY
  expect_exit 0 "$eit" "$work/gen.dbg"
  expect_out 'EIT dump, 44 units'
  expect_out '  now   "(20:00) Evening News "'
  expect_exit 0 "$eit" "$work/gen.m2ts"; expect_out '44 units of PID 0x0012 (its 192-byte packets read as 188)'
  expect_out '  now   "(20:00) Evening News "'
  # A long input: progress lines on stderr, the report unchanged on stdout.
  "$native/eitgen" "$work/long.ts" --rounds 5000 >/dev/null || exit 1
  expect_exit 0 "$eit" --service 0x0101 "$work/long.ts"
  expect_err 'tavik-eit: reading'
  expect_err 'decoding: 100%'
  expect_out '  now   "(20:00) Evening News "'
  # Wrong commands and files.
  expect_exit 0 "$eit" --help; expect_out 'usage: tavik-eit'; expect_out '--all'

  expect_exit 2 "$eit" "$work/missing.dbg"; expect_err 'cannot open'
  expect_exit 2 "$eit" --epgtext x "$work/gen.ts"; expect_err 'bad option or value: --epgtext'
  # A bad command: its one error first, then a one-line hint, not the usage.
  expect_exit 2 "$eit" --xml "$work/gen.ts"
  [ "$(head -1 "$work/err")" = 'tavik-eit: unknown option --xml; did you mean --xmltv?' ] \
    && [ "$(wc -l <"$work/err")" -eq 2 ] && expect_err 'tavik-eit --help lists the options' \
    || fail "unknown option: $(cat "$work/err")"
  # --epgchars and --localtime alone mean 1; a value (also after =) still counts.
  expect_exit 0 "$eit" --epgchars --localtime "$work/gen.ts"; expect_out 'epgchars 1, localtime 1'
  expect_exit 0 "$eit" --epgchars=0 --localtime 0 "$work/gen.ts"
  grep -q 'epgchars 1\|localtime 1' "$work/out" && fail "--epgchars=0 --localtime 0 taken as 1"
  expect_exit 2 "$eit" --epgchars 2 "$work/gen.ts"; expect_err 'bad option or value: --epgchars 2: it takes 0 or 1'
  expect_exit 2 "$eit" ---- "$work/gen.ts"; expect_err 'unknown option ----'
  expect_exit 2 "$eit" --details "$work/gen.ts"; expect_err '--details goes with --schedule'
  # --out: the file whole, never the input, and one clear error where it cannot be written.
  expect_exit 0 "$eit" --xmltv --out "$work/guide.xml" "$work/gen.ts"
  expect_err "wrote $work/guide.xml: the schedule as XMLTV"
  "$eit" --xmltv "$work/gen.ts" 2>/dev/null | cmp -s - "$work/guide.xml" || fail "--out differs from the output"
  expect_exit 2 "$eit" --out "$work/none/guide.xml" "$work/gen.ts"; expect_err "cannot write $work/none/guide.xml: No such file"
  expect_exit 2 "$eit" --out /dev/full "$work/gen.ts"; expect_err 'cannot write all of /dev/full'
  expect_exit 2 "$eit" --out "$work/./gen.ts" "$work/gen.ts"; expect_err 'names the input file'
  ls "$work"/*.tmp >/dev/null 2>&1 && fail "--out left a temporary file"
  # Files that hold no EIT say what they hold.
  : >"$work/empty.ts"; expect_exit 2 "$eit" "$work/empty.ts"; expect_err 'an empty file (0 bytes)'
  seq 300 >"$work/list.txt"; expect_exit 2 "$eit" "$work/list.txt"
  expect_err '1092 bytes of text, neither a transport stream nor an EIT dump'
  python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[2::188] = b"\x13" * (len(d) // 188); open(sys.argv[2], "wb").write(d)' "$work/gen.ts" "$work/noeit.ts"
  expect_exit 2 "$eit" "$work/noeit.ts"; expect_err 'a transport stream of 44 packets, none of them on PID 0x0012 where the EIT is sent (its PIDs: 0x0013)'
  expect_exit 2 "$eit"; expect_err 'no input file'
  printf 'short' >"$work/short.dbg"
  expect_exit 2 "$eit" "$work/short.dbg"; expect_err 'shorter than one 184-byte unit'
  head -c 1000 /dev/zero >"$work/odd.dbg"
  expect_exit 1 "$eit" "$work/odd.dbg"; expect_err 'not a whole number of 184-byte units'
  expect_out 'no present/following section'
  ;;
eit-captures)
  need_captures
  for ts in "$captures"/*.ts; do
    "$eit" --epgtext 1 "$ts" >"$work/out" 2>"$work/err"
    rc=$?
    [ $rc -le 1 ] || fail "$(basename "$ts"): exit $rc $(cat "$work/err")"
    grep -q -e '^service 0x' -e '^no present/following section' "$work/out" \
      || fail "$(basename "$ts"): neither services nor a word about their absence"
  done
  if [ -f "$captures/tsduck_test-184.ts" ]; then
    expect_exit 0 "$eit" "$captures/tsduck_test-184.ts"
    expect_out '  now   "(12:30) Sc\xE8nes de m\xE9nages "'
    expect_out 'name [ISO 8859-9 (0x05)]: Scènes de ménages'
  fi
  # What each file holds: ids inside other sections left out unless asked
  # for, undefined starts, a section that starts inside a unit, no clean
  # section counted as refused.
  for f in petrj_cz_DBMux24 petrj_pid18_EIT.FR.3 petrj_pid18_EIT.FR.2 petrj_cz_PID_18; do
    [ -f "$captures/$f.ts" ] || continue
    "$eit" "$captures/$f.ts" >"$work/$f.out"; "$eit" --all "$captures/$f.ts" >"$work/$f.all"
    "$eit" --schedule "$captures/$f.ts" >"$work/$f.sched"
  done
  if [ -f "$captures/petrj_cz_DBMux24.ts" ]; then
    grep -q '7 service ids left out, not a real service' "$work/petrj_cz_DBMux24.out" || fail "DBMux24: ids left out"
    grep -q '^service 0x6120' "$work/petrj_cz_DBMux24.out" && fail "DBMux24: 0x6120 listed without --all"
    grep -q '^service 0x6120 (24864)' "$work/petrj_cz_DBMux24.all" || fail "DBMux24: --all lists 0x6120"
  fi
  [ -f "$captures/petrj_pid18_EIT.FR.3.ts" ] && ! grep -q '  now   "(--:--)  "' "$work/petrj_pid18_EIT.FR.3.out" && fail "FR.3: --:--"
  [ -f "$captures/petrj_pid18_EIT.FR.2.ts" ] && ! grep -q '5 of them starting inside a unit' "$work/petrj_pid18_EIT.FR.2.out" && fail "FR.2: inside a unit"
  [ -f "$captures/petrj_cz_PID_18.ts" ] && ! grep -q '1818 sections whose CRC held, 0 refused' "$work/petrj_cz_PID_18.sched" && fail "PID_18: refused"
  if [ -f "$captures/petrj_china_2021-10-05-06-36-43.ts" ]; then
    # component descriptors first: the short event after them gives the lines
    expect_exit 0 "$eit" "$captures/petrj_china_2021-10-05-06-36-43.ts"
    expect_out 'first descriptor 0x50 (component); the line is the short event'"'"'s after it'
    expect_out '[ISO 10646 two-byte, Big5 subset (0x14)]: 華視晚間新聞(普)'
  fi
  ;;
eit-xmltv)
  # The schedule and XMLTV over the generated stream and the real captures;
  # every XMLTV file must pass the xmltv-util validator (its DTD offline).
  command -v tv_validate_file >/dev/null || { echo "skipped: tv_validate_file (xmltv-util) is not installed"; exit 77; }
  export XMLTV_SUPPLEMENT=/usr/share/xmltv
  validate() {  # FILE LABEL
    tv_validate_file "$1" >"$work/valid" 2>&1 || fail "$2: XMLTV not valid: $(cat "$work/valid")"
  }
  "$native/eitgen" "$work/gen.ts" >/dev/null || exit 1
  expect_exit 0 "$eit" --schedule "$work/gen.ts"
  expect_out '40 sections whose CRC held, 0 refused; 10 events of 5 services'
  expect_out 'service 0x0101 (257) Service 257: 2 events'
  expect_out '  2024-01-01 20:00   0:30  Evening News  (present)'
  expect_exit 0 "$eit" --schedule --timeshift 5 --service 0x0102 "$work/gen.ts"
  expect_out '  2024-01-02 00:45   1:00  Harbour Life  (present)'
  expect_exit 0 "$eit" --xmltv "$work/gen.ts"
  expect_err 'tavik-eit: 10 programmes'
  cp "$work/out" "$work/gen.xml"; validate "$work/gen.xml" generated
  expect_out '<channel id="257.1.1.dvb">'
  expect_out '<display-name>Service 257</display-name>'
  expect_out '<programme start="20240101200000 +0000" stop="20240101203000 +0000" channel="257.1.1.dvb">'
  expect_out '<title lang="en">Evening News</title>'
  grep -q -e '<desc[^>]*></desc>' -e '<title[^>]*></title>' "$work/out" && fail "an empty element"
  expect_exit 1 "$eit" --xmltv --service 0x0999 "$work/gen.ts"
  ls "$captures"/*.ts >/dev/null 2>&1 || exit $((failures > 0))
  for ts in "$captures"/*.ts; do
    "$eit" --xmltv "$ts" >"$work/cap.xml" 2>"$work/err" || fail "$(basename "$ts"): exit not 0"
    validate "$work/cap.xml" "$(basename "$ts")"
    # every language these captures name has a two-letter code
    grep -q 'lang="[a-z][a-z][a-z]"' "$work/cap.xml" && fail "$(basename "$ts"): a three-letter lang"
  done
  if [ -f "$captures/petrj_germany_626MHz_2024-03-11-21-09-56.ts" ]; then
    g="$captures/petrj_germany_626MHz_2024-03-11-21-09-56.ts"
    expect_exit 0 "$eit" --schedule "$g"
    expect_out '5175 events of 11 services'
    expect_out 'service 0x0321 (801) BR Fernsehen Nord HD:'
    expect_exit 0 "$eit" --xmltv "$g"
    expect_out '<display-name>MDR Thüringen HD</display-name>'
    expect_out '<desc lang="de">Julia Büchler</desc>'
    expect_out '<category lang="en">News / Current affairs</category>'
    # the short text a sub-title where a description of its own follows; teletext subtitles
    expect_out '<sub-title lang="de">Fernsehfilm Deutschland 2022</sub-title>'
    expect_out '<subtitles type="teletext"/>'
  fi
  if [ -f "$captures/petrj_pid18_EIT.PL2.ts" ]; then
    # every description in extended descriptors alone: shown whole, its items a line each
    expect_exit 0 "$eit" --schedule --details --service 92 "$captures/petrj_pid18_EIT.PL2.ts"
    expect_out '      Movie/Drama: science fiction/fantasy/horror'
    expect_out '      Yakari, to indianin, mały chłopak z plemienia Siuksów, który razem'
    expect_out '      Kraj produkcji: Francja'
    expect_exit 0 "$eit" --xmltv --service 92 "$captures/petrj_pid18_EIT.PL2.ts"
    expect_out '<desc lang="pl">Yakari, to indianin'
    expect_out '<category lang="en">science fiction/fantasy/horror</category>'
  fi
  if [ -f "$captures/petrj_cz_PID_18.ts" ]; then  # "cze" and "ces" alike
    expect_exit 0 "$eit" --xmltv "$captures/petrj_cz_PID_18.ts"; expect_out '<title lang="cs">'
  fi
  if [ -f "$captures/tsduck_test-184.ts" ]; then
    # the lines as the banner shows them with epgchars 1 and localtime 1
    expect_exit 0 "$eit" --epgchars 1 "$captures/tsduck_test-184.ts"
    expect_out '  now   "(12:30) Scènes de ménages "'
    expect_exit 0 "$eit" --xmltv "$captures/tsduck_test-184.ts"  # what the components say
    for e in '<aspect>16:9</aspect>' '<quality>HDTV</quality>' '<stereo>dolby digital</stereo>' \
             '<subtitles type="onscreen"/>' '<value>10+</value>'; do expect_out "$e"; done
    TZ=Europe/Paris expect_exit 0 "$eit" --localtime 1 "$captures/tsduck_test-184.ts"
    expect_out '  now   "(13:30) Sc\xE8nes de m\xE9nages "'
  fi
  ;;
logos-awkward)
  icons="$work/tavik_icon"; mkdir -p "$icons"
  jpg="$repo/src/resources/tavik_icon/0.jpg"
  cp "$jpg" "$icons/0.jpg"; cp "$jpg" "$icons/Tavik One.jpg"; cp "$jpg" "$icons/harbour tv.jpg"
  cp "$jpg" "$icons/Cinéma_Nord.jpg"
  head -c 600 "$jpg" >"$icons/Kids Corner.jpg"
  # GIF data of 100 x 60 pixels, and one claiming 8000 x 8000
  printf 'GIF89a\x64\x00\x3c\x00\x80\x00\x00' >"$icons/Sport 24.jpg"; head -c 64 /dev/zero >>"$icons/Sport 24.jpg"
  printf 'GIF89a\x40\x1f\x40\x1f\x80\x00\x00' >"$icons/Huge.jpg"; head -c 64 /dev/zero >>"$icons/Huge.jpg"
  printf 'just text\n' >"$icons/Notes.jpg"
  printf '# awkward names\nTavik One\nHarbour TV\nCinema Nord\nKids Corner\nSport 24\nHuge\nNotes\nA/B\nWhat?\nCON\n' >"$work/names.txt"
  expect_exit 1 "$logos" "$icons" --names "$work/names.txt"
  expect_out '"Tavik One": Tavik One.jpg (found: '
  expect_out '"Harbour TV": harbour tv.jpg (found: '
  expect_out '"Cinema Nord": 0.jpg (fallback: there is no file Cinema Nord.jpg, Cinema Nord.png, cinemanord.png or cinemanord.jpg)'
  expect_out 'nearest existing files: "Cinéma_Nord.jpg"'
  expect_out '"Kids Corner": 0.jpg (fallback: Kids Corner.jpg is a truncated JPEG'
  expect_out '"Sport 24": Sport 24.jpg (found: GIF data, 100x60 pixels; by the channel'"'"'s name)'
  expect_out '"Huge": 0.jpg (fallback: Huge.jpg is 8000x8000 pixels in 77 bytes, larger than a logo may be (2048x2048 pixels, 8 MB))'
  expect_out '"Notes": 0.jpg (fallback: Notes.jpg is not a picture file'
  expect_out '"A/B": 0.jpg (fallback: the name holds a character'
  expect_out '"What?": 0.jpg (fallback: the name holds a character'
  expect_out '"CON": 0.jpg (fallback: "CON" is a device name'
  expect_out '10 channels: own logo for 3, fallback 0.jpg for 7'
  expect_exit 1 "$logos" --plugin-dir "C:\\$(printf 'p%.0s' $(seq 1 230))" "$icons" "Tavik One"
  expect_out 'is longer than 255 characters'
  expect_exit 1 "$logos" "$icons" --channels "$repo/tests/e2e/channels-generated.txt"
  expect_out '"Tavik One": Tavik One.jpg'
  rm "$icons/0.jpg"
  expect_exit 0 "$logos" "$icons" "Tavik One"; expect_out 'warning: 0.jpg is missing'
  expect_exit 0 "$logos" --help; expect_out 'usage: tavik-logos'
  expect_exit 2 "$logos" "$work/nowhere" "Tavik One"; expect_err 'cannot read the logo folder'
  expect_exit 2 "$logos" "$icons" --channels "$work/names.txt"; expect_err 'expected name;frequency'
  expect_err '(a list of names alone is read with --names FILE)'
  expect_exit 2 "$logos" "$icons" --ts "$work/names.txt"; expect_err 'is not a transport stream: its 95 bytes'
  printf '# none yet\n' >"$work/none.txt"
  expect_exit 2 "$logos" "$icons" --names "$work/none.txt"; expect_err 'none.txt (ASCII text) holds no channel names'
  expect_exit 2 "$logos" "$icons"; expect_err 'no channel names'
  expect_exit 2 "$logos" "$icons" --names; expect_err '--names needs a value: a file'
  # Lists as editors save them; a byte-order mark is no part of the first name.
  cp "$jpg" "$icons/Télé Lumière.jpg"
  printf 'Télé Lumière\r\nTavik One\r\n' >"$work/utf8.txt"
  printf '\xEF\xBB\xBF' | cat - "$work/utf8.txt" >"$work/bom.txt"
  iconv -t UTF-16 "$work/utf8.txt" >"$work/utf16.txt"; iconv -t LATIN1 "$work/utf8.txt" >"$work/ansi.txt"
  for list in 'utf8:UTF-8 text' 'bom:UTF-8 text with a byte-order mark' 'utf16:UTF-16 text' \
              'ansi:8-bit text, read as Latin-1'; do
    expect_exit 0 "$logos" "$icons" --names "$work/${list%%:*}.txt"
    expect_out "${list%%:*}.txt: 2 channel names, ${list#*:}"
    expect_out '"Télé Lumière": Télé Lumière.jpg (found:'
  done
  ;;
logos-captures)
  need_captures
  found=0
  for ts in "$captures"/*.ts; do
    "$logos" "$repo/src/resources/tavik_icon" --ts "$ts" >"$work/out" 2>"$work/err"
    rc=$?
    if [ $rc -eq 1 ]; then
      found=$((found + 1))
      grep -q 'fallback 0.jpg for' "$work/out" || fail "$(basename "$ts"): no summary"
    elif [ $rc -ne 2 ] || ! grep -q 'no service names in its SDT' "$work/err"; then
      fail "$(basename "$ts"): exit $rc $(cat "$work/err")"
    fi
  done
  [ $found -gt 0 ] || fail "no capture gave service names"
  ;;
win-same-output)
  [ -n "$win" ] && [ -f "$win/tavik-eit.exe" ] && [ -f "$win/tavik-logos.exe" ] \
    || { echo "skipped: no Windows build of the tools"; exit 77; }
  command -v wine >/dev/null || { echo "skipped: no wine"; exit 77; }
  . "$repo/scripts/wine-env.sh"
  "$native/eitgen" "$work/gen.ts" >/dev/null || exit 1
  cd "$work"
  for args in "gen.ts" "--epgtext 1 --timeshift 3 gen.ts" "--schedule gen.ts" "--xmltv gen.ts" \
              "--epgchars --localtime gen.ts"; do
    # shellcheck disable=SC2086
    "$eit" $args >native.txt 2>/dev/null
    # shellcheck disable=SC2086
    wine "$win/tavik-eit.exe" $args 2>/dev/null | tr -d '\r' >win.txt
    cmp -s native.txt win.txt || fail "tavik-eit.exe $args differs: $(diff native.txt win.txt | head -5)"
  done
  cp -r "$repo/tests/e2e/logos" logos; cp "$repo/src/resources/tavik_icon/0.jpg" logos/
  "$logos" --plugin-dir 'C:\P' logos --channels "$repo/tests/e2e/channels-generated.txt" >native.txt
  wine "$win/tavik-logos.exe" --plugin-dir 'C:\P' logos --channels \
    "$repo/tests/e2e/channels-generated.txt" 2>/dev/null | tr -d '\r' >win.txt
  cmp -s native.txt win.txt || fail "tavik-logos.exe differs: $(diff native.txt win.txt | head -5)"
  # a UTF-8 list with a byte-order mark, as Notepad saves it: the names in the ANSI code page
  printf '\xEF\xBB\xBFT\xC3\xA9l\xC3\xA9 Lumi\xC3\xA8re\r\n' >bom.txt; cp logos/0.jpg "logos/Télé Lumière.jpg"
  "$logos" logos --names bom.txt >native.txt
  wine "$win/tavik-logos.exe" logos --names bom.txt 2>/dev/null | tr -d '\r' | iconv -f CP1252 >win.txt
  cmp -s native.txt win.txt || fail "tavik-logos.exe --names differs: $(diff native.txt win.txt | head -5)"
  wine "$win/tavik-eit.exe" --xmltv --out 'C:\none\guide.xml' gen.ts 2>err.txt
  grep -q 'cannot write C:\\none.*%USERPROFILE%' err.txt || fail "tavik-eit.exe --out: $(cat err.txt)"
  # Let this prefix's wine server end: one left running would serve the next
  # scenario's wine with a desktop made for another display.
  timeout 15 wineserver -w
  ;;
*) echo "unknown case $case_name"; exit 2 ;;
esac
[ $failures -eq 0 ] && echo "passed: $case_name" && exit 0
exit 1
