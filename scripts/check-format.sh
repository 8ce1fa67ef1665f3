#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as the repository's
# .clang-format says; lists the files that are not.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || {
  echo "check-format: clang-format missing (apt-get install clang-format)" >&2
  exit 1
}
bad=$(git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run 2>&1 | grep -o '^[^:]*' | sort -u || true)
if [ -n "$bad" ]; then
  echo "check-format: not clang-formatted:" >&2
  echo "$bad" >&2
  exit 1
fi
echo "check-format: every tracked C++ file is clang-formatted"
