#!/usr/bin/env bash
# The main job on a demo disk set: builds every program into build/ (where
# the README's install instructions take them from), makes the five demo
# disk images with the project's own code, renders all 64 maps from them
# into out/maps and builds their atlas in out/atlas.  Real maps need your
# own disk images (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF -DQZ_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target zud2avuze qz-atlas prodos make_demo_disks

mkdir -p out/disks out/maps
build/tools/make_demo_disks out/disks
disks=(-d1 out/disks/qz-program.dsk -d2 out/disks/qz-castle.dsk -d3 out/disks/qz-dwelling.dsk
       -d4 out/disks/qz-keep.dsk -d5 out/disks/qz-towne.dsk)
(cd out/maps && ../../build/src/driver/zud2avuze --overwrite "${disks[@]/#out/../../out}" "$@")
echo "rendered $(ls out/maps/*.bmp | wc -l) maps into out/maps"

# The atlas takes the same picture options, but holds every hour itself.
atlas_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    -h|--hour) shift ;;
    --default|--overwrite) ;;
    *) atlas_args+=("$1") ;;
  esac
  shift
done
build/src/atlas/qz-atlas --overwrite "${disks[@]}" "${atlas_args[@]}" -o out/atlas
echo "built the atlas of every map and hour: open file://$(pwd)/out/atlas/index.html"
