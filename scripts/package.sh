#!/usr/bin/env bash
# Builds the Debian package of a Release build and prints its control data.
# Usage: scripts/package.sh [BUILD_DIR]   (the package lands in BUILD_DIR/package)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
# dpkg-shlibdeps finds the package's library dependencies; the rest check the installed files.
scripts/deps.sh dpkg-dev desktop-file-utils appstream libxml2-utils shared-mime-info man-db
nice scripts/build.sh "$dir" Release
tests/install_test.sh "$dir"
rm -rf "$dir/package"
cpack --config "$dir/CPackConfig.cmake" -G DEB -B "$dir/package"
for deb in "$dir"/package/*.deb; do
    dpkg-deb -I "$deb"
    dpkg-deb -c "$deb" | grep '/usr/share/doc/tarvelo/index\.md$' >/dev/null || { echo "$deb has no manual" >&2; exit 1; }
done
