#!/bin/sh
# Formats every C++ source tracked by git in place, as .clang-format says.
set -eu
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format -i
