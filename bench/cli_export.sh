#!/bin/sh
# Wall time and peak memory of a whole headless export: a measurement of ROWS rows (time, two
# signals) plotted as column 2 against column 1 into a 1200x800 PNG.
#   bench/cli_export.sh [BUILD_DIR] [ROWS...]     (defaults: build, 1000000 10000000)
set -e
build=${1:-build}
[ $# -gt 0 ] && shift
rows=${*:-1000000 10000000}
for n in $rows; do
    data=/tmp/tarvelo_measurement_$n.txt
    [ -f "$data" ] || "$build/bench/bench_files" --measurement "$data" "$n"
    cat "$data" >/dev/null # the file comes from the page cache, as a file just written would
    for run in 1 2 3; do
        /usr/bin/time -f "$n rows: %e s wall, %U s user, %S s system, peak %M KB" \
            "$build/tarvelo" --export=/tmp/tarvelo_measurement_$n.png --size=1200x800 --columns=1:2 \
            "$data" 2>&1 | grep rows:
    done
done
