#!/usr/bin/env bash
# Builds the whole program and test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan (or $ASAN_BUILD_DIR) and runs every
# test headless. Any sanitizer report fails the run.
# Usage: scripts/test-sanitize.sh [extra cmake args]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${ASAN_BUILD_DIR:-build-asan}

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# Tools run during the build (xyzgen) are instrumented too, so the options hold
# for the build as well as for the tests.
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

start=$(date +%s)
# -O1 with line tables: quick to build, fast enough to run, readable reports;
# without NDEBUG, so that assertions are checked too.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DVL_SANITIZE=ON \
  -DVL_BUILD_BENCH=OFF "${launcher[@]}" "$@"
cmake --build "$build" -j2
built=$(date +%s)
status=0
ctest --test-dir "$build" --output-on-failure -j2 || status=$?
end=$(date +%s)
echo "test-sanitize: build $((built - start)) s, tests $((end - built)) s"
exit $status
