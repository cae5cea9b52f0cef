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

# The redirection service runs as root, one for every user. An ordinary
# user's run starts the build's service through sudo for this run and ends
# it afterwards (the program itself never prompts for a file its user can
# change); a service that already answers (an installed one) is used as it
# is; as root the program starts it itself.
service_started=
service_answers() {
  python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX)
s.settimeout(2)
s.connect("/run/brisgol/redirect.sock")
s.sendall(b"BRISGOL-REDIRECT 1 PING\n")
sys.exit(0 if s.recv(16) == b"OK\n" else 1)' 2>/dev/null
}
if [ "$(id -u)" -ne 0 ] && ! service_answers; then
  echo "run: starting the build's redirection service as root (sudo) for this run"
  sudo -b "$dir/bin/brisgol-redirectd"
  for _ in $(seq 50); do service_answers && break; sleep 0.1; done
  if service_answers; then service_started=1; else echo "run: the redirection service did not start; see /run/brisgol/redirect.log" >&2; fi
fi

cleanup() {
  for svc in "${services[@]+"${services[@]}"}"; do "$svc" stop "$dir" || true; done
  if [ -n "$service_started" ]; then sudo sh -c 'kill "$(cat /run/brisgol/redirect.pid)"' || true; fi
}
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
