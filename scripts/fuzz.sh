#!/usr/bin/env bash
# The libFuzzer targets, built with clang into build-fuzz.
#
#   scripts/fuzz.sh regress            run every target once over its seed
#                                      corpus, the minimized corpus saved from
#                                      earlier campaigns (fuzz/corpus/T) and
#                                      saved crash inputs (fuzz/regressions/T)
#   scripts/fuzz.sh run SECONDS [T...] fuzz targets T (default: all) for
#                                      SECONDS each, one after the other;
#                                      new inputs go to build-fuzz/corpus/T,
#                                      crashes to build-fuzz/crashes/T
#
# Targets: options (command line), bitmap (BMP reader and shape sheet from a
# BMP), prodos (ProDOS reader, lookups and file reads), category (raw map
# and character reads, then every map drawn and filtered).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make clang libclang-rt-14-dev libdeflate-dev

targets_all=(options bitmap prodos category)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQZ_FUZZ=ON -DQZ_TESTS=OFF -DQZ_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" \
  --target make_fuzz_corpus $(printf 'fuzz_%s ' "${targets_all[@]}")

# Seeds made by the project's own fixture code, fresh every time.
rm -rf build-fuzz/seeds
build-fuzz/fuzz/make_fuzz_corpus build-fuzz/seeds

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
mode=${1:-regress}
case "$mode" in
  regress)
    for t in "${targets_all[@]}"; do
      inputs=(build-fuzz/seeds/"$t"/*)
      for saved in fuzz/corpus/"$t" fuzz/regressions/"$t"; do
        [ -d "$saved" ] && inputs+=("$saved"/*)
      done
      echo "fuzz_$t: ${#inputs[@]} inputs"
      build-fuzz/fuzz/fuzz_"$t" -close_fd_mask=1 -rss_limit_mb=2048 "${inputs[@]}" >/dev/null 2>build-fuzz/"$t".log \
        || { cat build-fuzz/"$t".log; echo "fuzz_$t failed"; exit 1; }
    done
    ;;
  run)
    seconds=${2:?seconds}
    shift 2
    targets=("$@")
    [ ${#targets[@]} -gt 0 ] || targets=("${targets_all[@]}")
    for t in "${targets[@]}"; do
      mkdir -p build-fuzz/corpus/"$t" build-fuzz/crashes/"$t"
      dirs=(build-fuzz/corpus/"$t" build-fuzz/seeds/"$t")
      for saved in fuzz/corpus/"$t" fuzz/regressions/"$t"; do
        [ -d "$saved" ] && dirs+=("$saved")
      done
      build-fuzz/fuzz/fuzz_"$t" -close_fd_mask=1 -rss_limit_mb=2048 -timeout=10 \
        -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/crashes/"$t"/ "${dirs[@]}" 2>&1 | tail -n 15
    done
    ;;
  *) echo "usage: scripts/fuzz.sh regress | run SECONDS [TARGET...]" >&2; exit 2 ;;
esac
