#!/bin/sh
# Checks a built package: lintian and the desktop's validators find nothing to
# say, the binary and the build's commands show every hardening feature, the
# catalogue a distribution makes of the package holds the whole listing, and
# the menu entry, started as a player's desktop would, runs the packaged game
# in its own folder. Any output fails; appstreamcli and hardening-check speak
# only when their verdict is a failure. Needs an X display.
# usage: check.sh build-deb/plumbrix_VERSION   (the architecture is added)
arch=$(dpkg --print-architecture)
deb=$1_$arch.deb
build=$(dirname "$1")
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
chmod 755 "$tree"  # the player below walks through it
out=$({
    dpkg-deb -x "$deb" "$tree" && cd "$tree/usr/share" || { echo "cannot unpack $deb"; exit; }
    TMPDIR=$tree lintian --allow-root --pedantic --display-info --display-experimental "$deb"
    entry=$PWD/applications/io.github.plumbrix.plumbrix.desktop
    desktop-file-validate "$entry"
    as=$(appstreamcli validate-tree --pedantic --no-net --format yaml "$tree" 2>&1) || printf '%s\n' "$as"
    bin=$tree/usr/games/plumbrix
    # No linked amd64 programme shows control-flow marking (the C library's start
    # files lack the note): the compile commands show it instead.
    nobranch=$(hardening-check --help | grep -o -m1 -- --nobranchprotection)
    hard=$(hardening-check --nocfprotection $nobranch "$bin" 2>&1) || printf '%s\n' "$hard"
    for flag in -fstack-clash-protection $([ "$arch" != amd64 ] || echo -fcf-protection); do
        grep '"command"' "$build/compile_commands.json" | grep -ve "$flag" | sed "s/^/without $flag: /"
    done

    # What software centres show comes from this catalogue, not from the package's own file.
    appstreamcli compose --no-net --origin=plumbrix --result-root="$tree/catalogue" "$tree" >/dev/null
    listing=$(zcat "$tree"/catalogue/usr/share/swcatalog/xml/plumbrix.xml.gz | tr -s ' \n' ' ')
    version=$(dpkg-deb -f "$deb" Version)
    shot='<caption>[^<]{1,50}</caption> <image type="source">[^<]*v'$version/docs/
    for item in '<summary>[^<]{1,35}</summary>' '<icon type="cached" width="64"' '>Plumbrix developers<' \
        "<screenshot type=\"default\"> $shot" "<screenshot> $shot" \
        "<release [^>]*version=\"$version\"[^>]*> <description> <p>" '<release [^>]*version="1.0"[^>]*> <description> <p>' \
        '<control>keyboard</control>' '<display_length[^>]*>[0-9]+<' '<url type="bugtracker">http' \
        '<url type="vcs-browser">http' 'scheme_preference="light">#[0-9a-f]{6}<' 'scheme_preference="dark">#[0-9a-f]{6}<'; do
        printf '%s' "$listing" | grep -qE -- "$item" || echo "the catalogue has no $item"
    done
    for png in $(printf '%s' "$listing" | grep -oE '[^/]+\.png</image>' | sed 's/<.*//'); do
        [ -f "$build/../docs/$png" ] || echo "no docs/$png for the catalogue's screenshot"; done

    # The menu entry as GLib's launcher starts it, from /, for a player (nobody
    # when we are root), with XDG_DATA_HOME unset, absolute and relative: the
    # packaged game runs in a private folder of its own and keeps its best score
    # there, and leaves another program's score.dat in the home folder alone.
    home=$tree/home player=$([ "$(id -u)" != 0 ] || echo setpriv --reuid=65534 --regid=65534 --clear-groups)
    echo "7, another program's" >"$tree/planted"
    for data in "" "$home/data/games" data; do
        rm -rf "$home" && mkdir "$home" && cp "$tree/planted" "$home/score.dat"
        xauth extract "$home/.Xauthority" "$DISPLAY"
        [ -z "$player" ] || chown -R 65534:65534 "$home"
        dir=$home/.local/share/plumbrix && case $data in /*) dir=$data/plumbrix ;; esac
        (cd / && $player env -i HOME="$home" PATH="$tree/usr/games:/usr/bin:/bin" DISPLAY="$DISPLAY" \
            XAUTHORITY="$home/.Xauthority" ${data:+XDG_DATA_HOME=$data} gio launch "$entry")
        window=$(timeout 300 xdotool search --sync --onlyvisible --name '^Plumbrix$' | head -1)
        for _ in $(seq 3000); do  # drops until the pit is full, however slow the machine
            [ -s "$dir/score.dat" ] || { xdotool key --window "$window" Down 2>/dev/null && sleep 0.1; }; done
        # The packaged game (under qemu-user the process runs the emulator, which names it), and no shell of
        # the menu entry's left waiting as its parent: it was exec'd.
        pid=$(xdotool getwindowpid "$window") parent=$(awk '{ print $4 }' "/proc/$pid/stat" 2>/dev/null)
        seen=$({ readlink "/proc/$pid/exe"; tr '\0' '\n' <"/proc/$pid/cmdline"; } | grep -xm1 "$bin"
            tr '\0' ' ' <"/proc/$parent/cmdline" | grep -c XDG_DATA_HOME; readlink "/proc/$pid/cwd"
            stat -c %a "$dir" "${dir%/*}"; grep -cx '[1-9][0-9]*' "$dir/score.dat"
            cmp "$tree/planted" "$home/score.dat" && echo kept)
        kill "$pid" && tail --pid="$pid" -f /dev/null  # gone before the next one starts
        [ "$seen" = "$(printf '%s\n' "$bin" 0 "$dir" 700 700 1 kept)" ] ||
            echo "XDG_DATA_HOME=$data: programme, shells waiting, folder, modes, best scores, home's score.dat:" $seen
    done
} 2>&1)
[ -z "$out" ] || { printf '%s\n' "$out"; exit 1; }
