#!/bin/sh
# Builds and runs the whole test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-asan/.
set -eu
cd "$(dirname "$0")/.."
VELNORA_BUILD_DIR=build-asan ./scripts/build.sh -DVELNORA_SANITIZE=ON -DVELNORA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
cd build-asan
# Qt's own libraries are not instrumented; leaks inside them are not ours.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j "${VELNORA_JOBS:-2}" -E '^e2e'
