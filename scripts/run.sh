#!/bin/sh
# Installs what is needed, builds, and starts the editor.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
if [ -x build/bin/velnora-regsvr ] && [ -f build/bin/libpictaf.so ]; then
  # Registers the conversion control so the editor can create it. A failure
  # (say, a damaged registry file) is reported, and the editor still starts:
  # it explains at GIF export why the control is unavailable.
  build/bin/velnora-regsvr build/bin/libpictaf.so >/dev/null ||
    echo "run.sh: could not register build/bin/libpictaf.so; GIF export will be unavailable" >&2
fi
# Records the system information tool (if one is installed) for
# Help > About Velnora > System Info.
build/bin/velnora-install >/dev/null || true
exec build/bin/velnora
