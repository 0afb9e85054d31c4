#!/usr/bin/env bash
# Builds the atlas of the demo disk set side by side with the 25 plain
# zud2avuze runs it stands for, default and -B -B, and appends the figures
# to bench/results.txt (and the console).
#   bash bench/atlas_bench.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target zud2avuze qz-atlas make_demo_disks atlas_bench >/dev/null
disks=$(mktemp -d)
trap 'rm -rf "$disks"' EXIT
build-bench/tools/make_demo_disks "$disks" >/dev/null
{
  echo
  echo "# atlas: $(date -u '+%Y-%m-%d %H:%M') on $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
       "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), load $(cut -d' ' -f1-3 /proc/loadavg)"
  build-bench/bench/atlas_bench build-bench/src/driver/zud2avuze build-bench/src/atlas/qz-atlas "$disks" "${1:-3}"
} | tee -a bench/results.txt
