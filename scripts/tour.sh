#!/usr/bin/env bash
# A tour of the program's windows: starts it on a virtual X server with the graphs of
# examples/measurement.txt, opens every dialog, drop-down and context menu the way a user does (menu,
# key, tool button, right click) and saves a picture of each into OUTDIR, named after its command.
# Not part of test.sh; look at the pictures yourself. Needs Xvfb, xdotool, xprop and ImageMagick
# (scripts/deps.sh).
# Usage: scripts/tour.sh [BUILD_DIR] [OUTDIR]      (defaults: build, /tmp/tour)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/xvfb_lib.sh
xvfb_setup "${1:-build}" "${2:-/tmp/tour}"

# The program's visible windows but its tool tips, oldest first.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | sort -n); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP || echo "$id"
    done
}
# Tool windows count too, and so do top-level windows of their own (the calculator); menus name
# NORMAL only after their own type.
is_dialog() {
    local type
    type=$(xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null)
    grep -qE 'DIALOG|UTILITY' <<<"$type" || { [ "$1" != "$main" ] && grep -q '= _NET_WM_WINDOW_TYPE_NORMAL' <<<"$type"; }
}

# Waits until the windows stay as they are for 0.6 s (at most 20 s).
settle() {
    local last now same=0
    kill -0 "$app_pid" 2>/dev/null || { echo "The program has ended" >&2; exit 1; }
    last=$(windows)
    for _ in $(seq 100); do
        sleep 0.2
        now=$(windows)
        if [ "$now" = "$last" ]; then
            same=$((same + 1))
            [ $same -lt 3 ] || return 0
        else
            same=0
            last=$now
        fi
    done
}

# The keyboard goes to the newest dialog (false without one); menus take it themselves.
focus_dialog() {
    local id
    for id in $(windows | sort -rn); do
        if is_dialog "$id"; then
            xdotool windowfocus --sync "$id"
            return 0
        fi
    done
    return 1
}

# The mouse rests on the empty end of the main tool bar, where it shows no tool tip.
park() { at 800 35; }
# A tool button whose menu was open keeps its hover frame until the mouse passes over it again: the
# mouse crosses the tool bar on its way to rest.
sweep() {
    for x in $(seq 10 20 800); do
        at "$x" 35
        sleep 0.01
    done
}

# A click at a point of the newest window (a dialog just opened).
click_in_dialog() {
    local geometry
    geometry=($(xdotool getwindowgeometry --shell "$(windows | tail -1)" | sed -n 's/^[XY]=//p'))
    xdotool mousemove $((geometry[0] + $1)) $((geometry[1] + $2)) click 1
    sleep 0.4
}

