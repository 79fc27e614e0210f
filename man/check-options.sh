#!/bin/sh
# check-options.sh PROGRAM PAGE: every long option PROGRAM --help lists
# must appear in PAGE, as does --version.
set -eu
program=$1
page=$2
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
missing=""
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u) --version; do
  printf '%s\n' "$text" | grep -q -- "$option" || missing="$missing $option"
done
if [ -n "$missing" ]; then
  echo "$page lacks:$missing" >&2
  exit 1
fi
