#!/bin/bash
# The three server lines of the embedded default: our SOCKS5 line server
# (line_server.py beside this script) on each line's address and port,
# accepting the fixed user number with the fixed password, as the local
# proxy expects them. Runs as an ordinary user.
#
#   lines.sh start DEMO_DIR STATE_DIR   starts the three line servers
#   lines.sh stop DEMO_DIR STATE_DIR    ends them
# (or with BUILD_DIR alone for a build's demo part, see server-common.inc)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/server-common.inc"
server_setup lines "$@"
user=5190467
export LINE_PASSWORD='WsxRfvYhn738#!&'

# "address:port" of each line.
lines() { setting lines | tr ' ' '\n' | sed '/^$/d'; }

listening() { (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null; }

stop_server() {
  local line
  for line in $(lines); do
    stop_pidfile "$state/line-${line##*:}.pid"
  done
  rm -f "$pidfile"
}

start_server() {
  local line address port file
  stop_server
  for line in $(lines); do
    address=${line%:*}; port=${line##*:}
    file="$state/line-$port.pid"
    start_detached "$file" "$state/line-$port.log" \
      python3 "$here/line_server.py" --bind "$address" --port "$port" --user "$user"
    if ! wait_ready "line $address:$port" "$file" "$state/line-$port.log" listening "$address" "$port"; then
      stop_server
      exit 1
    fi
  done
}

server_main
