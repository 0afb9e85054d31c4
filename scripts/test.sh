#!/usr/bin/env bash
# Builds and runs the whole test suite: a GCC release build, the same suite
# built with Clang under AddressSanitizer (with leak detection) and
# UndefinedBehaviorSanitizer (less the full-picture comparisons, labelled
# release_only), the demo disks of both compilers compared byte for byte,
# and the fuzz targets over their corpora.  Warnings are errors in both
# builds.  Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev libgtest-dev nlohmann-json3-dev libssl-dev python3 python3-pil imagemagick mame-tools \
  clang libclang-rt-14-dev man-db groff-base chromium firefox-esr
# Node.js from elsewhere brings its own npm, which Debian's package would
# conflict with: look for the command, not the package.
command -v npm >/dev/null || qz_install npm

jobs=$(nproc)
# Each phase's wall time, printed when the next begins.
phase_name="" phase_start=$SECONDS
phase() {
  [ -z "$phase_name" ] || echo "-- $phase_name: $((SECONDS - phase_start)) s"
  phase_name=$1 phase_start=$SECONDS
  [ -z "$1" ] || echo "== $1"
}

phase "build and test (GCC, release)"
CC=gcc CXX=g++ cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=ON -DQZ_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

phase "the atlas page in headless Chromium and Firefox"
bash tests/atlas/browser/run.sh build

phase "install into a fresh prefix"
prefix=$(mktemp -d)
cmake --install build --prefix "$prefix" >/dev/null
# zud2avuze prints its usage and exits with status 1; prodos --help prints
# its usage on standard output with status 0.
usage=$("$prefix"/bin/zud2avuze --help || true)
[ "${usage%%$'\n'*}" = "usage: zud2avuze [options]" ] || { echo "installed zud2avuze does not run"; exit 1; }
usage=$("$prefix"/bin/prodos --help 2>/dev/null) || { echo "installed prodos --help failed"; exit 1; }
[ "${usage%%$'\n'*}" = "usage: prodos [--do|--po] list IMAGE" ] || { echo "installed prodos does not run"; exit 1; }
# qz-atlas prints its usage and exits with status 0.
usage=$("$prefix"/bin/qz-atlas --help)
[ "${usage%%$'\n'*}" = "usage: qz-atlas [options]" ] || { echo "installed qz-atlas does not run"; exit 1; }
for page in zud2avuze prodos qz-atlas; do
  out=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1" 2>&1)
  echo "$out" | grep -q '^NAME' || { echo "man page $page does not render"; exit 1; }
  if echo "$out" | grep -qi 'warning'; then echo "man page $page: $out"; exit 1; fi
done
rm -rf "$prefix"
echo "installed programs run and their manual pages render"

phase "build and test (Clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
CC=clang CXX=clang++ cmake -S . -B build-clang -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_WERROR=ON >/dev/null
cmake --build build-clang -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-clang -j"$jobs" --output-on-failure -LE release_only

phase "the demo disks of GCC and Clang, byte for byte"
demo_gcc=$(mktemp -d) demo_clang=$(mktemp -d)
build/tools/make_demo_disks "$demo_gcc" >/dev/null
build-clang/tools/make_demo_disks "$demo_clang" >/dev/null
diff -r "$demo_gcc" "$demo_clang" >/dev/null || { echo "the demo disks differ between GCC and Clang"; exit 1; }
echo "$(ls "$demo_gcc" | wc -l) disk images, the same bytes"
rm -rf "$demo_gcc" "$demo_clang"

if [ -x scripts/fuzz.sh ]; then
  phase "fuzz targets over their corpora"
  scripts/fuzz.sh regress
fi
phase ""
echo "== all tests passed"
