#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test without a display.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh build Release
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)"
