#!/usr/bin/env bash
# Installs a built tree into a temporary root (DESTDIR, prefix /usr) and checks what lands there: the
# file list, the program, the manual page, the user's manual, the desktop entry, the MIME package, the metainfo, the
# icons and the bash completion. The validators run where they are installed (scripts/package.sh
# installs them); a missing one is reported as skipped.
# Usage: tests/install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
sizes=(16 22 24 32 48 64 128 256)
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
have() {
    command -v "$1" > /dev/null || {
        echo "skipped: $1 is not installed"
        return 1
    }
}

DESTDIR=$root cmake --install "$build" --prefix /usr > /dev/null
usr=$root/usr
share=$usr/share

# The file list, exactly.
{
    echo bin/tarvelo
    echo share/applications/tarvelo.desktop
    echo share/bash-completion/completions/tarvelo
    for s in "${sizes[@]}"; do
        echo "share/icons/hicolor/${s}x$s/apps/tarvelo.png"
        echo "share/icons/hicolor/${s}x$s/mimetypes/application-x-tarvelo-figure.png"
    done
    for chapter in "$source_dir"/docs/*.md; do
        echo "share/doc/tarvelo/$(basename "$chapter")"
    done
    echo share/icons/hicolor/scalable/apps/tarvelo.svg
    echo share/icons/hicolor/scalable/mimetypes/application-x-tarvelo-figure.svg
    echo share/man/man1/tarvelo.1.gz
    echo share/metainfo/org.ostrel.Tarvelo.metainfo.xml
    echo share/mime/packages/tarvelo.xml
} | sort > "$root/expected"
(cd "$usr" && find . -type f | sed 's|^\./||' | sort) > "$root/installed"
diff -u "$root/expected" "$root/installed" || fail "the installed files differ from the list"
[ "$(find "$root" -mindepth 1 -maxdepth 1 ! -name usr ! -name expected ! -name installed)" = "" ] ||
    fail "files outside the prefix"

# The manual's chapters, as written.
for chapter in "$source_dir"/docs/*.md; do
    cmp -s "$chapter" "$share/doc/tarvelo/$(basename "$chapter")" || fail "the manual's $(basename "$chapter") differs"
done
[ -s "$share/doc/tarvelo/index.md" ] || fail "the manual has no contents"

# The program runs from its installed place.
help=$(QT_QPA_PLATFORM=offscreen "$usr/bin/tarvelo" --help) || fail "tarvelo --help"
version=$(QT_QPA_PLATFORM=offscreen "$usr/bin/tarvelo" --version) || fail "tarvelo --version"
options=$(grep -oE -- '--[a-z-]+|-[a-z],' <<< "$help" | tr -d , | sort -u)
[ -n "$options" ] || fail "no options in the help text"

# The manual page shows every option of the help text, and the version.
if have man; then
    page=$(MANWIDTH=100 man -l "$share/man/man1/tarvelo.1.gz" 2> "$root/man.err") || fail "man -l"
    [ -s "$root/man.err" ] && fail "man -l warns: $(cat "$root/man.err")"
    grep -q "^NAME" <<< "$page" || fail "the manual page has no NAME section"
    grep -qF "$version" <<< "$page" || fail "the manual page does not name '$version'"
    for option in $options; do
        grep -qF -- "$option" <<< "$page" || fail "the manual page misses $option"
    done
fi

if have desktop-file-validate; then
    out=$(desktop-file-validate "$share/applications/tarvelo.desktop" 2>&1) || fail "desktop-file-validate: $out"
    grep -qE "error:|warning:" <<< "$out" && fail "desktop-file-validate complains: $out"
fi
grep -qx "Exec=tarvelo %F" "$share/applications/tarvelo.desktop" || fail "the desktop entry's Exec line"

mime_type=application/x-tarvelo-figure
if have xmllint; then
    xpath() { xmllint --xpath "$1" "$share/mime/packages/tarvelo.xml" 2>&1; }
    xmllint --noout "$share/mime/packages/tarvelo.xml" || fail "the MIME package is not well-formed XML"
    ns="*[local-name()='mime-info']/*[local-name()='mime-type']"
    [ "$(xpath "string(/$ns/@type)")" = $mime_type ] || fail "the MIME type's name"
    [ "$(xpath "string(/$ns/*[local-name()='glob']/@pattern)")" = "*.tvq" ] || fail "the MIME glob"
    magic=$(xpath "string(/$ns/*[local-name()='magic']/*[local-name()='match']/@value)")
    [ "${#magic}" -eq 21 ] || fail "the magic is not the figure header's 21 bytes: '$magic'"
fi
if have update-mime-database; then
    # The database built from the package alone maps the glob and the header to the type.
    mkdir -p "$root/mime/packages"
    cp "$share/mime/packages/tarvelo.xml" "$root/mime/packages/"
    XDG_DATA_HOME=$root update-mime-database "$root/mime" > "$root/mime.log" 2>&1 || fail "update-mime-database: $(cat "$root/mime.log")"
    [ -s "$root/mime.log" ] && fail "update-mime-database warns: $(cat "$root/mime.log")"
    grep -q "^[0-9]*:$mime_type:\*\.tvq" "$root/mime/globs2" || fail "no glob for *.tvq in the database"
    grep -qa "TARVELO 1.0 QVF-file." "$root/mime/magic" || fail "no magic in the database"
fi

if have appstreamcli; then
    appstreamcli validate --no-net "$share/metainfo/org.ostrel.Tarvelo.metainfo.xml" > "$root/as.log" 2>&1 ||
        fail "appstreamcli validate: $(cat "$root/as.log")"
fi

# Every icon is a PNG of its size (the width and height in the IHDR chunk).
for s in "${sizes[@]}"; do
    for png in "$share/icons/hicolor/${s}x$s"/*/*.png; do
        read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
        if [ "$(head -c 4 "$png" | tail -c 3)" != PNG ] || (((w1 << 24 | w2 << 16 | w3 << 8 | w4) != s)) ||
            (((h1 << 24 | h2 << 16 | h3 << 8 | h4) != s)); then
            fail "$png is not a ${s}x$s PNG"
        fi
    done
done

# The completion offers every option of the help text.
completions=$(bash -c 'source "$1"; COMP_WORDS=(tarvelo -); COMP_CWORD=1; _tarvelo; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$share/bash-completion/completions/tarvelo") || fail "the completion does not load"
for option in $options; do
    grep -qE -- "^$option=?\$" <<< "$completions" || fail "the completion misses $option"
done

if ((failures)); then
    echo "$failures install checks failed"
    exit 1
fi
echo "install: $(wc -l < "$root/installed") files, all checks passed"
