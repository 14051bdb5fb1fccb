#!/usr/bin/env bash
# Configures (once) and builds the project. Usage: scripts/build.sh BUILD_DIR BUILD_TYPE [targets...]
set -euo pipefail
dir=${1:-build}
type=${2:-Release}
shift $(( $# >= 2 ? 2 : $# ))
cd "$(dirname "$0")/.."
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type"
fi
if (($#)); then
    cmake --build "$dir" --target "$@"
else
    cmake --build "$dir"
fi
