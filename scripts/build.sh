#!/usr/bin/env bash
# Configures and builds the project. Usage: scripts/build.sh BUILD_DIR BUILD_TYPE [targets...]
# A build folder configured for another build type is configured again for the one asked for.
set -euo pipefail
dir=${1:-build}
type=${2:-Release}
shift $(( $# >= 2 ? 2 : $# ))
cd "$(dirname "$0")/.."
configured=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$dir/CMakeCache.txt" 2>/dev/null || true)
if [ ! -f "$dir/build.ninja" ] || [ "$configured" != "$type" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type"
fi
if (($#)); then
    cmake --build "$dir" --target "$@"
else
    cmake --build "$dir"
fi
