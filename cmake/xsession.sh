#!/usr/bin/env bash
# A virtual display with a window manager, shared by the tests of one run.
#   xsession.sh start STATE        starts Xvfb on a display number the server picks itself and
#                                  openbox on it, and writes DISPLAY and both process ids to STATE
#   xsession.sh stop STATE         stops both by their process ids
#   xsession.sh run STATE CMD...   runs CMD with the session's DISPLAY
# A window manager is what gives windows the focus and activation a user's desktop does; without
# one, a program under Xvfb never sees its windows activated the way a user sees them.
set -euo pipefail

action=$1
state=$2
shift 2

stop() {
  [ -f "$state" ] || return 0
  # shellcheck disable=SC1090
  . "$state"
  for pid in ${XSESSION_WM_PID:-} ${XSESSION_XVFB_PID:-}; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
  done
  rm -f "$state"
}

case "$action" in
  stop)
    stop
    exit 0
    ;;
  run)
    if [ ! -f "$state" ]; then
      echo "xsession: no session is running ($state is missing)" >&2
      exit 1
    fi
    # shellcheck disable=SC1090
    . "$state"
    export DISPLAY=$XSESSION_DISPLAY QT_QPA_PLATFORM=xcb
    exec "$@"
    ;;
  start) ;;
  *)
    echo "usage: xsession.sh start|stop|run STATE [CMD...]" >&2
    exit 2
    ;;
esac

stop
log=${state%.env}.log
: > "$log"
# Xvfb writes the display number it took to the pipe, so two runs never fight over one.
fifo=$(mktemp -u /tmp/orvane-xsession.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1400x900x24 3>"$fifo" >>"$log" 2>&1 &
xvfb=$!
number=""
read -r -t 20 number <"$fifo" || true
rm -f "$fifo"
if [ -z "$number" ]; then
  kill "$xvfb" 2>/dev/null || true
  echo "xsession: Xvfb did not start; see $log" >&2
  exit 1
fi
display=":$number"
printf 'XSESSION_DISPLAY=%s\nXSESSION_XVFB_PID=%s\n' "$display" "$xvfb" > "$state"

DISPLAY=$display openbox --sm-disable >>"$log" 2>&1 &
wm=$!
printf 'XSESSION_WM_PID=%s\n' "$wm" >> "$state"
for _ in $(seq 100); do
  kill -0 "$wm" 2>/dev/null || break
  if DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    exit 0
  fi
  sleep 0.1
done
echo "xsession: openbox did not start; see $log" >&2
stop
exit 1
