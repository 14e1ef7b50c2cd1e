# Sourced, not run: a display and the project's wine prefix for one run of a
# Windows program of ours (scenarios, the hostile host, the timing host).
#   . scripts/wine-display.sh
#   wine_display_start RUN_DIR [WxH]  # Xvfb of its own when DISPLAY is unset or a
#                                     # screen size is asked for, then wine-env.sh
#   wine_display_stop            # waits for wine's helpers, stops that Xvfb (also on EXIT)
#   winpath PATH                 # the Windows name of a Linux path (Z:\...)
_wine_display_repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
_wine_display_state=""

winpath() { local p="$1"; echo "Z:${p//\//\\}"; }

wine_display_stop() {
  if [ -n "$_wine_display_state" ]; then
    # wine's own helper processes hold the display a moment longer.
    timeout 15 wineserver -w 2>/dev/null
    "$_wine_display_repo/scripts/xvfb.sh" stop "$_wine_display_state"
    _wine_display_state=""
  fi
  return 0
}

wine_display_start() {  # run folder (keeps the Xvfb state file), screen size
  if [ -n "${2:-}" ]; then
    # A screen of another size: wine's processes of a run on the shared
    # display end first, so none of them stays with the other screen.
    # shellcheck source=wine-env.sh
    . "$_wine_display_repo/scripts/wine-env.sh"
    timeout 15 wineserver -w 2>/dev/null
    unset DISPLAY
  fi
  if [ -z "${DISPLAY:-}" ]; then
    _wine_display_state="$1/xvfb.state"
    DISPLAY="$(TAVIK_SCREEN="${2:-}" "$_wine_display_repo/scripts/xvfb.sh" start "$_wine_display_state")" || return 1
    export DISPLAY
  fi
  # shellcheck source=wine-env.sh
  . "$_wine_display_repo/scripts/wine-env.sh"
}
