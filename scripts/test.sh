#!/usr/bin/env bash
# Sets up, builds and runs every test. Extra arguments go to ctest
# (for example: scripts/test.sh -L system).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
dir=$("$here/build.sh" | tail -n 1)
cd "$dir"
ctest --output-on-failure -j "$(nproc)" "$@"
