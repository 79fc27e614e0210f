#!/bin/sh
# Runs the real program under Xvfb, opens the help window through the menus
# and chooses File > Exit: the process must end by itself, at once, with
# success, although another top-level window is showing.
# usage: exit_e2e.sh path/to/velnora
set -u
velnora=$1
if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "xvfb-run and xdotool are needed (scripts/install-deps.sh)" >&2
  exit 1
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  velnora=$1
  "$velnora" & pid=$!
  win=$(timeout 15 xdotool search --sync --onlyvisible --name "^   Velnora\$" | head -1)
  if [ -z "$win" ]; then echo "main window never showed" >&2; kill $pid; exit 1; fi
  eval $(xdotool getwindowgeometry --shell "$win")
  sleep 0.5
  # Help is the last menu: open File, step left (wrapping) to Help, its first entry comes up selected.
  xdotool mousemove $((X + 18)) $((Y + 8)) click 1; sleep 0.4
  xdotool key Left; sleep 0.3; xdotool key Return; sleep 0.5
  if ! xdotool search --onlyvisible --name "^Velnora Help\$" >/dev/null; then
    echo "help window did not open" >&2; kill $pid; exit 1
  fi
  # Exit is the last entry of File.
  xdotool mousemove $((X + 18)) $((Y + 8)) click 1; sleep 0.4
  xdotool key Up Return
  for i in $(seq 1 50); do
    if ! kill -0 $pid 2>/dev/null; then
      wait $pid; code=$?
      echo "velnora ended with code $code"
      [ $code -eq 0 ] && exit 0 || exit 1
    fi
    sleep 0.1
  done
  echo "velnora still running 5 s after Exit" >&2
  kill $pid
  exit 1
' sh "$velnora"
