#!/bin/sh
# A person opens Web > Export for Web... in the real program under Xvfb,
# exports the banner from that window through the real save dialog, closes
# the window, and exports the same banner with File > Save As > Gif Format.
# With the window's defaults the two files must be the same bytes; an
# independent decoder must read the first as a 468 x 60 GIF.
# usage: web_export_e2e.sh path/to/velnora
# With VELNORA_E2E_SHOTS set to a folder, screenshots of each step go there.
set -u
velnora=$1
if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null || ! command -v import >/dev/null; then
  echo "xvfb-run, xdotool and imagemagick are needed (scripts/install-deps.sh)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELNORA_REGISTRY="$work/registry.reg"
export VELNORA_E2E_SHOTS="${VELNORA_E2E_SHOTS:-}"

xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  velnora=$1; work=$2
  shot() { [ -n "$VELNORA_E2E_SHOTS" ] && import -window root "$VELNORA_E2E_SHOTS/$1.png"; true; }
  fail() { echo "$1" >&2; shot failure; kill $pid 2>/dev/null; exit 1; }
  "$velnora" & pid=$!
  win=$(timeout 15 xdotool search --sync --onlyvisible --name "^   Velnora\$" | head -1)
  [ -n "$win" ] || fail "main window never showed"
  eval $(xdotool getwindowgeometry --shell "$win")
  sleep 0.7
  bar=$((Y + HEIGHT - 25 - 45))
  palette() { xdotool mousemove $((X + 88 + 16 * ($1 % 14))) $((bar + 16 + 16 * ($1 / 14))) click 1; sleep 0.3; }
  menu() { xdotool mousemove $((X + 18)) $((Y + 8)) click 1; sleep 0.4; }
  area=$((bar - 359))
  bx=$((X + 45 + 82)); by=$((area + 150))

  # A dark blue banner (box 6) with a line of yellow (box 18) text.
  palette 6
  menu; xdotool key Right; sleep 0.3; xdotool key Return; sleep 0.3
  xdotool mousemove $((bx + 200)) $((by + 30)) click 1; sleep 0.4
  palette 18
  xdotool mousemove $((X + 22)) $((area + 2 + 3 * 41 + 20)) click 1
  dlg=$(timeout 10 xdotool search --sync --onlyvisible --name "^Velnora\$" | head -1)
  [ -n "$dlg" ] || fail "the Add Text input box did not open"
  sleep 0.3
  xdotool type --delay 20 "Web Sale"; xdotool key Return; sleep 0.4
  xdotool mousemove $((bx + 20)) $((by + 10)) mousedown 1; sleep 0.2
  xdotool mousemove $((bx + 60)) $((by + 14)); sleep 0.2
  xdotool mouseup 1; sleep 0.4
  shot 01-banner

  # Web is the third menu: from File, two steps right; its one entry comes
  # up selected.
  menu; xdotool key Right Right; sleep 0.4
  shot 02-web-menu
  xdotool key Return
  web=$(timeout 10 xdotool search --sync --onlyvisible --name "^Export for Web\$" | head -1)
  [ -n "$web" ] || fail "the Export for Web window did not open"
  sleep 1.5
  shot 03-window
  xdotool windowfocus --sync "$web" 2>/dev/null; sleep 0.3
  xdotool key alt+e
  save_as() { # $1: the name to type into the save dialog
    d=$(timeout 10 xdotool search --sync --onlyvisible --name "^Save As\$" | head -1)
    [ -n "$d" ] || fail "the save dialog did not open"
    sleep 0.5
    xdotool key ctrl+a; xdotool type --delay 10 "$1"; sleep 0.2
    shot "$2"
    xdotool key Return
    for i in $(seq 1 50); do [ -s "$1" ] && break; sleep 0.1; done
    [ -s "$1" ] || fail "$1 was not written"
    sleep 0.3
  }
  save_as "$work/web.gif" 04-save-web
  shot 05-exported
  # Escape closes the window; the main window is still there.
  xdotool windowfocus --sync "$web" 2>/dev/null; xdotool key Escape; sleep 0.4
  xdotool search --onlyvisible --name "^Export for Web\$" >/dev/null && fail "Escape left the window open"
  menu; xdotool key Down Down Down Down Right; sleep 0.3; xdotool key Return
  save_as "$work/control.gif" 06-save-control

  menu; xdotool key Up Return
  for i in $(seq 1 50); do
    if ! kill -0 $pid 2>/dev/null; then
      wait $pid; code=$?
      [ $code -eq 0 ] || { echo "velnora ended with code $code" >&2; exit 1; }
      exit 0
    fi
    sleep 0.1
  done
  fail "velnora still running 5 s after Exit"
' sh "$velnora" "$work" || exit 1

identified=$(identify -format "%m %w %h" "$work/web.gif" 2>&1)
[ "$identified" = "GIF 468 60" ] || { echo "identify: $identified" >&2; exit 1; }
echo "identify: $identified"
cmp "$work/web.gif" "$work/control.gif" || { echo "the window's export differs from File > Save As > Gif Format" >&2; exit 1; }
echo "web.gif and control.gif: $(wc -c < "$work/web.gif") bytes, identical"
