#!/bin/sh
# Builds the benchmarks in build-bench/ and prints their figures. The frame
# benchmark opens a window: without a display it gets its own X server.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
cmake -S "$root" -B "$build" -DPLUMBRIX_BENCH=ON -DPLUMBRIX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_rules bench_frame >/dev/null
"$build/bench/bench_rules"
# llvmpipe's speed depends on its thread count: the same for both frame loops.
export LP_NUM_THREADS="${LP_NUM_THREADS:-1}"
# In an empty directory, so no score.dat is read from where the script runs.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
if [ -n "${DISPLAY:-}" ]; then
    "$build/bench/bench_frame"
else
    xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/bench_frame"
fi
