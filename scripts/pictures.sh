#!/usr/bin/env bash
# Remakes the game's pictures from the game itself: docs/screenshot.png (the
# window after a few pieces, framed by a window manager as a desktop shows it),
# the icons in data/icons/hicolor/ (the same pit brought near, cropped square
# and scaled to each size) and docs/screenshot-turned.png (the pit turned). The
# game runs under its own X server and window manager with a frozen clock,
# which fixes the pieces (the generator is seeded from the time) and stops them
# falling, so two runs give the same bytes.
# usage: scripts/pictures.sh
set -euo pipefail
if [ -z "${PLUMBRIX_PICTURES_SERVER:-}" ]; then
    source "$(dirname "$0")/setup.sh"
    plumbrix_install "${plumbrix_packages[@]}" faketime imagemagick openbox x11-apps x11-utils xvfb xauth xdotool
    [ -f "$plumbrix_root/build/CMakeCache.txt" ] || cmake -S "$plumbrix_root" -B "$plumbrix_root/build" >/dev/null
    cmake --build "$plumbrix_root/build" -j2 --target plumbrix >/dev/null
    PLUMBRIX_PICTURES_SERVER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$plumbrix_root"
fi

# From here on, inside the X server started above. The game runs in an empty
# directory so it neither reads nor writes a score.dat of ours, and the window
# manager with its own default settings, not any of ours.
root=$1
work=$(mktemp -d)
cd "$work"
XDG_CONFIG_HOME=$work openbox &
manager=$!
trap 'kill $manager; wait $manager; rm -rf "$work"' EXIT
until xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; do sleep 0.1; done
# libfaketime (the faketime package) holds the clock still at a date given so.
TZ=UTC FAKETIME="2026-01-01 00:00:00" LD_PRELOAD=$(echo /usr/lib/*/faketime/libfaketime.so.1) "$root/build/plumbrix" &
game=$!
trap 'kill $game $manager 2>/dev/null; wait $game $manager; rm -rf "$work"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Plumbrix$')
until xprop -id "$wid" _NET_FRAME_EXTENTS | grep -q =; do sleep 0.1; done
# Where the window and its frame are on the screen.
eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ { print "x=" $NF } /Absolute upper-left Y/ { print "y=" $NF }')"
read -r left right top bottom <<<"$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
framed=$((640 + left + right))x$((480 + top + bottom))+$((x - left))+$((y - top))

# Captures the screen into still.xwd once the picture has stopped changing.
capture() {
    xwd -root -silent >still.xwd
    while sleep 0.5 && xwd -root -silent >next.xwd && ! cmp -s still.xwd next.xwd; do mv next.xwd still.xwd; done
}
png() {
    convert still.xwd -crop "$1" +repage "${@:3}" -strip -define png:exclude-chunks=date,time "$2"
}

# Each entry steers one piece, then drops it. Keys sent to a window print a
# harmless complaint about the input focus when there is no window manager.
for keys in "Left Left Left Left" "Right Right Right Right" "Up Left Left" "Up Right Right Right" "" \
            "Left Left Left Left Left" "Up Right" "Right Right Right Right Right" "Up Left Left Left" "Up Up Right Right"; do
    xdotool key --window "$wid" $keys Down 2>/dev/null
done
capture
mkdir -p "$root/docs"
png "$framed" "$root/docs/screenshot.png"

# The view comes near and turns a little for the icons.
xdotool key --window "$wid" $(printf 'plus %.0s' {1..80}) $(printf 'a %.0s' {1..20}) 2>/dev/null
capture
for size in 16 24 32 48 64 128 256; do
    dir=$root/data/icons/hicolor/${size}x${size}/apps
    mkdir -p "$dir"
    png 256x256+$((x + 265))+$((y + 224)) "$dir/plumbrix.png" -resize ${size}x${size}
done

# Back a little farther, and tipped forward.
xdotool key --window "$wid" $(printf 'minus %.0s' {1..60}) $(printf 'w %.0s' {1..12}) 2>/dev/null
capture
png "$framed" "$root/docs/screenshot-turned.png"
echo "wrote $root/docs/screenshot.png, $root/docs/screenshot-turned.png and $root/data/icons/hicolor/*/apps/plumbrix.png"
