#!/usr/bin/env bash
# Remakes the icons in data/icons/hicolor/ from the game's own picture: runs
# the game under its own X server with a frozen clock, drops a few pieces,
# brings the view near, captures a square of the window and scales it to
# each size. The frozen clock fixes the pieces (the generator is seeded from
# the time) and stops them falling, so two runs give the same bytes.
# usage: scripts/icon.sh
set -euo pipefail
if [ -z "${PLUMBRIX_ICON_SERVER:-}" ]; then
    source "$(dirname "$0")/setup.sh"
    plumbrix_install "${plumbrix_packages[@]}" faketime imagemagick x11-apps xvfb xauth xdotool
    [ -f "$plumbrix_root/build/CMakeCache.txt" ] || cmake -S "$plumbrix_root" -B "$plumbrix_root/build" >/dev/null
    cmake --build "$plumbrix_root/build" -j2 --target plumbrix >/dev/null
    PLUMBRIX_ICON_SERVER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$plumbrix_root"
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
# Each entry steers one piece, then drops it; then the view comes near and
# turns a little. Keys sent to a window print a harmless complaint about the
# input focus when there is no window manager.
for keys in "Left Left Left Left" "Right Right Right Right" "Up Left Left" "Up Right Right Right" "" \
            "Left Left Left Left Left" "Up Right" "Right Right Right Right Right" "Up Left Left Left" "Up Up Right Right"; do
    xdotool key --window "$wid" $keys Down 2>/dev/null
done
xdotool key --window "$wid" $(printf 'plus %.0s' {1..80}) $(printf 'a %.0s' {1..20}) 2>/dev/null
# Capture once the picture has stopped changing.
xwd -root -silent >a.xwd
while sleep 0.5 && xwd -root -silent >b.xwd && ! cmp -s a.xwd b.xwd; do mv b.xwd a.xwd; done
for size in 16 24 32 48 64 128 256; do
    dir=$root/data/icons/hicolor/${size}x${size}/apps
    mkdir -p "$dir"
    convert a.xwd -crop 256x256+365+274 +repage -resize ${size}x${size} -strip \
        -define png:exclude-chunks=date,time "$dir/plumbrix.png"
done
echo "wrote $root/data/icons/hicolor/*/apps/plumbrix.png"
