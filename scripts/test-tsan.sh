#!/usr/bin/env bash
# Builds the port workers, their tests and the programs with ThreadSanitizer
# into build-tsan (or $TSAN_BUILD_DIR) and runs what starts threads: the worker
# tests (closing ports under work, an upload on the port's own thread),
# velarim-cli's commands on simulated devices (with wire time and a device that
# drops out), an HDF5 export and read (chunks packed and unpacked on a team of
# threads), the automation API's handlers and acquisition on pseudo-terminals
# served by velarim-sim. Any report fails the run. Qt is not instrumented: tests/tsan.supp says what is
# left out.
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
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DVL_TSAN=ON -DVL_BUILD_BENCH=OFF "${launcher[@]}" "$@"
cmake --build "$build" -j2 --target test_e2e test_dialogs test_session test_api velarim-cli velarim-sim
built=$(date +%s)

# Every run below exits non-zero on a report (ThreadSanitizer's exit code 66).
# clang 14's runtime trips over fork() in a threaded process, so the suites'
# tests that start programs are left to the other builds; the programs
# themselves run here, instrumented, from this script.
status=0
check() {
  echo "test-tsan: $*"
  "$@" >"$build/tsan-run.log" 2>&1 || { cat "$build/tsan-run.log"; status=1; }
}
bin=$build/bin
check "$bin/test_e2e" --gtest_filter='WorkersOverPty.Closing*'
# The trend window's colour series, worked out on a thread of their own while records come and go.
check "$bin/test_dialogs" --gtest_filter='UploadOnItsThread*:BesideTheTicks*:TrendDlgTest.Colour*'
# The recovery journal: entries handed to its writer thread, flushed, compacted, ended.
check "$bin/test_session" --gtest_filter='RecoveryJournal*:SessionTest.TheJournal*'
# The automation API: the session's events answered on its thread while the
# workers read, clients at once, settings that wait for their read-back.
check "$bin/test_api"
devices="vis,vis:link=bridge:lx=1:baud=921600:latency_us=500,vis:fault=unplug@40,led"
files=$(mktemp -d)
# The settings go to every device through its own worker and are read back.
check "$bin/velarim-cli" acquire --records 20 --interval-ms 0 --settle-ms 20 --exposure-us 20000 \
  --averaging 2 --led on --csv "$files/run.csv" --simulate "$devices"
check "$bin/velarim-cli" spectrum --json --settle-ms 20 --exposure-us 15000 \
  --simulate "uv,vis:link=bridge,nir"
# The HDF5 export and read pack and unpack chunks on a team of threads.
check "$bin/velarim-cli" acquire --records 40 --interval-ms 0 --settle-ms 20 \
  --vltd "$files/run.vltd" --simulate "vis,vis,vis"
check "$bin/velarim-cli" convert "$files/run.vltd" "$files/run.h5"
check "$bin/velarim-cli" convert "$files/run.h5" "$files/back.vltd"
cmp "$files/run.vltd" "$files/back.vltd" || { echo "test-tsan: HDF5 round trip differs"; status=1; }
rm -rf "$files"
check "$bin/velarim-cli" list --settle-ms 20 --simulate "$devices"
check "$bin/velarim-cli" info --device 1 --settle-ms 20 --simulate "$devices"
check "$bin/velarim-cli" upload --device 1 --settle-ms 20 --simulate "$devices"
# Real serial ports on pseudo-terminals, a worker per port.
ports=$(mktemp)
"$bin/velarim-sim" --pty "vis:serial=P1,vis:serial=P2:link=bridge,led" >"$ports" 2>/dev/null &
sim=$!
for _ in $(seq 100); do [ "$(wc -l <"$ports")" -ge 3 ] && break; sleep 0.1; done
args=()
while read -r p; do args+=(--port "$p"); done <"$ports"
check "$bin/velarim-cli" acquire --records 10 --interval-ms 0 --settle-ms 20 --csv "$ports.csv" \
  "${args[@]}"
kill "$sim" 2>/dev/null || true
wait "$sim" 2>/dev/null || true
rm -f "$ports" "$ports.csv"
end=$(date +%s)
echo "test-tsan: build $((built - start)) s, runs $((end - built)) s"
exit $status
