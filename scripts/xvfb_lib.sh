# shellcheck shell=bash
# Shell functions for the scripts that drive the program on a virtual X server with xdotool and take
# screenshots with ImageMagick (scripts/deps.sh installs them). Source it from bash, then call
# xvfb_setup BUILD_DIR SHOT_DIR. Mouse positions are relative to the main window.

# Checks the program, makes the picture folder, starts a virtual X server and stops it and the program
# when the script ends. TRY_DISPLAY picks the display (a server already running there is used as it
# is); without it the first free display from :90 on is taken.
xvfb_setup() {
    program="$1/tarvelo"
    shots=$2
    [ -x "$program" ] || { echo "No $program: build it with scripts/build.sh $1 Release tarvelo" >&2; exit 1; }
    mkdir -p "$shots"
    # The program's settings start from the defaults in a folder of this run, not the user's own.
    export XDG_CONFIG_HOME=$shots/config
    rm -rf "$XDG_CONFIG_HOME"
    # So do its recovery files: a run the script ends leaves one that the next run would offer.
    export XDG_STATE_HOME=$shots/state
    rm -rf "$XDG_STATE_HOME"
    xvfb_pid=""
    app_pid=""
    trap xvfb_cleanup EXIT
    if [ -n "${TRY_DISPLAY:-}" ]; then
        export DISPLAY=$TRY_DISPLAY
        xdotool getmouselocation >/dev/null 2>&1 && return
    else
        local n=90
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        export DISPLAY=:$n
    fi
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
}

xvfb_cleanup() {
    if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}

# Waits for a visible window whose title matches, and gives it the keyboard (there is no window manager).
await() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1)
    [ -n "$id" ] || { echo "No window '$1'" >&2; exit 1; }
    xdotool windowfocus --sync "$id"
    echo "$id"
}

# Starts the program on examples/measurement.txt with its graphs added: a text file is not a figure, so
# the script answers "open it as data", adds the graphs and closes the dialog. Sets main (the window)
# and X, Y, WIDTH, HEIGHT (its place), and warns when the window does not have its first size
# (850 x 571), which the fixed mouse positions of the scripts assume.
start_on_sample() {
    "$program" examples/measurement.txt >"$shots/program.log" 2>&1 &
    app_pid=$!
    # A data file named on the command line opens the add-graphs dialog at once.
    await '^Добавление графиков' >/dev/null
    xdotool key Return
    sleep 1
    xdotool key Escape
    main=$(await '^Tarvelo - ')
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$main")"
    echo "Main window ${WIDTH}x${HEIGHT} at $X,$Y"
    [ "$WIDTH" = 850 ] && [ "$HEIGHT" = 571 ] || echo "Warning: window size differs; clicks may miss" >&2
}

# A picture of the main window.
shot() {
    import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$shots/$1.png"
    echo "$shots/$1.png"
}

at() { xdotool mousemove $((X + $1)) $((Y + $2)); }
click_at() {
    at "$1" "$2"
    xdotool click 1
    sleep 0.4
}
# Presses the left button at the first point and moves in steps to the second, keeping it down.
drag_held() {
    local x0=$1 y0=$2 x1=$3 y1=$4 steps=8
    at "$x0" "$y0"
    xdotool mousedown 1
    for i in $(seq $steps); do
        at $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps))
        sleep 0.05
    done
    sleep 0.3
}
release() {
    xdotool mouseup 1
    sleep "${1:-0.5}"
}
key() {
    xdotool key "$1"
    sleep "${2:-0.4}"
}
