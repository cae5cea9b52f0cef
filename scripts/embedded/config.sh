#!/bin/bash
# The embedded default's configuration server.
#
#   config.sh start DEMO_DIR STATE_DIR   serves DEMO_DIR/config-docs on the
#                                        build's configuration host
#   config.sh stop DEMO_DIR STATE_DIR    ends that server
#
# The documents were sealed with the build's document key when the program
# was built (seal-documents.sh): no key is needed here.
#   /tolvene/config.txt              the configuration: both whitelist URLs, no update
#   /whitelist/WebWhiteList.txt      inside whitelist: the portal's pages (/daohang/)
#   /whitelist/OutWebWhiteList.txt   outside whitelist: a demo outside address
# (or with BUILD_DIR alone for a build's demo part, see server-common.inc)
set -euo pipefail
. "$(dirname "$0")/server-common.inc"
server_setup config "$@"

# Ready when the configuration document is served.
config_served() {
  python3 - "$1" <<'PY'
import sys, urllib.request
urllib.request.build_opener(urllib.request.ProxyHandler({})).open(sys.argv[1], timeout=1).read()
PY
}

stop_server() { stop_pidfile "$pidfile"; }

start_server() {
  local host_port host port docs
  host_port=$(setting config_host)
  host=${host_port%:*}; port=${host_port##*:}
  [ "$host" != "$host_port" ] || port=80
  docs="$demo/config-docs"
  [ -f "$docs/tolvene/config.txt" ] || { echo "config.sh: $docs holds no sealed documents; build first" >&2; exit 1; }
  stop_server
  start_detached "$pidfile" "$state/config-server.log" \
    python3 -m http.server "$port" --bind "$host" --directory "$docs"
  wait_ready "the configuration on http://$host_port" "$pidfile" "$state/config-server.log" \
    config_served "http://$host_port/tolvene/config.txt"
}

server_main
