#!/bin/sh
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one for
# a bounded time (seconds per target, default 60), seeded from
# tests/fuzz-corpus/<target>/ when that folder exists. An input that runs
# longer than VELNORA_FUZZ_TIMEOUT seconds (default 10) counts as a hang:
# the crowded-fill seeds took 10.6 s and more each before fills were budgeted.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
timeout=${VELNORA_FUZZ_TIMEOUT:-10}
VELNORA_BUILD_DIR=build-fuzz CC=clang CXX=clang++ ./scripts/build.sh -DVELNORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
status=0
for f in build-fuzz/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  seeds=tests/fuzz-corpus/$name
  [ -d "$seeds" ] || seeds=
  echo "fuzzing $name for ${seconds}s"
  if ! QT_QPA_PLATFORM=offscreen "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout="$timeout" \
        -print_final_stats=1 "$work" $seeds >"build-fuzz/$name.log" 2>&1; then
    echo "FUZZER FAILED: $name" >&2
    tail -50 "build-fuzz/$name.log" >&2
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "build-fuzz/$name.log" | tail -2
  fi
done
exit $status
