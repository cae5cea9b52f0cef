#!/usr/bin/env bash
# Sets up, builds and runs every benchmark; each prints its own figures.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
dir=$("$here/build.sh" | tail -n 1)
for bench in "$dir"/bench/*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench"
done
