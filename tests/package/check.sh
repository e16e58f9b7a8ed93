#!/bin/sh
# Checks a built package: lintian and the desktop's validators find nothing to
# say, the binary is in /usr/games, the menu entry's programme and icon are in
# the package, every icon is as big as its folder says, and the binary and the
# build's commands show every hardening feature. Any output fails; appstreamcli
# and hardening-check speak only when their verdict is a failure.
# usage: check.sh build-deb/plumbrix_VERSION   (the architecture is added)
arch=$(dpkg --print-architecture)
deb=$1_$arch.deb
build=$(dirname "$1")
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
out=$({
    dpkg-deb -x "$deb" "$tree" && cd "$tree/usr/share" || { echo "cannot unpack $deb"; exit; }
    TMPDIR=$tree lintian --allow-root --pedantic --display-info --display-experimental "$deb"
    desktop-file-validate applications/plumbrix.desktop
    as=$(appstreamcli validate-tree --pedantic --no-net --format yaml "$tree" 2>&1) || printf '%s\n' "$as"
    man --warnings -E UTF-8 -l -Tutf8 -Z man/man6/plumbrix.6.gz >/dev/null
    lexgrog man/man6/plumbrix.6.gz >/dev/null || echo "lexgrog finds no whatis line"
    bin=$tree/usr/games/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' applications/plumbrix.desktop)
    [ -f "$bin" ] && [ -x "$bin" ] || echo "the menu entry's Exec is not a programme in /usr/games"
    # No linked amd64 programme shows control-flow marking (the C library's start
    # files lack the note): the compile commands show it instead.
    nobranch=$(hardening-check --help | grep -o -m1 -- --nobranchprotection)
    hard=$(hardening-check --nocfprotection $nobranch "$bin" 2>&1) || printf '%s\n' "$hard"
    for flag in -fstack-clash-protection $([ "$arch" != amd64 ] || echo -fcf-protection); do
        grep '"command"' "$build/compile_commands.json" | grep -ve "$flag" | sed "s/^/without $flag: /"
    done
    grep -q -e '-z,now' "$build/CMakeFiles/plumbrix.dir/link.txt" || echo "the programme was linked without -z now"
    icon=$(sed -n 's/^Icon=//p' applications/plumbrix.desktop)
    [ -f "icons/hicolor/48x48/apps/$icon.png" ] || echo "no 48x48 icon named Icon=$icon"
    for png in icons/hicolor/*/*/*.png; do
        size=$(file -b "$png" | sed -n 's/^PNG image data, \([0-9]*\) x \([0-9]*\),.*/\1x\2/p')
        [ "${png#icons/hicolor/$size/}" != "$png" ] || echo "$png is ${size:-no PNG}"
    done
} 2>&1)
[ -z "$out" ] || { printf '%s\n' "$out"; exit 1; }
