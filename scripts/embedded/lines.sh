#!/usr/bin/env bash
# The three server lines of the embedded default: SOCKS5 servers (dante)
# on 127.0.0.1 at the line ports, accepting the fixed user number with the
# fixed password, as the local proxy expects them.
#
#   lines.sh start|stop <build dir>
#
# Needs root: dante checks the user against the system's users, so the
# user "5190467" is created (without home, without login) when missing.
# Configuration, pid and log files stay in <build dir>/lines/.
set -euo pipefail

usage() { echo "usage: $0 start|stop <build dir>" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$(cd "$2" && pwd)/lines
ports="38649 38549 6199"
user=5190467
password='WsxRfvYhn738#!&'

start_line() {
  local port=$1 conf="$dir/danted-$1.conf" pidfile="$dir/danted-$1.pid"
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    echo "line server on 127.0.0.1:$port already runs"
    return
  fi
  local external="external: 127.0.0.1"
  local route_if
  route_if=$(ip route show default 2>/dev/null | awk '/^default/ {print $5; exit}')
  if [ -n "$route_if" ]; then
    external="$external
external: $route_if
external.rotation: route"
  fi
  cat > "$conf" <<CONF
logoutput: $dir/danted-$port.log
internal: 127.0.0.1 port = $port
$external
socksmethod: username
clientmethod: none
user.privileged: root
user.unprivileged: nobody
client pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
  log: error
}
socks pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
  command: connect udpassociate bindreply udpreply
  socksmethod: username
  log: error
}
socks pass {
  from: 0.0.0.0/0 to: 127.0.0.0/8
  command: udpreply
  log: error
}
CONF
  if ! danted -f "$conf" -D -p "$pidfile"; then
    echo "line server on 127.0.0.1:$port did not start; see $dir/danted-$port.log" >&2
    exit 1
  fi
  for _ in $(seq 50); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "line server on 127.0.0.1:$port started"
      return
    fi
    sleep 0.1
  done
  echo "line server on 127.0.0.1:$port did not start; see $dir/danted-$port.log" >&2
  exit 1
}

stop_line() {
  local pidfile="$dir/danted-$1.pid"
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$pidfile"
  echo "line server on 127.0.0.1:$1 stopped"
}

case "$action" in
  start)
    if [ "$(id -u)" -ne 0 ]; then
      echo "$0: the line servers need root (dante checks the system user $user); run as root" >&2
      exit 1
    fi
    command -v danted >/dev/null || { echo "$0: danted missing (package dante-server)" >&2; exit 1; }
    mkdir -p "$dir"
    if ! id -u "$user" >/dev/null 2>&1; then
      useradd -M -s /usr/sbin/nologin "$user"
    fi
    echo "$user:$password" | chpasswd
    for port in $ports; do start_line "$port"; done
    ;;
  stop)
    for port in $ports; do stop_line "$port"; done
    ;;
  *) usage ;;
esac
