#!/bin/sh
# check-man.sh PAGE: formats a manual page with every warning on; fails on
# any warning or when the page does not format.
set -eu
page=$1
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$page" 2>&1 >/dev/null) || {
  echo "$page: man failed: $warnings" >&2
  exit 1
}
if [ -n "$warnings" ]; then
  printf '%s: %s\n' "$page" "$warnings" >&2
  exit 1
fi
