#!/usr/bin/env bash
# Builds VL_Tool without tests and benchmarks into build-pkg/ and makes the Debian package
# with CPack. Prints the path of the .deb. Usage: scripts/package.sh [extra cmake args]
# Installs missing build packages first (through scripts/setup.sh's list) when needed.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build-pkg}
# setup.sh installs what is missing and builds; tests and benchmarks are left out. The
# programs are stripped when packed (CPACK_STRIP_FILES).
BUILD_DIR=$BUILD_DIR scripts/setup.sh -DVL_BUILD_TESTS=OFF -DVL_BUILD_BENCH=OFF "$@"

command -v dpkg-shlibdeps >/dev/null || {
  echo "package: dpkg-shlibdeps missing (apt-get install dpkg-dev)" >&2
  exit 1
}

(cd "$BUILD_DIR" && cpack -G DEB >cpack.log 2>&1) || {
  cat "$BUILD_DIR/cpack.log" >&2
  exit 1
}
deb=$(ls -t "$BUILD_DIR"/vl-tool_*.deb | head -n 1)
echo "$(realpath "$deb")"
