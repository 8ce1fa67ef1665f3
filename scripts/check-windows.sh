#!/usr/bin/env bash
# Keeps the code Windows-clean. Two checks, both over src/ and tools/:
#  1. POSIX-only headers (<unistd.h>, <fcntl.h>, <sys/...>, ...) appear only in
#     the platform files listed below, each of which has a Windows branch.
#  2. Every source file compiles for Windows with the MinGW-w64 cross compiler
#     (syntax only), against this machine's Qt 6, HDF5 and libdeflate headers.
# The pseudo-terminal simulator server (tools/velarim-sim) is Unix-only and is
# left out. This checks our code, not a Windows build: nothing is linked or run.
# Usage: scripts/check-windows.sh [--rules-only] [ROOT [FILE...]]
#   ROOT: the tree to check (this one); FILEs: compile only these (paths in ROOT).
set -euo pipefail
rules_only=0
if [ "${1:-}" = "--rules-only" ]; then
  rules_only=1
  shift
fi
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
shift || true
only=("$@")

# The one file per concern that holds both platforms' branches.
platform_files=(
  src/data/DurableWrite.cpp       # data on disk before a file replaces another
  src/data/SlabMemory.cpp         # the data set's zeroed slabs
  src/device/PortNode.cpp         # what the system says about a serial port's node
  tools/velarim-cli/CliPlatform.cpp # the terminal and the end signals
)
posix_headers='^[[:space:]]*#[[:space:]]*include[[:space:]]*<(unistd|fcntl|poll|termios|pthread|dlfcn|grp|pwd|pty|syslog)\.h>|^[[:space:]]*#[[:space:]]*include[[:space:]]*<sys/'

status=0
while IFS= read -r hit; do
  file=${hit%%:*}
  allowed=0
  for p in "${platform_files[@]}"; do
    [ "$file" = "$p" ] && allowed=1
  done
  [[ $file == tools/velarim-sim/* ]] && allowed=1
  if [ $allowed -eq 0 ]; then
    echo "check-windows: $hit: a POSIX-only header outside the platform files (scripts/check-windows.sh lists them)"
    status=1
  fi
done < <(grep -rnE "$posix_headers" $(ls -d src tools 2>/dev/null) --include='*.cpp' --include='*.h' || true)
if [ $status -ne 0 ] || [ $rules_only -eq 1 ]; then
  exit $status
fi

cxx=x86_64-w64-mingw32-g++-posix
if ! command -v $cxx >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    g++-mingw-w64-x86-64-posix
fi

qt=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
hdf5=/usr/include/hdf5/serial
# Papered over: the Linux HDF5 build's configuration header asks for glibc's
# <features.h>, which a Windows compiler does not have (an empty one stands in);
# libdeflate's header sits in /usr/include beside glibc's, which must not be
# seen, so it is reached through a folder of its own.
shim=$(mktemp -d)
: >"$shim/features.h"
ln -s /usr/include/libdeflate.h "$shim/libdeflate.h"

log=$(mktemp -d)
trap 'rm -rf "$shim" "$log"' EXIT
# The compiler's options in a response file, one per line: the definitions
# CMake makes for the project and for each Qt module it links.
{
  printf '%s\n' -std=c++20 -fsyntax-only -Wall -Wextra -Wno-unused-parameter \
    '-DVL_VERSION=\"check\"' '-DVL_VERSION_SHORT=\"check\"' -DUNICODE -D_UNICODE -Isrc \
    -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_NETWORK_LIB -DQT_SERIALPORT_LIB \
    -DQT_CONCURRENT_LIB -DQT_HTTPSERVER_LIB -DQT_WEBSOCKETS_LIB \
    -isystem "$qt" -isystem "$hdf5" -isystem "$shim"
  for module in "$qt"/Qt*; do printf '%s\n' -isystem "$module"; done
  for tool in tools/*/; do printf '%s\n' "-I$tool"; done
} >"$log/flags"

if [ ${#only[@]} -gt 0 ]; then
  sources=("${only[@]}")
else
  mapfile -t sources < <(find src tools -name '*.cpp' -not -path 'tools/velarim-sim/*' | sort)
fi
# Two at a time (the machine's cores); each file's messages into a log of its own.
printf '%s\n' "${sources[@]}" | xargs -P "${CHECK_WINDOWS_JOBS:-2}" -I{} sh -c \
  'out="$1/$(echo "$3" | tr / _).log"; "$2" @"$1/flags" "$3" >"$out" 2>&1 || echo "$3" >>"$1/failed"' \
  _ "$log" "$cxx" {}
if [ -s "$log/failed" ]; then
  while read -r file; do
    first=$(grep -m1 -E 'error|fatal' "$log/$(echo "$file" | tr / _).log" || true)
    echo "check-windows: $file does not compile for Windows: $first"
  done < <(sort "$log/failed")
  exit 1
fi
echo "check-windows: ${#sources[@]} files compile for Windows (syntax only); POSIX headers only in the platform files"
