#!/bin/sh
# Installs every Debian package that building, testing, fuzzing and benchmarking need.
# Works as root, or through sudo for anyone else. Safe to run again.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libgif-dev libuemf-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  xvfb xauth xdotool imagemagick x11-utils
  fonts-dejavu-core fonts-liberation fonts-urw-base35 fonts-droid-fallback
  time valgrind
  desktop-file-utils appstream man-db groff-base lintian dpkg-dev file dex
"

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "install-deps: run as root or install sudo" >&2
  exit 1
fi

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
