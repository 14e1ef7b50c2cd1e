#!/usr/bin/env bash
# Installs every package the build, the tests and the demo need on Debian 12 (run as root).
# The fonts give wine Latin, Greek and Cyrillic (DejaVu, Liberation) and Chinese and
# Korean (WenQuanYi Micro Hei) glyphs, for the banner in every character table.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
need=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth x11-utils
      imagemagick xdotool xcompmgr fonts-dejavu fonts-liberation fonts-wine fonts-wqy-microhei
      cmake g++ clang xmltv-util
      libgtest-dev libgmock-dev libbenchmark-dev zip python3-markdown
      libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxcomposite1:i386
      libxinerama1:i386 libxfixes3:i386)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then dpkg --add-architecture i386; fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
