#!/usr/bin/env bash
# The long form of the autosave kill test: a child that edits and autosaves a figure is killed with
# SIGKILL hundreds of times at random moments, and each next start must find the last complete
# autosave, byte for byte (tests/app/test_autosave_kill.cpp; ./test.sh runs a few kills).
# Usage: scripts/autosave_kill_test.sh [BUILD_DIR] [KILLS]      (defaults: build, 300)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ -x "$build/tests/app/app_tests" ] || { echo "No $build/tests/app/app_tests: build it with scripts/build.sh $build Release app_tests" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen TARVELO_KILL_ROUNDS=${2:-300} \
    "$build/tests/app/app_tests" --gtest_filter='AutosaveKill.*'
