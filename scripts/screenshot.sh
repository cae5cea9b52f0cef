#!/usr/bin/env bash
# On an X display: starts the program, waits for its main window to be
# shown and drawn, saves a screenshot of the screen, then ends the program
# as a session would (SIGTERM runs its exit routine).
# Usage: screenshot.sh PROGRAM OUTPUT.png
set -euo pipefail
program=$1
shot=$2
"$program" &
pid=$!
for _ in $(seq 1 200); do
  if xdotool search --onlyvisible --name 'Brisgol加速器插件' >/dev/null 2>&1; then break; fi
  if ! kill -0 "$pid" 2>/dev/null; then echo "screenshot: the program ended before showing its window" >&2; break; fi
  sleep 0.05
done
sleep 1.5  # the first paint and the spinner's first frames
import -window root "$shot"
kill -TERM "$pid" 2>/dev/null || true
wait "$pid" || true
