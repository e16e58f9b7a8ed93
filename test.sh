#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the rules (also under
# AddressSanitizer and UndefinedBehaviorSanitizer), the soak and fuzz runs, and
# the window tests, on a virtual display of their own so that no desktop
# window or window manager can disturb the pictures they read back.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"

plumbrix_install "${plumbrix_packages[@]}" "${plumbrix_test_packages[@]}"
plumbrix_build -DPLUMBRIX_TESTS=ON

exec xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir "$plumbrix_root/build" --output-on-failure --timeout 300 -j2 "$@"
