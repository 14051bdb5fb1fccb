#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, and any named as arguments.
# apt-get runs only when something is missing, so repeated calls cost nothing.
set -euo pipefail

packages=(
    # build: compilers, CMake, Ninja, ccache; clang and its runtimes for the fuzz and sanitizer builds
    build-essential cmake ninja-build ccache pkg-config clang libclang-rt-dev
    # Qt: the core uses QtCore and QtGui (whose CMake files need the GL headers), export adds QtSvg, the
    # GUI QtWidgets; Qt's own dialogs in Russian
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev qt6-translations-l10n
    # figure files and MAT-files (libdeflate: the figure file's checksums); PNG pictures; tests and benchmarks
    zlib1g-dev libdeflate-dev libpng-dev libgtest-dev libgmock-dev libbenchmark-dev
    # the ZIP archive of workbooks (.xlsx); LibreOffice Calc and its Python bridge read them back in
    # the interop test
    libminizip-dev libreoffice-calc-nogui python3-uno
    # the fonts the figures are drawn and tested with
    fonts-liberation fonts-dejavu-core
    # screenshots under a virtual display (scripts/tour.sh, scripts/try_gestures.sh)
    xvfb xauth imagemagick xdotool x11-utils
    # looking at printed PDF pages
    poppler-utils
    # the test that reads our metafiles back with another program (LibreOffice Draw converts EMF to PNG)
    libreoffice-draw-nogui
    # MAT-file fixtures and the test that reads scipy's own files
    python3-numpy python3-scipy
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
