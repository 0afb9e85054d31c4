#!/usr/bin/env bash
# The libFuzzer targets, built with clang into build-fuzz.
#
#   scripts/fuzz.sh regress            run every target once over its seeds,
#                                      its minimized corpus (fuzz/corpus/T)
#                                      and the inputs that ever failed
#                                      (fuzz/regressions/T)
#   scripts/fuzz.sh run SECONDS [T...] fuzz targets T (default: all) for
#                                      SECONDS each, one after the other, with
#                                      the target's dictionary (fuzz/T.dict);
#                                      new inputs go to build-fuzz/corpus/T,
#                                      a failing input to fuzz/regressions/T
#   scripts/fuzz.sh merge [T...]       minimize fuzz/corpus/T and
#                                      build-fuzz/corpus/T into fuzz/corpus/T,
#                                      keeping the inputs that reach more
#                                      than the seeds (which are made afresh
#                                      and not saved)
#   scripts/fuzz.sh coverage           source-based coverage of the readers
#                                      by the saved inputs, per file, and the
#                                      lines no saved input reaches (build in
#                                      build-coverage)
#
# Targets: options (command line), bitmap (BMP reader and shape sheet from a
# BMP), prodos (ProDOS reader, lookups and file reads, with a structure-
# aware mutator), category (raw map and character reads, then one map drawn
# and coloured), image (disk image containers: WOZ, NIB, 2IMG and raw, every
# track decoded and every sector read).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
qz_install cmake make clang libclang-rt-14-dev libdeflate-dev

targets_all=(options bitmap prodos category image)
mode=${1:-regress}
build=build-fuzz
coverage_flags=()
if [ "$mode" = coverage ]; then
  qz_install llvm-14  # llvm-profdata-14, llvm-cov-14
  build=build-coverage
  coverage_flags=(-DQZ_COVERAGE=ON)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQZ_FUZZ=ON -DQZ_TESTS=OFF -DQZ_BENCH=OFF "${coverage_flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" \
  --target make_fuzz_corpus $(printf 'fuzz_%s ' "${targets_all[@]}")

# Seeds made by the project's own fixture code, fresh every time.
rm -rf "$build"/seeds
LLVM_PROFILE_FILE="$build/make_fuzz_corpus.profraw" "$build"/fuzz/make_fuzz_corpus "$build"/seeds

# An allocation above 64 MiB fails as on a machine short of memory (the
# readers must report it), instead of taking the time to zero it.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:max_allocation_size_mb=64
options=(-close_fd_mask=1 -rss_limit_mb=2048)

# The longest input a run makes or a merge saves, by target (libFuzzer cuts
# longer ones): disk images reach every line of their readers within 16
# KiB (a WOZ of two tracks), and whole disks come from the seeds.
max_len_of() {
  case "$1" in
    image) echo -max_len=16384 ;;
  esac
}

# The saved inputs of target $1, one path a line: seeds, corpus, regressions.
saved_inputs() {
  find "$build/seeds/$1" "fuzz/corpus/$1" "fuzz/regressions/$1" -type f 2>/dev/null | sort
}

# Runs target $1 once over its saved inputs; the log goes to $build/$1.log.
run_saved() {
  local inputs
  mapfile -t inputs < <(saved_inputs "$1")
  echo "fuzz_$1: ${#inputs[@]} inputs"
  "$build"/fuzz/fuzz_"$1" "${options[@]}" "${inputs[@]}" >/dev/null 2>"$build/$1.log" \
    || { cat "$build/$1.log"; echo "fuzz_$1 failed"; exit 1; }
}

