#!/usr/bin/env bash
# Checks of the installed suite: check.sh CHECK ARGS... (see CMakeLists.txt).
# Paths of installed files are relative to the staged prefix.
set -euo pipefail
check=$1
shift
fail() { echo "FAIL: $*" >&2; exit 1; }

case $check in
stage) # BUILD_DIR STAGE: a fresh install under DESTDIR, prefix /usr
    rm -rf "$2"
    DESTDIR=$2 cmake --install "$1" --prefix /usr >/dev/null
    ;;

desktop) # PREFIX ENTRY...
    prefix=$1
    shift
    for entry in "$@"; do desktop-file-validate "$prefix/$entry"; done
    ;;

metainfo) # PREFIX VERSION: every component valid, its launchables and
    # binaries installed, and the newest release the project's version
    appstreamcli validate-tree --no-net "$1"
    for file in "$1"/share/metainfo/*.xml; do
        newest=$(xmllint --xpath 'string(//releases/release[1]/@version)' "$file")
        [[ $newest == "$2" ]] || fail "$file: newest release $newest, project version $2"
        for binary in $(xmllint --xpath '//provides/binary/text()' "$file"); do
            [[ -x $1/bin/$binary ]] || fail "$file: binary $binary is not installed"
        done
        for entry in $(xmllint --xpath '//launchable[@type="desktop-id"]/text()' "$file"); do
            [[ -f $1/share/applications/$entry ]] || fail "$file: launchable $entry is not installed"
        done
    done
    ;;

mime) # PREFIX SAMPLE_TEMPLATE PACKAGE...: well-formed, and a template found
    # by its name and by its content, while other text is not
    prefix=$1
    sample=$2
    shift 2
    for package in "$@"; do xmllint --noout "$prefix/$package"; done
    update-mime-database "$prefix/share/mime"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp "$sample" "$work/game.joy"
    cp "$sample" "$work/no-extension"
    printf '; notes before the first section\n\n[MAPPING]\nBUTTON1=1\n[GLOBAL]\nMODES=1\n' \
        >"$work/commented"
    printf 'plain text\n[OTHER]\n' >"$work/plain"
    type_of() {
        env -u XDG_CURRENT_DESKTOP XDG_DATA_HOME="$work/none" XDG_DATA_DIRS="$prefix/share" \
            xdg-mime query filetype "$1"
    }
    for file in game.joy no-extension commented; do
        [[ $(type_of "$work/$file") == application/x-corvane-template ]] ||
            fail "$file is $(type_of "$work/$file")"
    done
    [[ $(type_of "$work/plain") == text/plain ]] || fail "plain text is $(type_of "$work/plain")"
    ;;

defaults) # PREFIX: the player opens a template, the editor is among the
    # other handlers
    prefix=$1
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    update-desktop-database "$prefix/share/applications"
    # A desktop's own settings would win; xdg-mime also looks for the Exec program.
    query() {
        env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION PATH="$prefix/bin:$PATH" \
            XDG_CONFIG_HOME="$work" XDG_CONFIG_DIRS="$work" XDG_DATA_HOME="$work" \
            XDG_DATA_DIRS="$prefix/share" xdg-mime query default application/x-corvane-template
    }
    [[ $(query) == org.corvane.Player.desktop ]] || fail "templates open with '$(query)'"
    grep -q '^application/x-corvane-template=.*org\.corvane\.Editor\.desktop' \
        "$prefix/share/applications/mimeinfo.cache" || fail "the editor does not open templates"
    ;;

examples) # PREFIX EXAMPLE...: each template checks clean with the installed
    # player and has its demo script beside it
    prefix=$1
    shift
    for file in "$@"; do
        [[ $file == *.joy ]] || continue
        "$prefix/bin/corvplay" --check --strict "$prefix/$file" >/dev/null ||
            fail "$file does not check clean"
        [[ -f $prefix/${file%.joy}.demo ]] || fail "$file has no demo script"
    done
    ;;

paths) # PREFIX FILE...: every /usr path that the installed documents name
    # (manual pages gzipped) is installed
    prefix=$1
    shift
    for file in "$@"; do
        text=$(if [[ $file == *.gz ]]; then zcat "$prefix/$file"; else cat "$prefix/$file"; fi)
        while read -r path; do
            compgen -G "$prefix/${path#/usr/}" >/dev/null || fail "$file names $path, not installed"
        done < <(grep -oE '/usr/[A-Za-z0-9_./*-]*[A-Za-z0-9_/*]' <<<"${text//\\-/-}" | sort -u)
    done
    ;;

icons) # PREFIX ICON...: SVGs well-formed, each PNG of the size its folder says
    prefix=$1
    shift
    for icon in "$@"; do
        case $icon in
        *.svg) xmllint --noout "$prefix/$icon" ;;
        *.png)
            size=$(sed -E 's|.*/([0-9]+)x[0-9]+/.*|\1|' <<<"$icon")
            file -b "$prefix/$icon" | grep -q "PNG image data, $size x $size," ||
                fail "$icon: $(file -b "$prefix/$icon")"
            ;;
        esac
    done
    ;;

man) # PAGE PROGRAM: renders without a warning, names every long option
    # that PROGRAM --help prints, and its footer the version PROGRAM prints
    warnings=$(groff -ww -z -man "$1" 2>&1; LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$1 renders with warnings: $warnings"
    page=$(sed 's/\\-/-/g' "$1")
    missing=()
    for option in $("$2" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
        grep -qw -- "$option" <<<"$page" || missing+=("$option")
    done
    [[ ${#missing[@]} -eq 0 ]] || fail "$1 does not describe ${missing[*]}"
    version=$("$2" --version | awk '{print $NF}')
    grep -qE "^\.TH .*\"Corvane ${version//./\\.}\"" "$1" || fail "$1: its footer lacks Corvane $version"
    ;;

package) # BUILD_DIR FILE...: the .deb builds, holds every file, and lintian
    # finds no error (its warnings are printed)
    build=$1
    shift
    rm -rf "$build/package"
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$build/package" >/dev/null
    deb=$(echo "$build"/package/*.deb)
    listed=$(dpkg-deb -c "$deb" | awk '{print $6}')
    for file in "$@"; do
        grep -qxF "./usr/$file" <<<"$listed" || fail "$deb lacks /usr/$file"
    done
    status=0
    lintian --fail-on error "$deb" >"$build/package/lintian.txt" 2>&1 || status=$?
    grep -v 'running with root privileges' "$build/package/lintian.txt" || true
    exit $status
    ;;

*) fail "unknown check $check" ;;
esac
