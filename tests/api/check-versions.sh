#!/bin/sh
# check-versions.sh VERSION PROGRAM...: each PROGRAM --version prints its own
# name and VERSION, and nothing else, without a display.
set -eu
want=$1
shift
status=0
for program in "$@"; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version)
  name=$(basename "$program")
  if [ "$got" != "$name $want" ]; then
    echo "$program --version said '$got', wanted '$name $want'" >&2
    status=1
  fi
done
exit $status
