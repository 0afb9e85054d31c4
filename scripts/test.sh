#!/usr/bin/env bash
# Builds and runs the whole test suite: the normal build, the same suite
# under AddressSanitizer (with leak detection) and UndefinedBehaviorSanitizer,
# and the fuzz targets over their corpora.  Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make g++ libdeflate-dev libgtest-dev nlohmann-json3-dev libssl-dev python3 python3-pil imagemagick \
  clang libclang-rt-14-dev man-db groff-base chromium firefox-esr
# Node.js from elsewhere brings its own npm, which Debian's package would
# conflict with: look for the command, not the package.
command -v npm >/dev/null || qz_install npm

jobs=$(nproc)

echo "== build and test (release)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQZ_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== the atlas page in headless Chromium and Firefox"
bash tests/atlas/browser/run.sh build

echo "== install into a fresh prefix"
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

echo "== build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize -j"$jobs" --output-on-failure

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzz targets over their corpora"
  scripts/fuzz.sh regress
fi
echo "== all tests passed"
