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
# Records the system information tool (if one is installed) for
# Help > About Velnora > System Info.
build/bin/velnora-install >/dev/null || true
exec build/bin/velnora
