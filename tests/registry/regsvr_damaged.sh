#!/bin/sh
# velnora-regsvr over a damaged registry: it fails, says what is wrong with
# the file exactly once, and leaves the file as it was.
set -eu
regsvr=$1
library=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'REGEDIT4\n[HKEY_CURRENT_USER\\Broken\n' >"$dir/registry.reg"
cp "$dir/registry.reg" "$dir/before"
if VELNORA_REGISTRY="$dir/registry.reg" "$regsvr" "$library" >"$dir/out" 2>"$dir/err"; then
  echo "registration succeeded over a damaged registry"
  exit 1
fi
cat "$dir/err"
told=$(grep -c "$dir/registry.reg" "$dir/err" || true)
if [ "$told" -ne 1 ]; then
  echo "the registry's problem was told $told times"
  exit 1
fi
cmp "$dir/before" "$dir/registry.reg"
