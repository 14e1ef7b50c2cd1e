# Sourced, not run: points wine at the project's own prefix and prepares that
# prefix once (no crash dialog, no window-manager decorations), and gives it
# wine's own Marlett font (package fonts-wine), which draws the symbols of
# the title bars' buttons.
#   . scripts/wine-env.sh        # uses $TAVIK_WINEPREFIX or <repo>/build/wineprefix
_tavik_repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${TAVIK_WINEPREFIX:-$_tavik_repo/build/wineprefix}"
export WINEDEBUG="${TAVIK_WINEDEBUG:--all}"  # e.g. TAVIK_WINEDEBUG=+debugstr
export WINEDLLOVERRIDES="mscoree,mshtml="
unset _tavik_repo

tavik_wine_prefix_init() {
  local marker="$WINEPREFIX/.tavik-ready"
  [ -f "$marker" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    # Several tests may start at once: one of them initialises, the others wait.
    flock 9
    if [ ! -f "$marker" ]; then
      echo "wine-env: initialising the wine prefix $WINEPREFIX (once, about 10 s)" >&2
      wineboot -i >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      wineserver -w
      touch "$marker"
    fi
  ) 9>"$WINEPREFIX.lock"
}
tavik_wine_prefix_init

tavik_wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -f "$marlett" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
    cp "$marlett" "$fonts/" 2>/dev/null || true
  fi
}
tavik_wine_fonts
