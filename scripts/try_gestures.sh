#!/usr/bin/env bash
# Drives the program by hand on a virtual X server and takes a screenshot after each mouse gesture:
# zoom frame, X and Y bands, wheel zoom, node selection band, node drag and undo. Not part of test.sh;
# look at the pictures yourself. Needs Xvfb, xdotool and ImageMagick (scripts/deps.sh).
# Usage: scripts/try_gestures.sh [BUILD_DIR] [SHOT_DIR]      (defaults: build, /tmp/shots)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shots=${2:-/tmp/shots}
program="$build/tarvelo"
[ -x "$program" ] || { echo "No $program: build it with scripts/build.sh $build Release tarvelo" >&2; exit 1; }
mkdir -p "$shots"
export DISPLAY=${TRY_DISPLAY:-:97}

xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# A server already on the display is used as it is.
if ! xdotool getmouselocation >/dev/null 2>&1; then
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
fi

# Waits for a visible window whose title matches, and gives it the keyboard (there is no window manager).
await() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1)
    [ -n "$id" ] || { echo "No window '$1'" >&2; exit 1; }
    xdotool windowfocus --sync "$id"
    echo "$id"
}

"$program" examples/measurement.txt >"$shots/program.log" 2>&1 &
app_pid=$!

# A text file is not a figure: answer "open it as data", add its graphs, close the dialog.
await '^Внимание$' >/dev/null
xdotool key Return
await '^Добавление графиков' >/dev/null
xdotool key Return
sleep 1
xdotool key Escape
main=$(await '^Tarvelo - ')
sleep 1
eval "$(xdotool getwindowgeometry --shell "$main")" # X, Y, WIDTH, HEIGHT
echo "Main window ${WIDTH}x${HEIGHT} at $X,$Y"
# The tool-bar places below are those of the window's first size (850 x 571).
[ "$WIDTH" = 850 ] && [ "$HEIGHT" = 571 ] || echo "Warning: window size differs; clicks may miss" >&2

shot() {
    import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$shots/$1.png"
    echo "$shots/$1.png"
}
# The X server's current cursor, as the user sees it, over grey and four times enlarged (import leaves
# the cursor out of its pictures). Prints its size and hot spot.
cursor_shot() {
    python3 - "$shots/cursor.pam" <<'PY'
import ctypes, sys
x11 = ctypes.CDLL('libX11.so.6')
xfixes = ctypes.CDLL('libXfixes.so.3')
class CursorImage(ctypes.Structure):
    _fields_ = [('x', ctypes.c_short), ('y', ctypes.c_short), ('width', ctypes.c_ushort),
                ('height', ctypes.c_ushort), ('xhot', ctypes.c_ushort), ('yhot', ctypes.c_ushort),
                ('cursor_serial', ctypes.c_ulong), ('pixels', ctypes.POINTER(ctypes.c_ulong)),
                ('atom', ctypes.c_ulong), ('name', ctypes.c_char_p)]
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
image = xfixes.XFixesGetCursorImage(x11.XOpenDisplay(None)).contents
w, h = image.width, image.height
with open(sys.argv[1], 'wb') as out:
    out.write(b'P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n' % (w, h))
    for i in range(w * h):
        p = image.pixels[i] & 0xFFFFFFFF
        a = p >> 24
        rgb = [(p >> s) & 255 for s in (16, 8, 0)]
        if a:  # the server keeps premultiplied colours
            rgb = [min(255, c * 255 // a) for c in rgb]
        out.write(bytes(rgb + [a]))
print(f"cursor {w}x{h}, hot spot {image.xhot},{image.yhot}")
PY
    convert "$shots/cursor.pam" -background '#808080' -flatten -scale 400% "$shots/$1.png"
    rm -f "$shots/cursor.pam"
    echo "$shots/$1.png"
}
# Mouse positions are relative to the main window.
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

shot 01-opened

key ctrl+alt+w
drag_held 200 150 420 330
shot 02-zoom-frame-dragging
cursor_shot 02c-cursor-window-zoom
release 1.2 # the frame zoom animates
shot 03-after-frame-zoom
key Escape # the window zoom waits for the next frame

key ctrl+alt+x
drag_held 300 200 500 260
shot 04-x-band-dragging
cursor_shot 04c-cursor-x-zoom
release 1.2
shot 05-after-x-zoom
key Escape

key ctrl+alt+y
drag_held 300 150 350 350
shot 06-y-band-dragging
cursor_shot 06c-cursor-y-zoom
release 1.2
shot 07-after-y-zoom
key Escape

key ctrl+r 1.5 # back to the whole figure
at 160 120
for _ in 1 2 3; do
    xdotool click 4
    sleep 0.2
done
sleep 0.3
shot 08-after-wheel-zoom
cursor_shot 08c-cursor-ordinary
key ctrl+r 1.5

# A move drag and, with Alt, a zoom drag show their tool cursors while the button is down.
drag_held 300 300 330 300
cursor_shot 08d-cursor-move-drag
release
xdotool keydown alt
drag_held 300 300 310 300
cursor_shot 08e-cursor-zoom-drag
release
xdotool keyup alt
key ctrl+r 1.5

# Node work: tool-bar button, the first graph's status-bar swatch selects it, then the node tool bar
# along the right edge: select (first button) and move (third).
click_at 619 35
click_at 490 561
node_bar_x=$((WIDTH - 18))
click_at $node_bar_x 67
drag_held 120 100 186 154 # round the first crest of the orange curve
shot 09-node-band-dragging
cursor_shot 09c-cursor-select-nodes
release
shot 10-nodes-selected
click_at $node_bar_x 118
drag_held 158 120 170 60 # grab the crest
release
shot 11-after-node-move
key ctrl+alt+z 0.7
shot 12-after-undo
click_at $node_bar_x 172
at 400 300
cursor_shot 12c-cursor-delete-nodes
