# Sourced by the end-to-end scripts: once outside the X server to set up,
# and again inside xvfb-run's shell for the steps a person takes.

# Outside: the tools, a work folder removed on exit, and a registry of its
# own, so the program registers the control library installed beside it, as
# on a fresh install.
e2e_setup() {
  if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null || ! command -v import >/dev/null; then
    echo "xvfb-run, xdotool and imagemagick are needed (scripts/install-deps.sh)" >&2
    exit 1
  fi
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  export VELNORA_REGISTRY="$work/registry.reg"
  export VELNORA_E2E_SHOTS="${VELNORA_E2E_SHOTS:-}"
}

# Inside: screenshots on request, and failures that leave one behind.
shot() { [ -n "$VELNORA_E2E_SHOTS" ] && import -window root "$VELNORA_E2E_SHOTS/$1.png"; true; }
fail() { echo "$1" >&2; shot failure; kill $pid 2>/dev/null; exit 1; }

# Starts the editor ($velnora) and works out where things are. Layout, from
# the bottom and the left, so the menu bar height does not matter: status bar
# 25 px, palette toolbar 45 px above it; palette box i at (80 + 16 (i mod 14),
# 8 + 16 (i div 14)) in that toolbar, 17 px wide. The work area (631 x 359 at
# the design size) ends at the palette toolbar; the command toolbar runs
# beside it from the same top. The banner, 468 x 60, is centred in the work
# area at start-up: its top left is (bx, by).
e2e_start() {
  "$velnora" & pid=$!
  win=$(timeout 15 xdotool search --sync --onlyvisible --name "^   Velnora\$" | head -1)
  [ -n "$win" ] || fail "main window never showed"
  eval $(xdotool getwindowgeometry --shell "$win")
  sleep 0.7
  bar=$((Y + HEIGHT - 25 - 45))
  area=$((bar - 359))
  bx=$((X + 45 + 82)); by=$((area + 150))
}
palette() { xdotool mousemove $((X + 88 + 16 * ($1 % 14))) $((bar + 16 + 16 * ($1 / 14))) click 1; sleep 0.3; }
menu() { xdotool mousemove $((X + 18)) $((Y + 8)) click 1; sleep 0.4; }

# Types $1 into the save dialog that is opening, shot $2, and waits for the file.
save_as() {
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

# File > Exit, the last entry; the program must end, and end well, within 5 s.
e2e_exit() {
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
}
