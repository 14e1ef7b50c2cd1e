#!/usr/bin/env bash
# Builds the release package dist/tavik-<version>-win32.zip: the plug-in
# (tavik.dll, tavik.uir, the settings of a new install tavik-def.ini,
# tavik_icon/0.jpg), the user tools tavik-eit.exe and
# tavik-logos.exe, the user guide as HTML with its pictures, and the licence,
# laid out to unpack straight into a host's plug-in folder.
#   scripts/package.sh [--win-dir DIR] [--out DIR] [--keep-shots]
# --keep-shots uses the pictures in docs/images instead of taking them anew
# from the host simulator (which needs wine and Xvfb); a picture that needs a
# capture absent from ../shared is taken from docs/images either way.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win_dir="$repo/build/win" out="$repo/dist" keep_shots=0
while [ $# -gt 0 ]; do
  case "$1" in
    --win-dir) win_dir="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --keep-shots) keep_shots=1; shift ;;
    *) echo "usage: scripts/package.sh [--win-dir DIR] [--out DIR] [--keep-shots]" >&2; exit 2 ;;
  esac
done

# The version, from its one place in the source.
ver_h="$repo/src/common/version.h"
major="$(sed -n 's/^#define TAVIK_VERSION_MAJOR "\(.*\)"$/\1/p' "$ver_h")"
minor="$(sed -n 's/^#define TAVIK_VERSION_MINOR "\(.*\)"$/\1/p' "$ver_h")"
[ -n "$major" ] && [ -n "$minor" ] || { echo "package: no version in $ver_h" >&2; exit 1; }
version="$major.$minor"
name="tavik-$version-win32"

# shellcheck source=build-win.sh
. "$repo/scripts/build-win.sh"
build_win "$win_dir" tavik tavik-eit tavik-logos mdhost
for tool in zip /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "package: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done


stage="$(mktemp -d "${TMPDIR:-/tmp}/tavik-package.XXXXXX")"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/tavik_icon" "$stage/tavik-guide/images"
cp "$win_dir/tavik.dll" "$repo/src/resources/tavik.uir" "$repo/src/resources/tavik-def.ini" \
   "$win_dir/tavik-eit.exe" \
   "$win_dir/tavik-logos.exe" "$stage/"
cp "$repo/src/resources/tavik_icon/0.jpg" "$stage/tavik_icon/"
# Text files for Windows users: CR LF line ends.
sed 's/$/\r/' "$repo/LICENSE" >"$stage/LICENSE.txt"

if [ $keep_shots -eq 1 ]; then
  cp "$repo/docs/images/"*.png "$stage/tavik-guide/images/"
else
  echo "== taking the guide's screenshots in the host simulator"
  "$repo/scripts/guide-shots.sh" "$win_dir" "$stage/tavik-guide/images" | grep '^guide-shots:'
fi
/usr/bin/python3 "$repo/scripts/render-guide.py" "$repo/docs/user-guide.md" \
  "$stage/tavik-guide/user-guide.html" "$version"
# Every picture the guide names is in the package.
for img in $(grep -o 'images/[A-Za-z0-9_.-]*\.png' "$repo/docs/user-guide.md" | sort -u); do
  [ -f "$stage/tavik-guide/$img" ] || { echo "package: the guide shows $img, which is missing" >&2; exit 1; }
done

mkdir -p "$out"
zip_path="$(cd "$out" && pwd)/$name.zip"
rm -f "$zip_path"
# No tavik.ini: unpacked over an install, the zip never replaces the user's
# settings; tavik-def.ini gives a new install its start.
(cd "$stage" && TZ=UTC zip -q -X -r "$zip_path" tavik.dll tavik.uir tavik-def.ini tavik_icon tavik-eit.exe \
   tavik-logos.exe tavik-guide LICENSE.txt)
echo "== $zip_path"
unzip -l "$zip_path"
