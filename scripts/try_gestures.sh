#!/usr/bin/env bash
# Drives the program by hand on a virtual X server and takes a screenshot after each mouse gesture:
# zoom frame, X and Y bands, wheel zoom, node selection band, node drag and undo. Not part of test.sh;
# look at the pictures yourself. Needs Xvfb, xdotool and ImageMagick (scripts/deps.sh).
# Usage: scripts/try_gestures.sh [BUILD_DIR] [SHOT_DIR]      (defaults: build, /tmp/shots)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/xvfb_lib.sh
xvfb_setup "${1:-build}" "${2:-/tmp/shots}"
start_on_sample

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
shot 01-opened

# A zoom tool chosen by its key: a drag from (X1, Y1) to (X2, Y2), shot with its cursor while the button
# is held and again after the animated zoom; Escape leaves the tool (the window zoom waits for the next frame).
zoom_drag() { # KEY X1 Y1 X2 Y2 DRAGGING_SHOT CURSOR_SHOT AFTER_SHOT
    key "$1"
    drag_held "$2" "$3" "$4" "$5"
    shot "$6"
    cursor_shot "$7"
    release 1.2
    shot "$8"
    key Escape
}
zoom_drag ctrl+alt+w 200 150 420 330 02-zoom-frame-dragging 02c-cursor-window-zoom 03-after-frame-zoom
zoom_drag ctrl+alt+x 300 200 500 260 04-x-band-dragging 04c-cursor-x-zoom 05-after-x-zoom
zoom_drag ctrl+alt+y 300 150 350 350 06-y-band-dragging 06c-cursor-y-zoom 07-after-y-zoom

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
