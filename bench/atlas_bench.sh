#!/usr/bin/env bash
# Builds the atlas of the demo disk set, and of a set whose characters
# wander (bench/varied_disks.cpp), side by side with the 25 plain zud2avuze
# runs it stands for, default and -B -B, and appends the figures to
# bench/results.txt (and the console).
#   bash bench/atlas_bench.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target zud2avuze qz-atlas make_demo_disks varied_disks atlas_bench >/dev/null
disks=$(mktemp -d)
trap 'rm -rf "$disks"' EXIT
mkdir "$disks/demo" "$disks/varied"
build-bench/tools/make_demo_disks "$disks/demo" >/dev/null
build-bench/bench/varied_disks "$disks/varied"
{
  echo
  echo "# atlas: $(date -u '+%Y-%m-%d %H:%M') on $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
       "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), load $(cut -d' ' -f1-3 /proc/loadavg)"
  for set in demo varied; do
    echo "disk set: $set"
    build-bench/bench/atlas_bench build-bench/src/driver/zud2avuze build-bench/src/atlas/qz-atlas "$disks/$set" "${1:-3}"
  done
} | tee -a bench/results.txt
