#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game in the current
# directory, where the best score is kept in score.dat.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"

plumbrix_install "${plumbrix_packages[@]}"
plumbrix_build -DPLUMBRIX_TESTS=OFF

if [ -z "${DISPLAY:-}" ]; then
    echo "Plumbrix needs a graphical display (DISPLAY is not set)." >&2
    exit 1
fi
exec "$plumbrix_root/build/plumbrix"
