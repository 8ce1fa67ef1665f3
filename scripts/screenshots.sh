#!/usr/bin/env bash
# Pictures of the main window on simulated devices, one per display mode, into
# docs/screenshots/. Uses an existing build (BUILD_DIR, default build/); run
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
for mode in 0 1 2 3 4; do
  file="$out/main-${names[$mode]}.png"
  "$exe" --simulate "$devices" --settle-ms 300 \
    --screenshot "$file" --mode "$mode" --after-ms 1200 --records 4
  echo "screenshots: $file"
done
