#!/bin/sh
# Installs what is needed, builds, and starts the editor.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
if [ -x build/bin/velnora-regsvr ] && [ -f build/bin/libpictaf.so ]; then
  # Registers the conversion control so the editor can create it.
  build/bin/velnora-regsvr build/bin/libpictaf.so >/dev/null
fi
exec build/bin/velnora