case "$mode" in
  regress)
    for t in "${targets_all[@]}"; do run_saved "$t"; done
    ;;
  run)
    seconds=${2:?seconds}
    shift 2
    targets=("$@")
    [ ${#targets[@]} -gt 0 ] || targets=("${targets_all[@]}")
    for t in "${targets[@]}"; do
      mkdir -p "$build/corpus/$t" "fuzz/regressions/$t"
      dirs=("$build/corpus/$t" "$build/seeds/$t")
      [ -d "fuzz/corpus/$t" ] && dirs+=("fuzz/corpus/$t")
      "$build"/fuzz/fuzz_"$t" "${options[@]}" $(max_len_of "$t") -timeout=10 -dict="fuzz/$t.dict" \
        -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="fuzz/regressions/$t/" "${dirs[@]}" 2>&1 | tail -n 15
    done
    ;;
  merge)
    shift
    targets=("$@")
    [ ${#targets[@]} -gt 0 ] || targets=("${targets_all[@]}")
    for t in "${targets[@]}"; do
      rm -rf "$build/merged/$t"
      mkdir -p "$build/merged/$t" "$build/corpus/$t"
      # The seeds start the merge, so that only inputs reaching more than
      # they do are added; then they leave it.
      cp "$build/seeds/$t"/* "$build/merged/$t"/
      dirs=("$build/corpus/$t")
      [ -d "fuzz/corpus/$t" ] && dirs+=("fuzz/corpus/$t")
      "$build"/fuzz/fuzz_"$t" "${options[@]}" $(max_len_of "$t") -merge=1 "$build/merged/$t" "${dirs[@]}" 2>&1 | tail -n 2
      for seed in "$build/seeds/$t"/*; do rm -f "$build/merged/$t/${seed##*/}"; done
      rm -rf "fuzz/corpus/$t"
      mv "$build/merged/$t" "fuzz/corpus/$t"
      echo "fuzz/corpus/$t: $(ls "fuzz/corpus/$t" | wc -l) inputs"
    done
    ;;
  coverage)
    rm -rf "$build"/profiles
    mkdir -p "$build"/profiles
    objects=()
    for t in "${targets_all[@]}"; do
      LLVM_PROFILE_FILE="$build/profiles/$t-%p.profraw" run_saved "$t"
      objects+=(-object "$build/fuzz/fuzz_$t")
    done
    llvm-profdata-14 merge -sparse "$build"/profiles/*.profraw -o "$build"/coverage.profdata
    # Each target has its own LLVMFuzzerTestOneInput: llvm-cov warns that
    # they differ; the readers' functions are the same in every target.
    # The targets read from memory; the file-reading halves of the disk
    # reads (src/disk/prodos_open_file.cpp, src/map/category_read_file.cpp,
    # src/disk/disk_image_file.cpp) are not linked into them and are covered
    # by the unit tests alone.  The containers' readers are disk_image.cpp
    # and gcr_track.cpp; the headers they include (gcr_format.h,
    # gcr_latch_table.h) hold the formats' facts, tables built while
    # compiling, which no run executes, and two one-line codes the reader
    # uses (gcr_44_value, gcr_swap_2).
    readers=(src/disk/prodos_volume.cpp src/disk/prodos_map.cpp src/disk/prodos_file.cpp
             src/map/category_read.cpp src/bitmap/bmp_read.cpp src/tiles/shape_import.cpp
             src/run/options.cpp src/disk/disk_image.cpp src/disk/gcr_track.cpp)
    llvm-cov-14 report "${objects[@]:1}" -instr-profile="$build"/coverage.profdata "${readers[@]}" \
      2> >(grep -v 'functions have mismatched data' >&2)
    echo
    echo "Lines no saved input reaches:"
    llvm-cov-14 show "${objects[@]:1}" -instr-profile="$build"/coverage.profdata "${readers[@]}" \
      2> >(grep -v 'functions have mismatched data' >&2) \
      | awk -F'|' '/^\/.*:$/ { file = $0; sub(/^.*\/src\//, "src/", file); sub(/:$/, "", file) }
                   NF >= 3 && $2 ~ /^ *0$/ { gsub(/^ +/, "", $1); print "  " file ":" $1 ":" $3 }'
    ;;
  *) echo "usage: scripts/fuzz.sh regress | run SECONDS [TARGET...] | merge [TARGET...] | coverage" >&2; exit 2 ;;
esac
