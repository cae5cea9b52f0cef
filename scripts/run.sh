#!/usr/bin/env bash
# Sets up, builds and runs the front end on the embedded default: the
# configuration documents sealed with the project's own key are served by a
# local HTTP server and the three server lines are SOCKS5 servers on
# 127.0.0.1, so the first run needs no outside network.
#
# With a display (DISPLAY set) the main window opens on it and the program
# runs until you end it (tray menu "退出程序", the close button, or Ctrl+C).
# Without one, the same run happens on a virtual X display: once line 1
# accelerates, a screenshot is saved and its path printed with the state
# (current line, the local proxy's main port and process id, the log), then
# the program is ended through its exit routine.
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

if [ -n "${DISPLAY:-}" ]; then
  "$dir/bin/brisgol" || true
else
  shot="$dir/screenshots/main-window.png"
  mkdir -p "$(dirname "$shot")"
  echo "No display: the program runs on a virtual X display until line 1 accelerates"
  status=0
  "$here/../tests/platform_gtk/run_under_xvfb.sh" "$here/accelerated-screenshot.sh" "$dir" "$shot" || status=$?
fi
echo "brisgol ended; its log is $dir/bin/log2.log"
exit "${status:-0}"
