#!/usr/bin/env bash
# Sets up, builds and runs the front end on the embedded default: the
# configuration documents sealed with the project's own key are served by a
# local HTTP server and the three server lines are SOCKS5 servers on
# 127.0.0.1, so the first run needs no outside network. Run it as yourself:
# sudo is asked for the set-up and for the redirection service, which runs
# as root for as long as the program does.
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
# and stopped again when the program ends. They run as whoever runs this.
services=()
if [ -f "$dir/embedded/settings" ]; then
  for svc in config portal lines; do
    if "$here/embedded/$svc.sh" start "$dir"; then
      services+=("$svc")
    else
      echo "run: the $svc server could not start; the program runs without it" >&2
    fi
  done
fi

# The redirection service. Root's front end starts it itself; for anyone
# else this run starts the build's service through sudo, unless one serves
# already (systemd's socket of an installed package, or a running copy).
service=
service_serves() {
  if [ -d /run/systemd/system ] && systemctl is-active --quiet brisgol-redirectd.socket 2>/dev/null; then
    return 0
  fi
  # The running service holds a lock on its pid file.
  [ -e /run/brisgol/redirect.pid ] && ! flock -n /run/brisgol/redirect.pid true 2>/dev/null
}
if [ "$(id -u)" -ne 0 ] && ! service_serves; then
  echo "run: starting the redirection service $dir/bin/brisgol-redirectd as root for this run (sudo)"
  if sudo -v; then
    sudo -n "$dir/bin/brisgol-redirectd" </dev/null &
    service=$!
    # The program asks it at once: it must listen first.
    for _ in $(seq 1 50); do
      service_serves && [ -S /run/brisgol/redirect.sock ] && break
      kill -0 "$service" 2>/dev/null || break
      sleep 0.1
    done
  else
    echo "run: without the service the program cannot accelerate" >&2
  fi
fi

cleanup() {
  for svc in "${services[@]+"${services[@]}"}"; do "$here/embedded/$svc.sh" stop "$dir" || true; done
  if [ -n "$service" ]; then
    # sudo hands SIGTERM on: the service removes its rules and ends.
    kill -TERM "$service" 2>/dev/null || true
    wait "$service" 2>/dev/null || true
  fi
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
