#!/usr/bin/env bash
# Builds the desktop program (Release) and starts it with the simulated data service.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target Tidemark2NV
exe=build/release/bin/Tidemark2NV
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting the program inside a virtual X display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x900x24" "$exe"
fi
exec "$exe"
