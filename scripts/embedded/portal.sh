#!/bin/bash
# The embedded default's portal: the demo pages of the portal/ folder beside
# this script served over HTTPS on the build's portal host, with the
# certificate the program trusts for that host only (the settings name it
# and its key).
#
#   portal.sh start DEMO_DIR STATE_DIR   serves https://<portal host>/daohang/
#   portal.sh stop DEMO_DIR STATE_DIR    ends that server
# (or with BUILD_DIR alone for a build's demo part, see server-common.inc)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/server-common.inc"
server_setup portal "$@"

# Ready when the server completes a TLS handshake the certificate verifies.
portal_served() {
  python3 - "$1" "$2" "$3" <<'PY'
import socket, ssl, sys
context = ssl.create_default_context(cafile=sys.argv[3])
with socket.create_connection((sys.argv[1], int(sys.argv[2])), timeout=1) as s:
    with context.wrap_socket(s, server_hostname=sys.argv[1]):
        pass
PY
}

stop_server() { stop_pidfile "$pidfile"; }

start_server() {
  local host_port host port cert key
  host_port=$(setting portal_host)
  host=${host_port%:*}; port=${host_port##*:}
  [ "$host" != "$host_port" ] || port=443
  cert=$(setting portal_cert)
  key=$(setting portal_key)
  [ -r "$cert" ] && [ -r "$key" ] || { echo "portal.sh: the portal certificate $cert or its key $key is missing" >&2; exit 1; }
  stop_server
  start_detached "$pidfile" "$state/portal-server.log" \
    python3 "$here/portal_server.py" --bind "$host" --port "$port" --cert "$cert" --key "$key" --root "$here/portal"
  wait_ready "https://$host_port/daohang/" "$pidfile" "$state/portal-server.log" \
    portal_served "$host" "$port" "$cert"
}

server_main
