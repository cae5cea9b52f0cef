#!/usr/bin/env bash
# Sets up, builds and runs the front end on the embedded default: the
# configuration documents sealed with the project's own key are served by a
# local HTTP server and the three server lines are SOCKS5 servers on
# 127.0.0.1, so the first run needs no outside network.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
dir=$("$here/build.sh" | tail -n 1)
export BRISGOL_ROOT=${BRISGOL_ROOT:-$dir/machine}

# Local services of the embedded default, each started by its own script
# and stopped again when the program ends.
services=()
for svc in "$here"/embedded/*.sh; do
  [ -e "$svc" ] || continue
  if "$svc" start "$dir"; then
    services+=("$svc")
  else
    echo "run: $(basename "$svc") could not start; the program runs without it" >&2
  fi
done
cleanup() { for svc in "${services[@]+"${services[@]}"}"; do "$svc" stop "$dir" || true; done; }
trap cleanup EXIT

"$dir/bin/brisgol"
echo "brisgol ended; its log is $dir/bin/log2.log"
