#!/usr/bin/env bash
# The release package as a user gets it, made in a fresh copy of the source
# tree with no ../shared beside it: builds the zip with that copy's
# scripts/package.sh (the guide's pictures taken anew; those that need a
# capture come from docs/images), unpacks it into an empty folder, checks its
# contents, runs the host simulator on the unpacked tavik.dll
# (tests/package/package.scn: the settings of a new install at the first
# channel change, then saved ones), unpacks the zip again over that install
# (the user's tavik.ini stays byte for byte) and runs the packaged tools under
# wine.
#   scripts/test-package.sh [WIN_DIR]     (default build/win)
# Exit 0 passed, 1 failed.
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win_dir="$(cd "${1:-$repo/build/win}" && pwd)" || exit 1
work="$(mktemp -d "${TMPDIR:-/tmp}/tavik-package-test.XXXXXX")"
# shellcheck source=wine-display.sh
. "$repo/scripts/wine-display.sh"
cleanup() {
  wine_display_stop
  [ "${failed:-1}" -eq 0 ] && rm -rf "$work"
  return 0
}
trap cleanup EXIT
failed=1
fail() { echo "test-package: FAILED: $*"; exit 1; }

# The copy's scripts use this tree's wine prefix, not one of their own.
export TAVIK_WINEPREFIX="${TAVIK_WINEPREFIX:-$repo/build/wineprefix}"
# The files a clone has (and any new ones not ignored), as they are now.
clone="$work/clone/tavik"
mkdir -p "$clone"
git -C "$repo" ls-files -z --cached --others --exclude-standard \
  | (cd "$repo" && tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -C "$clone" -xf - \
  || fail "copying the source tree"
[ -f "$clone/scripts/package.sh" ] && [ ! -e "$clone/../shared" ] || fail "no clean copy in $clone"
"$clone/scripts/package.sh" --win-dir "$win_dir" --out "$work/dist" >"$work/package.log" 2>&1 \
  || { cat "$work/package.log"; fail "scripts/package.sh in a copy without ../shared"; }
zips=("$work"/dist/tavik-*-win32.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || fail "no single dist/tavik-<version>-win32.zip"
version="$(sed -n 's/^#define TAVIK_VERSION_MAJOR "\(.*\)"$/\1/p' "$repo/src/common/version.h").$(sed -n 's/^#define TAVIK_VERSION_MINOR "\(.*\)"$/\1/p' "$repo/src/common/version.h")"
[ "$(basename "${zips[0]}")" = "tavik-$version-win32.zip" ] || fail "zip named $(basename "${zips[0]}")"

plugin="$work/plugin"
mkdir "$plugin"
(cd "$plugin" && unzip -q "${zips[0]}") || fail "unzip"
for f in tavik.dll tavik.uir tavik-def.ini tavik_icon/0.jpg tavik-eit.exe tavik-logos.exe \
         LICENSE.txt tavik-guide/user-guide.html tavik-guide/images/banner.png; do
  [ -f "$plugin/$f" ] || fail "the package lacks $f"
done
[ -f "$plugin/tavik.ini" ] && fail "the package holds a tavik.ini"
# Without the capture the schedule's picture is the guide's own.
cmp -s "$plugin/tavik-guide/images/epg-schedule.png" "$repo/docs/images/epg-schedule.png" \
  || fail "the schedule's picture is not docs/images/epg-schedule.png"
grep -q '^guide-shots: pictures in' "$work/package.log" || fail "the guide's pictures were not taken"
grep -q '<img alt="The banner" src="images/banner.png"' "$plugin/tavik-guide/user-guide.html" \
  || fail "the guide's HTML does not show images/banner.png"
cmp -s "$plugin/tavik.dll" "$win_dir/tavik.dll" || fail "the packaged tavik.dll is not the build's"
# The tools run on a bare Windows: nothing but system DLLs.
for exe in tavik-eit.exe tavik-logos.exe; do
  other="$(i686-w64-mingw32-objdump -p "$plugin/$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' \
           | grep -viE '^(kernel32|msvcrt|user32)\.dll$')"
  [ -z "$other" ] || fail "$exe imports $other"
done

wine_display_start "$work" || fail "Xvfb"
mkdir "$work/out"
dump="$WINEPREFIX/drive_c/Tavik_EIT.dbg"
rm -f "$dump"
echo "test-package: running the host simulator on $plugin/tavik.dll"
# Local time is on in a new install: the generated times read as broadcast in UTC.
TZ=UTC timeout -k 5 240 wine "$win_dir/mdhost.exe" --plugin "$(winpath "$plugin/tavik.dll")" --family progdvb \
  --channels "$(winpath "$repo/tests/e2e/channels-generated.txt")" \
  --scenario "$(winpath "$repo/tests/package/package.scn")" --out "$(winpath "$work/out")" \
  --ts generated --pace fast --hang 10 --quality 75 --handle 1 >"$work/mdhost.log" 2>&1
rc=$?
[ $rc -eq 0 ] || { tail -30 "$work/mdhost.log"; fail "mdhost exit $rc (trace: $work/out/trace.txt)"; }
[ -f "$plugin/tavik.ini" ] || fail "the settings were not saved beside the unpacked tavik.dll"
cmp -s "$plugin/tavik-def.ini" "$repo/src/resources/tavik-def.ini" \
  || fail "tavik-def.ini is not the source's, or the plug-in wrote it"
# Unpacked again over the install ("replace all"): the user's settings stay.
cp "$plugin/tavik.ini" "$work/tavik.ini.saved"
(cd "$plugin" && unzip -q -o "${zips[0]}") || fail "unzip over the install"
cmp "$plugin/tavik.ini" "$work/tavik.ini.saved" || fail "unpacking over the install changed tavik.ini"
[ -f "$dump" ] || fail "the plug-in wrote no EIT dump to C:\\Tavik_EIT.dbg"
mv "$dump" "$work/Tavik_EIT.dbg"

# The packaged tools, run from the unpacked folder as a user runs them.
cd "$plugin"
out="$(wine ./tavik-logos.exe tavik_icon "Harbour TV" 2>&1 | tr -d "\r")"
echo "$out" | grep -qF '"Harbour TV": 0.jpg (fallback: there is no file Harbour TV.jpg, ' \
  || fail "tavik-logos.exe printed: $out"
out="$(wine ./tavik-eit.exe --version 2>&1 | tr -d '\r')"
[ "$out" = "tavik-eit $version" ] || fail "tavik-eit.exe --version printed: $out"
# The troubleshooting road of the guide: the dump read by the EIT reader.
out="$(wine ./tavik-eit.exe --epgtext 1 --service 0x0102 "$(winpath "$work/Tavik_EIT.dbg")" 2>&1 | tr -d "\r")"
echo "$out" | grep -qF 'now   "(19:45) Harbour Life > A day with the pilots who bring the big ships in. "' \
  || fail "tavik-eit.exe on the plug-in's dump printed: $out"
echo "$out" | grep -qF 'next  "(20:45) Night Ferry > Crossing the strait after dark. "' \
  || fail "tavik-eit.exe on the plug-in's dump printed: $out"
failed=0
echo "test-package: passed ($(basename "${zips[0]}"))"
