#!/bin/sh
# Builds the best-score fuzzer with clang++ and runs it on a scratch copy of
# the seed corpus, so the repository is never written.
# Usage: run_fuzz.sh CLANGXX SOURCE_DIR WORK_DIR [SECONDS]; exits 77 (skipped)
# when there is no clang++.
set -e
clang=$1 src=$2 work=$3 seconds=${4:-20}
if [ -z "$clang" ] || ! command -v "$clang" >/dev/null 2>&1; then
  echo "clang++ not found: best-score fuzzer skipped"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work/corpus"
cp "$src"/tests/stress/corpus/* "$work/corpus/"
"$clang" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$src" \
  "$src/tests/stress/fuzz_best_score.cpp" "$src/game/best_score.cpp" "$src/game/score_file.cpp" "$src/game/state.cpp" \
  -o "$work/fuzz_best_score"
# The target saves score.dat (with an fsync) in its working directory: keep
# that in memory when possible.
run=$(mktemp -d /dev/shm/plumbrix-fuzz-XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$run"' EXIT
cd "$run"
"$work/fuzz_best_score" -max_total_time="$seconds" -timeout=5 -error_exitcode=1 -timeout_exitcode=1 \
  -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus"
