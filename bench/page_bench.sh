#!/usr/bin/env bash
# The atlas page in headless Chromium, for the atlas of the demo disk set
# and of a set whose characters wander (bench/varied_disks.cpp): how long
# the overview takes to open from disk, key to picture, and the memory of
# the renderer and GPU processes after 10 and 100 views.  Appends the
# figures to bench/results.txt (and the console).
#   bash bench/page_bench.sh [REPETITIONS]
# Needs chromium and node; puppeteer-core comes from the page test's
# pinned packages (tests/atlas/browser).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev chromium
command -v npm >/dev/null || qz_install npm
browser_test=tests/atlas/browser
if ! cmp -s "$browser_test/package-lock.json" "$browser_test/node_modules/.qz-installed-lock" 2>/dev/null; then
  (cd "$browser_test" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$browser_test/package-lock.json" "$browser_test/node_modules/.qz-installed-lock"
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target qz-atlas make_demo_disks varied_disks >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/demo" "$work/varied"
build-bench/tools/make_demo_disks "$work/demo" >/dev/null
build-bench/bench/varied_disks "$work/varied"
{
  echo
  echo "# atlas page: $(date -u '+%Y-%m-%d %H:%M') on $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)," \
       "$(chromium --version 2>/dev/null | head -1), commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), load $(cut -d' ' -f1-3 /proc/loadavg)"
  for set in demo varied; do
    d="$work/$set"
    build-bench/src/atlas/qz-atlas -d1 "$d/qz-program.dsk" -d2 "$d/qz-castle.dsk" -d3 "$d/qz-dwelling.dsk" \
      -d4 "$d/qz-keep.dsk" -d5 "$d/qz-towne.dsk" -o "$d/atlas" 2>/dev/null
    NODE_PATH="$browser_test/node_modules" node bench/page_bench.js "$d/atlas" "${1:-5}"
  done
} | tee -a bench/results.txt
