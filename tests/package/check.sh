#!/bin/sh
# Checks a built package: lintian and the desktop's validators find nothing to
# say, the binary is in /usr/games, the menu entry's programme and icon are in
# the package, and every icon is as big as its folder says. Any output fails;
# appstreamcli and hardening-check speak only when their verdict is a failure.
# The build's own commands show the hardening flags that no linked amd64
# programme can show (the C library's start files carry no CET note).
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
    hc=--nocfprotection
    hardening-check --help | grep -q nobranchprotection && hc="$hc --nobranchprotection"
    hard=$(hardening-check $hc "$bin" 2>&1) || printf '%s\n' "$hard"
    flags=-fstack-clash-protection
    [ "$arch" != amd64 ] || flags="$flags -fcf-protection"
    for flag in $flags; do
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
