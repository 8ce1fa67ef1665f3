#!/usr/bin/env bash
# Pictures of the main window on simulated devices, one per display mode, the
# English window, the cursor readout and the trend window, into docs/screenshots/. Uses an existing build (BUILD_DIR, default build/); run
# scripts/setup.sh first. Renders off-screen, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
exe="$BUILD_DIR/bin/vl-screenshots"
[ -x "$exe" ] || { echo "screenshots: $exe not built (run scripts/setup.sh)" >&2; exit 1; }
out=docs/screenshots
mkdir -p "$out"
devices="vis:serial=VS0001,vis:serial=VL0002:lx=1:records=12,led"
names=(line colour comparison absorptance chromaticity)
export QT_QPA_PLATFORM=offscreen TZ=${TZ:-Asia/Tokyo}
shoot() {
  local file=$1; shift
  "$exe" --simulate "$devices" --settle-ms 300 --screenshot "$file" --after-ms 1200 --records 4 "$@"
  echo "screenshots: $file"
}
# The Japanese window whatever the system locale, one picture per display mode.
for mode in 0 1 2 3 4; do
  shoot "$out/main-${names[$mode]}.png" --mode "$mode" --lang ja
done
# The English window, and the status-bar readout for the mouse resting on the
# 450 nm grid line (panel column 55 + 110).
shoot "$out/main-english.png" --mode 0 --lang en
# A device that stops answering after 60 exchanges: marked in the device list,
# the peak label and the status bar.
"$exe" --simulate "vis:serial=VS0001,vis:serial=VL0002:fault=unplug@60,led" --settle-ms 300 \
  --screenshot "$out/no-reply.png" --after-ms 3500 --records 2 --mode 0 --lang ja 2>/dev/null
echo "screenshots: $out/no-reply.png"
shoot "$out/cursor-readout.png" --mode 0 --lang ja --cursor 165,385
# A UV and a visible device together: each curve on its own grid, the axis over both.
"$exe" --simulate "uv:serial=UV0001,vis:serial=VS0001,led" --settle-ms 300 \
  --screenshot "$out/uv-and-visible.png" --after-ms 1500 --records 4 --mode 0 --lang ja
echo "screenshots: $out/uv-and-visible.png"

# A device whose port is held by another program: a simulated device on a
# pseudo-terminal, held by a running velarim-cli; the window names the port and
# the remedy in the status bar.
sim_out=$(mktemp)
"$BUILD_DIR/bin/velarim-sim" --pty vis >"$sim_out" 2>/dev/null &
sim_pid=$!
holder_pid=
stop() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 20); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$1" 2>/dev/null || true
}
cleanup() {
  if [ -n "$holder_pid" ]; then stop "$holder_pid"; fi
  stop "$sim_pid"
  rm -f "$sim_out" "$sim_out.csv"
}
trap cleanup EXIT
for _ in $(seq 50); do grep -q '=' "$sim_out" && break; sleep 0.1; done
port=$(head -n 1 "$sim_out")
"$BUILD_DIR/bin/velarim-cli" acquire --records 10000 --interval-ms 1000 --port "$port" \
  --settle-ms 0 --csv "$sim_out.csv" >/dev/null 2>&1 &
holder_pid=$!
sleep 1
"$exe" --port "$port" --settle-ms 0 --screenshot "$out/port-diagnostic.png" --after-ms 800 \
  --lang en 2>/dev/null
echo "screenshots: $out/port-diagnostic.png"

# The trend window over a made-up overnight run (crossing midnight, one device
# silent for 40 minutes), the mouse resting on the middle record.
run=$(mktemp --suffix=.vltd)
/usr/bin/python3 scripts/trend-sample-run.py "$run"
"$exe" "$run" --simulate "vis:serial=VS0001,vis:serial=VS0002,vis:serial=VL0003" --settle-ms 300 \
  --trend-screenshot "$out/trend.png" --lang ja 2>/dev/null
rm -f "$run"
echo "screenshots: $out/trend.png"
