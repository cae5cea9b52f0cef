#!/usr/bin/env bash
# On an X display: starts the program of a build, waits until it
# accelerates line 1 (its log says so), saves a screenshot of the screen,
# prints the state (current line, the local proxy's main port and process
# id, the log), then ends the program as a session would (SIGTERM runs its
# exit routine) and checks that nothing of it is left running.
# Usage: accelerated-screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail
dir=$1
shot=$2
bin="$dir/bin"
log="$bin/log2.log"
# Only what this run writes counts: the log may hold earlier runs.
offset=$(stat -c %s "$log" 2>/dev/null || echo 0)
new_log() { tail -c +"$((offset + 1))" "$log" 2>/dev/null | iconv -f UTF-16LE -t UTF-8 2>/dev/null | tr -d '\r' || true; }

"$bin/brisgol" &
pid=$!
outcome=
for _ in $(seq 1 600); do
  text=$(new_log)
  if grep -q ']加速成功$' <<<"$text"; then outcome=accelerating; break; fi
  if grep -q ']初始化失败$' <<<"$text"; then outcome="initialisation failed"; break; fi
  if ! kill -0 "$pid" 2>/dev/null; then outcome="ended early"; break; fi
  sleep 0.1
done
if [ -z "$outcome" ]; then
  # No success within a minute: the last start failed, or is still running.
  outcome="not accelerating after 60 s"
fi
sleep 1  # the portal's first paint after the loading panel
import -window root "$shot"
echo "screenshot: $shot"

text=$(new_log)
line=$(grep -o '开始加速线路[0-9]' <<<"$text" | tail -n 1 | grep -o '[0-9]$' || true)
echo "state: ${outcome}${line:+ on line $line}"
proxy=$(pgrep -x local.exe | head -n 1 || true)
if [ -n "$proxy" ] && fields=$("$bin/launchrecord" "$proxy" 2>/dev/null); then
  main_port=$(sed -n 's/^main_port=//p' <<<"$fields")
  server=$(sed -n 's/^server_address=//p' <<<"$fields"):$(sed -n 's/^server_port=//p' <<<"$fields")
  echo "local proxy: process $proxy, main port $main_port, line server $server"
else
  echo "local proxy: not running"
fi
echo "log: $log"

kill -TERM "$pid" 2>/dev/null || true
wait "$pid" || true
if pgrep -x local.exe >/dev/null; then
  echo "after the end: a local proxy is still running" >&2
  exit 1
fi
echo "ended through its exit routine; nothing of it is left running"
[ "$outcome" = accelerating ]
