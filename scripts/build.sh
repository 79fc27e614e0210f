#!/bin/sh
# Configures and builds into build/ (or $VELNORA_BUILD_DIR). Extra arguments go to cmake.
# VELNORA_WERROR=ON (as CI sets it) makes compiler warnings errors.
set -eu
cd "$(dirname "$0")/.."
dir=${VELNORA_BUILD_DIR:-build}
cmake -S . -B "$dir" -G Ninja "-DVELNORA_WERROR=${VELNORA_WERROR:-OFF}" "$@" >/dev/null
cmake --build "$dir" -j "${VELNORA_JOBS:-2}"
