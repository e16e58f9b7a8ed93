#!/bin/sh
# Writes docs/screenshot.png: runs the game under its own X server, plays a
# few pieces and captures the 640 x 480 window at (100, 50).
# usage: scripts/screenshot.sh [path/to/plumbrix]   (default build/plumbrix, built if missing)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${PLUMBRIX_SHOT_SERVER:-}" ]; then
    bin=${1:-$root/build/plumbrix}
    if [ ! -x "$bin" ]; then
        cmake -S "$root" -B "$root/build" >/dev/null
        cmake --build "$root/build" -j2 --target plumbrix >/dev/null
    fi
    bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
    PLUMBRIX_SHOT_SERVER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$bin"
fi

# From here on, inside the X server started above. The game runs in an empty
# directory so it neither reads nor writes a score.dat of ours.
work=$(mktemp -d)
cd "$work"
"$1" &
game=$!
trap 'kill $game 2>/dev/null; rm -rf "$work"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Plumbrix$')
# Each entry steers one piece, then drops it. Keys sent to a window print a
# harmless complaint about the input focus when there is no window manager.
for keys in "Left Left Left Left" "Right Right Right Right" "Up Left Left" "Up Right Right Right" "" \
            "Left Left Left Left Left" "Up Right" "Right Right Right Right Right" "Up Left Left Left" "Up Up Right Right"; do
    xdotool key --window "$wid" $keys Down 2>/dev/null
    sleep 0.3
done
# The next piece has entered and fallen a little by now.
xdotool key --window "$wid" Left Up 2>/dev/null
sleep 0.6
xwd -root -silent >"$work/shot.xwd"
mkdir -p "$root/docs"
python3 "$root/scripts/xwd2png.py" "$work/shot.xwd" "$root/docs/screenshot.png" 100 50 640 480
echo "wrote $root/docs/screenshot.png"
