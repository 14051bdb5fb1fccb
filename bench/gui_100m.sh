#!/usr/bin/env bash
# Opens a 100M-node graph in the program on a virtual X server, zooms and pans it with the mouse and
# takes a screenshot after each step; prints the load time and the program's memory. Not part of
# test.sh; look at the pictures. Needs Xvfb, xdotool, ImageMagick and python3 with numpy and scipy.
# Usage: bench/gui_100m.sh [BUILD_DIR] [SHOT_DIR]      (defaults: build, /tmp/shots-100m)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/xvfb_lib.sh
xvfb_setup "${1:-build}" "${2:-/tmp/shots-100m}"
data=$shots/curve-100m.mat
if [ ! -f "$data" ]; then
    # A slow sine with a little noise, and a tenth of pure noise in the middle.
    /usr/bin/python3 - "$data" <<'PY'
import sys
import numpy as np, scipy.io
n = 100_000_000
t = np.arange(n, dtype=np.float64) * 1e-3
rng = np.random.default_rng(5)
y = np.sin(t * 2e-4) + 0.05 * rng.standard_normal(n)
y[n // 2:n // 2 + n // 10] += rng.uniform(-1, 1, n // 10)
scipy.io.savemat(sys.argv[1], {'t': t.reshape(-1, 1), 'y': y.reshape(-1, 1)}, do_compression=False)
PY
fi
memory() { grep -E 'VmHWM|VmRSS' "/proc/$app_pid/status" | tr -s ' ' | tr '\n' ' '; echo; }

start=$(date +%s.%N)
"$program" "$data" >"$shots/program.log" 2>&1 &
app_pid=$!
await '^Добавление графиков' >/dev/null
echo "Add-graphs dialog after $(echo "$(date +%s.%N) - $start" | bc) s"
xdotool key Return
main=$(await '^Tarvelo - ')
eval "$(xdotool getwindowgeometry --shell "$main")"
# The graph is there once the program answers again.
xdotool key Escape
sleep 0.5
echo "Graph shown after $(echo "$(date +%s.%N) - $start" | bc) s; memory: $(memory)"
shot 01-whole-curve
for step in 1 2 3 4 5 6; do
    at 420 250
    xdotool click 4
    sleep 0.4
    shot "02-wheel-in-$step"
done
drag_held 500 300 300 300
release
shot 03-panned
key ctrl+r 2
shot 04-whole-again
echo "Memory at the end: $(memory)"
