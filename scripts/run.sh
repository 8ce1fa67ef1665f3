#!/usr/bin/env bash
# Builds VL_Tool (scripts/setup.sh installs what is missing, configures and
# builds into build/) and starts the window. Without --hardware it runs on
# simulated devices: two visible-range spectrometers (one of them the
# data-logging LX model with 12 logged records) and an LED unit. With no
# display it runs under a virtual X server.
#
#   scripts/run.sh [--hardware] [VL_Tool arguments...]
#   e.g. scripts/run.sh --hardware --port /dev/pts/7=1A86:7523
set -euo pipefail
cd "$(dirname "$0")/.."

hardware=0
args=()
for a in "$@"; do
  if [ "$a" = "--hardware" ]; then hardware=1; else args+=("$a"); fi
done

scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
exe="$BUILD_DIR/bin/VL_Tool"

if [ "$hardware" -eq 0 ]; then
  args=(--simulate "vis:serial=VS0001,vis:serial=VL0002:lx=1:records=12,led" --settle-ms 300
        "${args[@]+"${args[@]}"}")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "run: no display, starting under xvfb-run"
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$exe" "${args[@]+"${args[@]}"}"
fi
exec "$exe" "${args[@]+"${args[@]}"}"
