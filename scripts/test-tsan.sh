#!/usr/bin/env bash
# Builds the threaded parts and their tests with ThreadSanitizer into
# build-tsan (or $TSAN_BUILD_DIR) and runs the suites that start port workers:
# the worker tests over pseudo-terminals, the dialogs (an upload on the port's
# own thread) and the command-line tool's runs (every command detects on
# workers). Any report fails the run.
# Usage: scripts/test-tsan.sh [extra cmake args]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TSAN_BUILD_DIR:-build-tsan}

# clang's ThreadSanitizer: it sees the timed waits of the C++ library that
# GCC 12's does not (pthread_cond_clockwait), which would make it report races
# that a lock prevents.
need=()
command -v clang++-14 >/dev/null 2>&1 || need+=(clang-14)
dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed" ||
  need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:report_signal_unsafe=0:suppressions=$(pwd)/tests/tsan.supp"
export QT_QPA_PLATFORM=offscreen

start=$(date +%s)
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DVL_TSAN=ON -DVL_BUILD_BENCH=OFF "${launcher[@]}" "$@"
cmake --build "$build" -j2 --target test_e2e test_dialogs test_diagnostics velarim-cli velarim-sim
built=$(date +%s)
status=0
ctest --test-dir "$build" --output-on-failure -R '^(test_e2e|test_dialogs|test_diagnostics)$' ||
  status=$?
end=$(date +%s)
echo "test-tsan: build $((built - start)) s, tests $((end - built)) s"
exit $status
