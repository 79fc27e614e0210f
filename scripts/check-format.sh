#!/bin/sh
# Fails, naming the places, when a C++ source tracked by git is not formatted
# as .clang-format says; scripts/format.sh mends them.
set -eu
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed (scripts/install-deps.sh)" >&2; exit 1; }
# -z and xargs -0: file names may hold spaces.
if ! git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run -Werror; then
  echo "check-format: the files above differ from .clang-format; run scripts/format.sh" >&2
  exit 1
fi
