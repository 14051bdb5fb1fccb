#!/usr/bin/env bash
# Fails when a source includes a higher layer or a library its layer must not use.
# Layers, lowest first: model; window and expr (side by side); files; app and tools (side by side);
# export; gui.
# The core (model to app) uses QtCore and QtGui only; export adds QtSvg; gui may use any widget.
# Usage: tests/layering.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"
qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)

declare -A rank=([model]=0 [window]=1 [expr]=1 [files]=2 [app]=3 [tools]=3 [export]=4 [gui]=5)
widget_modules=(QtWidgets QtPrintSupport QtSvgWidgets QtOpenGLWidgets)
failures=0

forbidden_qt_header() { # $1 header name, $2.. modules
    local header=$1 module
    shift
    for module in "$@"; do
        [[ -e "$qt/$module/$header" || "$header" == "$module/"* ]] && return 0
    done
    return 1
}

for folder in "${!rank[@]}"; do
    [ -d "$folder" ] || continue
    modules=("${widget_modules[@]}")
    ((rank[$folder] < 4)) && modules+=(QtSvg)
    ((rank[$folder] == 5)) && modules=()
    while IFS=: read -r file line text; do
        if [[ $text =~ \#include\ *\"([a-z]+)/ ]]; then
            target=${BASH_REMATCH[1]}
            [[ -v rank[$target] ]] || continue
            if [[ $target != "$folder" ]] && ((rank[$target] >= rank[$folder])); then
                echo "$file:$line: $folder must not include $target: $text"
                failures=$((failures + 1))
            fi
        elif [[ $text =~ \#include\ *\<(Q[A-Za-z/]*)\> ]] && ((${#modules[@]})); then
            if forbidden_qt_header "${BASH_REMATCH[1]}" "${modules[@]}"; then
                echo "$file:$line: $folder must not use ${BASH_REMATCH[1]}: $text"
                failures=$((failures + 1))
            fi
        fi
    done < <(grep -rn --include='*.h' --include='*.cpp' '#include' "$folder")
done

if ((failures)); then
    echo "$failures forbidden includes"
    exit 1
fi
echo "layering: every include goes to the same or a lower layer"
