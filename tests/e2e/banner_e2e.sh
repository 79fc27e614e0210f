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
if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null || ! command -v import >/dev/null; then
  echo "xvfb-run, xdotool and imagemagick are needed (scripts/install-deps.sh)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A registry of its own: the program registers the control library installed
# beside it, as on a fresh install.
export VELNORA_REGISTRY="$work/registry.reg"
export VELNORA_E2E_SHOTS="${VELNORA_E2E_SHOTS:-}"

xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  velnora=$1; work=$2
  shot() { [ -n "$VELNORA_E2E_SHOTS" ] && import -window root "$VELNORA_E2E_SHOTS/$1.png"; true; }
  fail() { echo "$1" >&2; shot failure; kill $pid 2>/dev/null; exit 1; }
  "$velnora" & pid=$!
  win=$(timeout 15 xdotool search --sync --onlyvisible --name "^   Velnora\$" | head -1)
  [ -n "$win" ] || fail "main window never showed"
  eval $(xdotool getwindowgeometry --shell "$win")
  sleep 0.7
  shot 01-started

  # Layout, from the bottom and the left, so the menu bar height does not
  # matter: status bar 25 px, palette toolbar 45 px above it; palette box i
  # at (80 + 16 (i mod 14), 8 + 16 (i div 14)) in that toolbar, 17 px wide.
  bar=$((Y + HEIGHT - 25 - 45))
  palette() { xdotool mousemove $((X + 88 + 16 * ($1 % 14))) $((bar + 16 + 16 * ($1 / 14))) click 1; sleep 0.3; }
  menu() { xdotool mousemove $((X + 18)) $((Y + 8)) click 1; sleep 0.4; }
  # The work area (631 x 359 at the design size) ends at the palette
  # toolbar; the command toolbar runs beside it from the same top.
  area=$((bar - 359))
  # The banner: 468 x 60, centred in the work area at start-up.
  bx=$((X + 45 + 82)); by=$((area + 150))

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
  # File > Save (bmp): the third entry of File.
  menu; xdotool key Down Down Down Return
  save_as "$work/banner.bmp" 06-save-bmp
  # File > Save As > Gif Format: the fourth entry opens the submenu.
  menu; xdotool key Down Down Down Down Right; sleep 0.3
  shot 07-gif-menu
  xdotool key Return
  save_as "$work/banner.gif" 08-save-gif
  shot 09-saved

  # File > Exit, the last entry.
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

# An independent decoder of its own: ImageMagick sees the same GIF.
identified=$(identify -format "%m %w %h" "$work/banner.gif" 2>&1)
[ "$identified" = "GIF 468 60" ] || { echo "identify: $identified" >&2; exit 1; }
echo "identify: $identified"
# The text was dropped at (170, 20) on the banner.
"$check" "$work/banner.bmp" "$work/banner.gif" 00FFFF 800000 170 20
