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
. "$(dirname "$0")/e2e_lib.sh"
e2e_setup

xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  velnora=$1; work=$2; . "$3"
  e2e_start

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
  save_as "$work/web.gif" 04-save-web
  shot 05-exported
  # Escape closes the window; the main window is still there.
  xdotool windowfocus --sync "$web" 2>/dev/null; xdotool key Escape; sleep 0.4
  xdotool search --onlyvisible --name "^Export for Web\$" >/dev/null && fail "Escape left the window open"
  menu; xdotool key Down Down Down Down Right; sleep 0.3; xdotool key Return
  save_as "$work/control.gif" 06-save-control

  e2e_exit
' sh "$velnora" "$work" "$(dirname "$0")/e2e_lib.sh" || exit 1

identified=$(identify -format "%m %w %h" "$work/web.gif" 2>&1)
[ "$identified" = "GIF 468 60" ] || { echo "identify: $identified" >&2; exit 1; }
echo "identify: $identified"
cmp "$work/web.gif" "$work/control.gif" || { echo "the window's export differs from File > Save As > Gif Format" >&2; exit 1; }
echo "web.gif and control.gif: $(wc -c < "$work/web.gif") bytes, identical"
