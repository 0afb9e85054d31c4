#!/usr/bin/env bash
# Times the disk image containers: decoding tracks and whole disks (WOZ 1,
# WOZ 2, NIB; the latch table against one bit a step), then whole default
# runs of zud2avuze from the demo set as WOZ images against the same runs
# from the raw images (ratio of medians of alternating pairs; target at
# most 1.3, peak memory under 16 MiB).  Run it on a quiet machine.
#   bash bench/image_bench.sh [PAIRS]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target zud2avuze make_demo_disks image_bench image_run_bench >/dev/null
disks=$(mktemp -d)
trap 'rm -rf "$disks"' EXIT
build-bench/tools/make_demo_disks --format dsk "$disks/dsk" >/dev/null
build-bench/tools/make_demo_disks --format woz "$disks/woz" >/dev/null
build-bench/bench/image_bench
echo
build-bench/bench/image_run_bench build-bench/src/driver/zud2avuze "$disks/dsk" "$disks/woz" "${1:-9}"
