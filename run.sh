#!/usr/bin/env bash
# Installs what is missing, builds a Release and starts Tarvelo. Usage: ./run.sh [file]
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh build Release tarvelo
exec build/tarvelo "$@"
