#!/usr/bin/env bash
# Builds maze and the benchmark programs (optimised), measures maze beside
# wump from Debian's bsdgames in pseudo-terminals, and prints the figures as
# a markdown table. Takes about a minute; nothing here is a pass or fail.
# Options go to bench/terminal_bench.py (--idle-seconds, --keys, --starts,
# --moves, --json FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh g++ cmake ninja-build libncurses-dev libvterm-dev bsdgames strace python3 >&2
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMAZE_TESTS=OFF -DMAZE_BENCH=ON \
  >/dev/null
ninja -C "$build" -j2 maze bench_model_memory bench_screen_changes >/dev/null
echo "maze $(git rev-parse --short HEAD 2>/dev/null || echo '?'), $(nproc) cores," \
  "load average $(cut -d' ' -f1 /proc/loadavg) at the start, $(date -u +%Y-%m-%d)"
echo
python3 bench/terminal_bench.py --maze "$build/maze" --wump /usr/games/wump \
  --screen-changes "$build/bench/bench_screen_changes" \
  --model-memory "$build/bench/bench_model_memory" "$@"
