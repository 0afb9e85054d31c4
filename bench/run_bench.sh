#!/usr/bin/env bash
# Times whole renders of the demo disk set against the floor (starting a
# program that does nothing and writing the same bytes, one write call per
# file) and the colour filters, then the atlas beside the 25 runs it stands
# for (bench/atlas_bench.sh), and writes the figures to bench/results.txt
# (and the console).  Run it on a quiet machine.
#   bash bench/run_bench.sh [PAIRS]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target zud2avuze make_demo_disks run_bench nothing filter_bench >/dev/null
disks=$(mktemp -d)
trap 'rm -rf "$disks"' EXIT
build-bench/tools/make_demo_disks "$disks" >/dev/null
{
  echo "# $(date -u '+%Y-%m-%d %H:%M') on $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
  build-bench/bench/run_bench build-bench/src/driver/zud2avuze build-bench/bench/nothing "$disks" "${1:-7}"
  echo
  build-bench/bench/filter_bench
} | tee bench/results.txt
bash bench/atlas_bench.sh
