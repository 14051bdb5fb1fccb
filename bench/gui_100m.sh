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
    # A slow sine with a little noise, and a tenth of pure noise in the middle; the node numbers
    # are its argument.
    /usr/bin/python3 - "$data" <<'PY'
import sys
import numpy as np, scipy.io
n = 100_000_000
rng = np.random.default_rng(5)
y = np.sin(np.arange(n, dtype=np.float64) * 2e-7) + 0.05 * rng.standard_normal(n)
y[n // 2:n // 2 + n // 10] += rng.uniform(-1, 1, n // 10)
scipy.io.savemat(sys.argv[1], {'y': y.reshape(-1, 1)}, do_compression=False)
PY
fi
memory() { grep -E 'VmHWM|VmRSS' "/proc/$app_pid/status" | tr -s ' ' | tr '\n' ' '; echo; }

# Waits until the program has used no processor time for two seconds.
settle_busy() {
    local before now
    before=$(awk '{print $14 + $15}' "/proc/$app_pid/stat")
    while sleep 2; do
        now=$(awk '{print $14 + $15}' "/proc/$app_pid/stat")
        [ "$now" = "$before" ] && return
        before=$now
    done
}
elapsed() { echo "$(date +%s.%N) - $start" | bc; }

start=$(date +%s.%N)
"$program" "$data" >"$shots/program.log" 2>&1 &
app_pid=$!
dialog=$(await '^Добавление графиков')
settle_busy
echo "File read, add-graphs dialog idle after $(elapsed) s; memory: $(memory)"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
# "Добавить" and "Закрыть" at the dialog's bottom right (its first size, 980 x 700).
xdotool mousemove $((X + WIDTH - 138)) $((Y + HEIGHT - 23)) click 1
settle_busy
echo "Graph added after $(elapsed) s; memory: $(memory)"
xdotool mousemove $((X + WIDTH - 52)) $((Y + HEIGHT - 23)) click 1
main=$(await '^Tarvelo - ')
eval "$(xdotool getwindowgeometry --shell "$main")"
settle_busy
shot 01-whole-curve
for step in $(seq 8); do
    at 430 200
    xdotool click 4
    sleep 0.5
done
shot 02-wheel-in
drag_held 500 300 300 300
release
shot 03-panned
for step in $(seq 30); do
    at 300 200
    xdotool click 4
    sleep 0.3
done
shot 04-single-nodes
key ctrl+r 2
shot 05-whole-again
echo "Memory at the end: $(memory)"
