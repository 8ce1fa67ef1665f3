#!/usr/bin/env bash
# Pictures of the main window on simulated devices, one per display mode, the
# English window and the cursor readout, into docs/screenshots/. Uses an existing build (BUILD_DIR, default build/); run
# scripts/setup.sh first. Renders off-screen, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
exe="$BUILD_DIR/bin/VL_Tool"
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
shoot "$out/cursor-readout.png" --mode 0 --lang ja --cursor 165,385
