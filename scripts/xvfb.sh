#!/usr/bin/env bash
# Starts or stops an Xvfb server (1280x1024x24, or TAVIK_SCREEN=WxH) for the
# wine runs.
#   scripts/xvfb.sh start STATEFILE [:N]   prints the display (":N"); STATEFILE keeps "DISPLAY PID"
#   scripts/xvfb.sh stop STATEFILE         stops the server started with that STATEFILE, by its PID
set -euo pipefail

start() {
  local state="$1" disp="${2:-}"
  if [ -z "$disp" ]; then
    local n
    for n in $(seq 90 199); do
      if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then disp=":$n"; break; fi
    done
    [ -n "$disp" ] || { echo "xvfb.sh: no free display" >&2; exit 1; }
  fi
  Xvfb "$disp" -screen 0 "${TAVIK_SCREEN:-1280x1024}x24" -nolisten tcp >/dev/null 2>&1 &
  local pid=$!
  # Ready when a client can connect.
  local i
  for i in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then echo "xvfb.sh: Xvfb $disp did not start" >&2; exit 1; fi
    if DISPLAY="$disp" xdpyinfo >/dev/null 2>&1; then
      echo "$disp $pid" >"$state"
      echo "$disp"
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  echo "xvfb.sh: Xvfb $disp not ready" >&2
  exit 1
}

stop() {
  local state="$1"
  [ -f "$state" ] || return 0
  local disp pid
  read -r disp pid <"$state" || true
  if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    local i
    for i in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$state"
}

case "${1:-}" in
  start) shift; [ $# -ge 1 ] || { echo "usage: xvfb.sh start STATEFILE [:N]" >&2; exit 2; }; start "$@" ;;
  stop) shift; [ $# -ge 1 ] || { echo "usage: xvfb.sh stop STATEFILE" >&2; exit 2; }; stop "$1" ;;
  *) echo "usage: xvfb.sh start STATEFILE [:N] | stop STATEFILE" >&2; exit 2 ;;
esac
