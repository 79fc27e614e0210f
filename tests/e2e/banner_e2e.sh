#!/bin/sh
# A person makes a banner with the real program under Xvfb: picks a palette
# colour and sets it as the background, picks a text colour, adds a line of
# text and drags it into place, saves the banner with File > Save (bmp) and
# exports it with File > Save As > Gif Format, typing the names into the real
# save dialog; then File > Exit. banner-check reads both files.
# usage: banner_e2e.sh path/to/velnora path/to/banner-check
# With VELNORA_E2E_SHOTS set to a folder, screenshots of each step go there.
set -u
velnora=$1
check=$2
. "$(dirname "$0")/e2e_lib.sh"
e2e_setup

xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  velnora=$1; work=$2; . "$3"
  e2e_start
  shot 01-started

  # Palette box 21 (cyan) as the current colour; Edit > Back Color; a click
  # on the banner applies it.
  palette 21
  menu; xdotool key Right; sleep 0.3; xdotool key Return; sleep 0.3
  xdotool mousemove $((bx + 200)) $((by + 30)) click 1; sleep 0.4
  # Dark red (box 1) for the text.
  palette 1
  shot 02-background

  # "Add Text" is the fourth button of the command toolbar.
  xdotool mousemove $((X + 22)) $((area + 2 + 3 * 41 + 20)) click 1
  dlg=$(timeout 10 xdotool search --sync --onlyvisible --name "^Velnora\$" | head -1)
  [ -n "$dlg" ] || fail "the Add Text input box did not open"
  sleep 0.3
  xdotool type --delay 20 "Spring Sale 2024"; sleep 0.2
  shot 03-input
  xdotool key Return; sleep 0.4
  # Press on the banner, drag the text into place, release to print it.
  xdotool mousemove $((bx + 20)) $((by + 10)) mousedown 1; sleep 0.2
  for step in 1 2 3 4 5; do xdotool mousemove $((bx + 20 + 30 * step)) $((by + 10 + 2 * step)); sleep 0.1; done
  shot 04-dragging
  xdotool mouseup 1; sleep 0.4
  shot 05-placed

  # File > Save (bmp): the third entry of File.
  menu; xdotool key Down Down Down Return
  save_as "$work/banner.bmp" 06-save-bmp
  # File > Save As > Gif Format: the fourth entry opens the submenu.
  menu; xdotool key Down Down Down Down Right; sleep 0.3
  shot 07-gif-menu
  xdotool key Return
  save_as "$work/banner.gif" 08-save-gif
  shot 09-saved

  e2e_exit
' sh "$velnora" "$work" "$(dirname "$0")/e2e_lib.sh" || exit 1

# An independent decoder of its own: ImageMagick sees the same GIF.
identified=$(identify -format "%m %w %h" "$work/banner.gif" 2>&1)
[ "$identified" = "GIF 468 60" ] || { echo "identify: $identified" >&2; exit 1; }
echo "identify: $identified"
# The text was dropped at (170, 20) on the banner.
"$check" "$work/banner.bmp" "$work/banner.gif" 00FFFF 800000 170 20
