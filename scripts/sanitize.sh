#!/usr/bin/env bash
# Builds everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
# Any finding (memory error, undefined behaviour, leak) fails the test that caused it.
# Usage: scripts/sanitize.sh [BUILD_DIR]   (default build-asan)
set -euo pipefail
dir=${1:-build-asan}
cd "$(dirname "$0")/.."
# Debug: the quickest to compile on a small machine, and assertions stay on.
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
          -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
          -DTARVELO_SANITIZE=ON -DTARVELO_BENCH=OFF
fi
cmake --build "$dir"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
