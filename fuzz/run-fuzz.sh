#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz, runs one of them for a
# while from the seeds and the kept corpus, then merges what it found into
# fuzz/corpus/<target>/ (only inputs that add coverage are kept).
# Usage: fuzz/run-fuzz.sh document|replies [seconds, default 600]
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?document or replies}
seconds=${2:-600}
build=${FUZZ_BUILD_DIR:-build-fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVL_FUZZ=ON \
  -DVL_BUILD_TESTS=OFF -DVL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "fuzz_$target"

work="$build/work/$target"
mkdir -p "$work" "$build/artifacts" "fuzz/corpus/$target"
cp -n fuzz/seeds/$target/* fuzz/corpus/$target/* "$work"/ 2>/dev/null || true
case $target in
  document) max_len=16384 ;;
  *) max_len=8192 ;;
esac
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/bin/fuzz_$target" -max_len=$max_len -rss_limit_mb=4096 -timeout=20 \
  -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$build/artifacts/$target-" "$work"

# Merge into a fresh folder that starts with the seeds, so that the kept
# corpus holds only what the seeds do not already cover; edges only (no hit
# counts), which keeps it small.
merged="$build/merged/$target"
rm -rf "$merged" && mkdir -p "$merged"
cp fuzz/seeds/$target/* "$merged"/
"$build/bin/fuzz_$target" -merge=1 -use_counters=0 -max_len=$max_len -rss_limit_mb=4096 "$merged" "$work"
for seed in fuzz/seeds/$target/*; do rm -f "$merged/$(basename "$seed")"; done
rm -rf "fuzz/corpus/$target" && mkdir -p "fuzz/corpus/$target"
cp "$merged"/* "fuzz/corpus/$target"/ 2>/dev/null || true
echo "fuzz/corpus/$target: $(ls "fuzz/corpus/$target" | wc -l) files, $(du -sh "fuzz/corpus/$target" | cut -f1)"
