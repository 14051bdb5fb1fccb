#!/usr/bin/env bash
# Kills the program (SIGKILL) at random moments while it saves a large figure over an existing one,
# again and again. After every kill the target must be the old figure or the new one, complete, and
# no temporary file of the save may be left beside it.
# Usage: scripts/save_kill_test.sh TARVELO [KILLS=300] [ROWS=2000000]
# The save is the headless `--export=OUT.tvq` of a figure of ROWS nodes; ./test.sh runs a short form.
set -euo pipefail
program=$(realpath "$1")
kills=${2:-300}
rows=${3:-2000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

awk -v n="$rows" 'BEGIN { srand(29); for (i = 0; i < n; i++) printf "%d %.15f\n", i, rand() }' >big.txt
printf '0 1\n1 4\n2 9\n' >small.txt
"$program" --export=big.tvq big.txt # the input of every save: a figure opens fastest
"$program" --export=old.tvq small.txt
"$program" --export=new.tvq big.tvq # what a save that is not interrupted writes

# The header's first 255 bytes hold the time of writing; everything after them is the figure.
same_figure() { cmp -s -i 255 "$1" "$2" && [ "$(head -c 21 "$1")" = "TARVELO 1.0 QVF-file." ]; }

# The slowest of three runs that are not interrupted: the machine may be busy with other work.
duration_ms=1
for _ in 1 2 3; do
    start=$(date +%s%N)
    "$program" --export=target.tvq big.tvq
    elapsed_ms=$((($(date +%s%N) - start) / 1000000))
    if ((elapsed_ms > duration_ms)); then duration_ms=$elapsed_ms; fi
    same_figure target.tvq new.tvq || { echo "FAILED: two saves of one figure differ"; exit 1; }
done

random_upto() { echo $(((RANDOM * 32768 + RANDOM) % ($1 + 1))); }
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }
# The bytes the process has written so far (its only output is the figure file), without starting
# a process: polled in a tight loop.
written_bytes() {
    written=-1
    local key value
    { while read -r key value; do
        if [[ $key == wchar: ]]; then written=$value; break; fi
    done <"/proc/$1/io"; } 2>/dev/null || true
}
file_size=$(stat -c %s new.tvq)

kept_old=0 got_new=0 writing=0
for ((k = 1; k <= kills; k++)); do
    cp old.tvq target.tvq
    "$program" --export=target.tvq big.tvq &
    pid=$!
    if ((k % 2)); then
        # Anywhere from the start to the end of the slowest uninterrupted run.
        sleep_ms "$(random_upto "$duration_ms")"
    else
        # Into the writing of the file: as soon as a random part of it has been written.
        part=$(random_upto "$file_size")
        deadline=$((SECONDS + 2 * duration_ms / 1000 + 2))
        written_bytes "$pid"
        while ((written < part && written >= 0 && SECONDS < deadline)); do written_bytes "$pid"; done
    fi
    written_bytes "$pid"
    if ((written > 0 && written < file_size)); then writing=$((writing + 1)); fi
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if same_figure target.tvq old.tvq; then
        kept_old=$((kept_old + 1))
    elif same_figure target.tvq new.tvq; then
        got_new=$((got_new + 1))
    else
        echo "FAILED: kill $k left a target that is neither figure"
        exit 1
    fi
    leftovers=$(ls -A | grep -Exv 'big\.txt|small\.txt|big\.tvq|old\.tvq|new\.tvq|target\.tvq' || true)
    if [ -n "$leftovers" ]; then
        echo "FAILED: kill $k left behind: $leftovers"
        exit 1
    fi
done
echo "$kills kills during runs of up to $duration_ms ms ($writing while the file was written):" \
    "$kept_old kept the old figure, $got_new have the new one"
