#!/usr/bin/env bash
# The main job on a demo disk set: builds the program, makes the five demo
# disk images with the project's own code, and renders all 64 maps from them
# into out/maps.  Real maps need your own disk images (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++

cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF -DQZ_BENCH=OFF >/dev/null
cmake --build build-demo -j"$(nproc)" --target zud2avuze make_demo_disks

mkdir -p out/disks out/maps
build-demo/tools/make_demo_disks out/disks
cd out/maps
../../build-demo/src/driver/zud2avuze --overwrite \
  -d1 ../disks/qz-program.dsk -d2 ../disks/qz-castle.dsk -d3 ../disks/qz-dwelling.dsk \
  -d4 ../disks/qz-keep.dsk -d5 ../disks/qz-towne.dsk "$@"
echo "rendered $(ls ./*.bmp | wc -l) maps into out/maps"