# The ways a user opens things. Each waits for the windows to settle first.
press() {
    settle
    focus_dialog || true
    xdotool key --delay 100 "$@"
}
click() {
    settle
    click_at "$1" "$2"
    park
}
rclick() {
    settle
    at "$1" "$2"
    xdotool click 3
    park
}
# Menu M of the menu bar (1 for the first) with Alt and the arrow keys; with I, its I-th enabled item
# (counted from the end when negative) is chosen.
menu() {
    local steps
    press alt
    for _ in $(seq 2 "$1"); do xdotool key Right; done
    xdotool key Down
    [ $# -ge 2 ] || return 0
    if [ "$2" -gt 0 ]; then
        for _ in $(seq 2 "$2"); do xdotool key Down; done
    else
        for _ in $(seq "${2#-}"); do xdotool key Up; done
    fi
    xdotool key Return
}
# Types a file of the project into the file dialog and accepts it.
choose_file() {
    press ctrl+a
    xdotool type --delay 20 "$PWD/$1"
    press Return
}

# Types a full path into the file dialog and accepts it.
choose_path() {
    press ctrl+a
    xdotool type --delay 20 "$1"
    press Return
}

# A picture of the newest dialog alone, or else of the main window together with the menus it opened.
picture() {
    local name=$1 id dialog="" left=$X top=$Y right=$((X + WIDTH)) bottom=$((Y + HEIGHT)) wx wy ww wh
    shift
    for id in "$@"; do
        if is_dialog "$id"; then dialog=$id; fi
    done
    if [ -n "$dialog" ]; then
        set -- "$dialog"
        left=100000 top=100000 right=0 bottom=0
    fi
    for id in "$@"; do
        read -r wx wy ww wh <<<"$(xdotool getwindowgeometry --shell "$id" |
            sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=//p' | xargs)"
        left=$((wx < left ? wx : left))
        top=$((wy < top ? wy : top))
        right=$((wx + ww > right ? wx + ww : right))
        bottom=$((wy + wh > bottom ? wy + wh : bottom))
    done
    import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$shots/$name.png"
    echo "$shots/$name.png"
}

failed=()
# tour NAME HOW [AFTERWARDS]: opens a window the way HOW says and saves its picture as NAME.png. Then
# Escape closes the dialogs that opened and a click beside the window the menus (Escape would leave
# the menu bar waiting for keys), AFTERWARDS undoes the rest (such as a mode HOW switched on), and the
# program must be back where it was.
tour() {
    local name=$1 how=$2 afterwards=${3:-} before new
    xdotool windowfocus --sync "$main"
    before=$(windows)
    eval "$how"
    settle
    new=$(windows | grep -vxF -f <(echo "$before") || true)
    if [ -n "$new" ]; then
        # shellcheck disable=SC2086 # one argument per window
        picture "$name" $new
    else
        echo "$name: nothing opened" >&2
        failed+=("$name")
    fi
    for _ in $(seq 6); do
        [ "$(windows)" != "$before" ] || break
        if focus_dialog; then xdotool key Escape; else xdotool mousemove 0 0 click 1; fi
        settle
        sweep
    done
    eval "$afterwards"
    settle
    [ "$(windows)" = "$before" ] || { echo "$name: windows are left open" >&2; exit 1; }
}

start_on_sample
shot MainWindow

# Places in the main window of its first size: the main tool bar's buttons, the status bar's first
# graph swatch and state icons, the node tool bar's shift-curve button, an empty spot of the plot.
bar=35 status=561 plot_x=700 plot_y=480
delete_graph=132 save_picture=247 align_scales=450 align_positions=477 scale_snap=504 node_work=619 graph_list=652
first_swatch=490 scale_icon=782 move_icon=805 axes_icon=828
shift_curve_x=$((WIDTH - 18)) shift_curve_y=225
legend_x=775 legend_y=505

# One line per window; a new dialog joins the tour with its own line.
tour FileMenu 'menu 1'
tour EditMenu 'menu 2'
tour ViewMenu 'menu 3'
tour ToolsMenu 'menu 4'
tour SettingsMenu 'menu 5'
tour HelpMenu 'menu 6'
tour NewFigure 'menu 1 1'
tour OpenFigure-Unsaved 'menu 1 2'
tour OpenFigure 'menu 1 2; press Tab space'
tour OpenFigure-NotAFigure 'menu 1 2; press Tab space; choose_file examples/measurement.txt'
tour SaveFigure 'menu 1 3'
tour SaveAs 'menu 1 4'
tour AddGraph-Files 'menu 1 5'
tour AddGraph 'menu 1 5; choose_file examples/measurement.txt'
tour AddGraph-Csv 'menu 1 5; choose_file tests/files/fixtures/csv/weather_semicolon.csv'
# A generated file of 10M rows: its reading shows the progress dialog, which Escape cancels.
large="$shots/rows10M.txt"
[ -s "$large" ] || "$(dirname "$program")/bench/bench_files" --measurement "$large" 10000000 >/dev/null ||
    echo "No bench/bench_files to make $large: build it" >&2
# When the reading ends before Escape reaches it, the add-graphs dialog opens later with the file.
close_late='sleep 3; settle; ! focus_dialog || { xdotool key Escape; settle; }'
[ ! -s "$large" ] || tour Progress-Reading "menu 1 5; choose_path $large" "$close_late"
tour DelGraph "click $delete_graph $bar"
tour SavePicture "click $save_picture $bar"
tour Print 'press ctrl+alt+p'
tour PrintMargins 'press ctrl+alt+p; settle; click_in_dialog 545 236'
tour Paste 'press ctrl+c ctrl+v'
tour CloseForm 'menu 1 -1'
tour About 'menu 6 2'
# The help window: its contents, the chapter of a dialog by F1, and the reference at the function the
# calculator's caret is in.
tour Help 'menu 6 1'
tour Help-Dialog 'menu 4 -4; settle; press F1'
tour Help-Function 'menu 4 2; settle; press ctrl+Delete; xdotool type --delay 30 "2*sqrt(y(0)"; press F1'
tour Filtration 'menu 4 1; settle; click_in_dialog 315 70' # with the response of the computed filter
tour SaveGraphs 'menu 1 9; settle; click_in_dialog 41 40' # with the graphs checked
tour SaveGraphs-Workbook 'menu 1 9; settle; click_in_dialog 41 40; click_in_dialog 460 283; press Down Down Return; click_in_dialog 317 113' # its sheet names, per graph
tour Equation 'menu 4 2; settle; focus_dialog; xdotool type --delay 30 "2*diff(y(0),"' # with the list of DIFF kinds
tour AlignScales "click $align_scales $bar"
tour AlignPositions "click $align_positions $bar"
tour WindowMenu "rclick $plot_x $plot_y"
tour GraphMenu "rclick $first_swatch $status"
tour ScaleIconMenu "click $scale_icon $status"
tour MoveIconMenu "click $move_icon $status"
tour AxesIconMenu "click $axes_icon $status"
tour NodeMenu "click $node_work $bar; rclick $plot_x $plot_y" "click $node_work $bar"
tour StatInfo 'menu 4 -5; settle; click_in_dialog 30 103; press Return'
tour Automarkers 'menu 4 -4'
# The binding wizard with every graph ticked, then its second step.
tour GraphBinding 'menu 4 -2; settle; click_in_dialog 22 48'
# Step 2 with the common scales off, so that their boxes show beside the notices of the positions.
tour GraphBinding-Step2 "click $align_scales $bar; press Down Return; menu 4 -2; settle; click_in_dialog 22 48; click_in_dialog 230 378" "click $align_scales $bar; press Up Return"
tour ScaleSnap "click $scale_snap $bar"
tour CurGraphProps "rclick $first_swatch $status; press Up Return"
# The symbol editor from an X designation's preview, building a symbol of three elements; then its
# library with that symbol added, and the character picker.
symbol_editor="rclick $first_swatch $status; press Up Return; settle; click_in_dialog 303 53; click_in_dialog 29 85; click_in_dialog 40 178; click_in_dialog 300 178; settle; click_in_dialog 762 397; click_in_dialog 645 78; xdotool type --delay 50 U; click_in_dialog 534 78; xdotool type --delay 50 Δ; click_in_dialog 230 270; click_in_dialog 767 106; xdotool type --delay 50 x"
tour SymbolEditor "$symbol_editor"
tour SymbolLibrary "$symbol_editor; click_in_dialog 600 606; click_in_dialog 600 567"
tour CharacterPicker "$symbol_editor; click_in_dialog 767 175"
tour ShiftCurve "click $node_work $bar; click $shift_curve_x $shift_curve_y" "click $node_work $bar"
tour UserCurve "click $node_work $bar; click $shift_curve_x $shift_curve_y; press Up Return" "click $node_work $bar"
# The caption tool bar, and the memo with a typed line over the top of the figure; closing writes the
# line into the caption, which one undo takes back.
tour CaptionProps 'menu 3 -2; settle; xdotool type --delay 30 "Давление и температура"; shot CaptionProps-Memo' 'press ctrl+z'
# The legend is shown from the view menu and its dialog opened by a right click on it.
tour LegendProps "menu 3 -1; settle; rclick $legend_x $legend_y" 'menu 3 -1'
# The settings dialog opens on the page it was left on: each line goes on to the next page.
tour ShowSettings 'menu 5 1'
tour ShowSettings-View 'menu 5 1; press ctrl+Tab'
tour ShowSettings-Grid 'menu 5 1; press ctrl+Tab'
tour ShowSettings-NewGraph 'menu 5 1; press ctrl+Tab'
tour ShowSettings-More 'menu 5 1; press ctrl+Tab'
# A window of its own (not a dialog): Escape in it closes it.
close_table='xdotool windowfocus --sync "$(windows | tail -1)"; xdotool key Escape'
tour TableDataView 'menu 4 -6; settle; press Down Down shift+Down shift+Down' "$close_table"
tour TableDataView-Thin 'menu 4 -6; settle; press ctrl+a ctrl+t' "$close_table"
tour TableDataView-NewGraph 'menu 4 -6; settle; press ctrl+n' "$close_table"
# The list of all graphs' properties, with the sample's graphs added once more (the last line: the
# figure keeps them).
tour GraphProperties "menu 1 5; choose_file examples/measurement.txt; press Return; sleep 1; press Escape; click $graph_list $bar"

# A start after a run that did not end normally: the program, its figure modified since the start
# more than an autosave period ago, is killed; the next start offers its autosave, and "Да" restores it.
kill -KILL "$app_pid"
wait "$app_pid" 2>/dev/null || true
ls "$XDG_STATE_HOME"/Ostrel/Tarvelo/*.tvq >/dev/null || { echo "The tour left no autosave" >&2; exit 1; }
"$program" >>"$shots/program.log" 2>&1 &
app_pid=$!
question=$(await '^Внимание')
settle
picture Recovery "$question"
xdotool key Return
main=$(await '^Tarvelo - ')
settle
eval "$(xdotool getwindowgeometry --shell "$main")"
shot Recovery-Restored

if ((${#failed[@]})); then
    echo "Nothing opened for: ${failed[*]}" >&2
    exit 1
fi
