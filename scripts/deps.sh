#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# apt-get runs only when something is missing, so repeated calls cost nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config clang libclang-rt-dev
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6-dev libgl1-mesa-dev qt6-translations-l10n
    zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev
    libxlsxwriter-dev libemf-dev
    fonts-liberation fonts-dejavu-core
    xvfb xauth imagemagick xdotool x11-utils
    python3-numpy python3-scipy
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
