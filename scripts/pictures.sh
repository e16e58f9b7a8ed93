#!/usr/bin/env bash
# Remakes the game's pictures from the game itself: docs/screenshot.png (the
# whole window after a few pieces) and the icons in data/icons/hicolor/ (the
# same pit brought near, cropped square and scaled to each size). The game runs
# under its own X server with a frozen clock, which fixes the pieces (the
# generator is seeded from the time) and stops them falling, so two runs give
# the same bytes.
# usage: scripts/pictures.sh
set -euo pipefail
if [ -z "${PLUMBRIX_PICTURES_SERVER:-}" ]; then
    source "$(dirname "$0")/setup.sh"
    plumbrix_install "${plumbrix_packages[@]}" faketime imagemagick x11-apps xvfb xauth xdotool
    [ -f "$plumbrix_root/build/CMakeCache.txt" ] || cmake -S "$plumbrix_root" -B "$plumbrix_root/build" >/dev/null
    cmake --build "$plumbrix_root/build" -j2 --target plumbrix >/dev/null
    PLUMBRIX_PICTURES_SERVER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$plumbrix_root"
fi

# From here on, inside the X server started above. The game runs in an empty
# directory so it neither reads nor writes a score.dat of ours.
root=$1
work=$(mktemp -d)
cd "$work"
# libfaketime (the faketime package) holds the clock still at a date given so.
TZ=UTC FAKETIME="2026-01-01 00:00:00" LD_PRELOAD=$(echo /usr/lib/*/faketime/libfaketime.so.1) "$root/build/plumbrix" &
game=$!
trap 'kill $game 2>/dev/null; wait $game; rm -rf "$work"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Plumbrix$')

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
png 640x480+100+50 "$root/docs/screenshot.png"

# The view comes near and turns a little for the icons.
xdotool key --window "$wid" $(printf 'plus %.0s' {1..80}) $(printf 'a %.0s' {1..20}) 2>/dev/null
capture
for size in 16 24 32 48 64 128 256; do
    dir=$root/data/icons/hicolor/${size}x${size}/apps
    mkdir -p "$dir"
    png 256x256+365+274 "$dir/plumbrix.png" -resize ${size}x${size}
done
echo "wrote $root/docs/screenshot.png and $root/data/icons/hicolor/*/apps/plumbrix.png"
