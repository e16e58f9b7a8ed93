#!/usr/bin/env bash
# Installs what is missing, builds the game and its Debian package, and runs
# every test: the rules and the best-score file (also under AddressSanitizer
# and UndefinedBehaviorSanitizer), the window tests and the package checks, on
# a virtual display of their own so that no desktop window or window manager
# can disturb the pictures they read back.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"

plumbrix_install "${plumbrix_packages[@]}" "${plumbrix_test_packages[@]}"
# PLUMBRIX_SANITIZED_TESTS=OFF leaves out the sanitized unit tests, where
# AddressSanitizer cannot run (under a user-mode emulator such as qemu-user).
plumbrix_build -DPLUMBRIX_TESTS=ON -DPLUMBRIX_SANITIZED_TESTS="${PLUMBRIX_SANITIZED_TESTS:-ON}"
# The Debian package, in build-deb/, for the package tests to look into.
log=$(cd "$plumbrix_root" && cmake --workflow --preset deb 2>&1) || { printf '%s\n' "$log" >&2; exit 1; }

exec xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir "$plumbrix_root/build" --output-on-failure --timeout 300 -j2 "$@"
