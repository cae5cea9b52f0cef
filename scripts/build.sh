#!/usr/bin/env bash
# Configures and builds into build/ (or build-<sanitizer>/ when
# BRISGOL_SANITIZE is set). Prints the build directory on its last line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
san=${BRISGOL_SANITIZE:-}
dir="$root/build${san:+-$san}"
cmake -S "$root" -B "$dir" -G Ninja -DBRISGOL_SANITIZE="$san" ${BRISGOL_CMAKE_ARGS:-} >/dev/null
cmake --build "$dir" -j "$(nproc)" >&2
echo "$dir"
