#!/bin/sh
# Runs clang-tidy with the checks of .clang-tidy over every source of the
# build in build/ (or $VELNORA_BUILD_DIR), which scripts/build.sh configures
# with a compilation database. Extra arguments narrow the run to the sources
# whose path matches them (regular expressions), e.g. scripts/tidy.sh /editor/
# Run it after a build: the sources include Qt's generated files. Fails when
# anything is found; the findings are in $dir/tidy.log, each header's once.
set -eu
cd "$(dirname "$0")/.."
dir=${VELNORA_BUILD_DIR:-build}
[ -f "$dir/compile_commands.json" ] || ./scripts/build.sh
# The database holds GCC's options; clang-tidy parses with clang, which does
# not know all of GCC's warnings. Qt's generated sources are not ours.
[ $# -gt 0 ] || set -- '^((?!_autogen/).)*$'
run-clang-tidy -quiet -p "$dir" -j "${VELNORA_JOBS:-2}" -extra-arg=-Wno-unknown-warning-option "$@" >"$dir/tidy.log" 2>&1 || true
# A header's findings come once for every source that includes it.
sed 's/\x1b\[[0-9;]*m//g' "$dir/tidy.log" | grep -E ': (warning|error): .*\[[a-z0-9.,-]+\]$' | sort -u >"$dir/tidy-findings.txt" || true
found=$(wc -l <"$dir/tidy-findings.txt")
if [ "$found" -ne 0 ]; then
  cat "$dir/tidy-findings.txt" >&2
  echo "tidy: $found findings (all in $dir/tidy.log)" >&2
  exit 1
fi
echo "tidy: nothing found"
