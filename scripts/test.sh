#!/usr/bin/env bash
# Builds everything the tests need (warnings are errors) and runs every test off-screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci -j2
