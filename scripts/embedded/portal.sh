#!/usr/bin/env bash
# The embedded default's portal: the demo pages under scripts/embedded/portal/
# served over HTTPS on the build's portal host, with the certificate the
# build generated (BUILD_DIR/bin/portal/portal-cert.pem; the program trusts
# it for that host only).
#
#   portal.sh start BUILD_DIR   serves https://<portal host>/daohang/
#   portal.sh stop BUILD_DIR    ends that server
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

start_server() {
  host_port=$(cache BRISGOL_PORTAL_HOST); host_port=${host_port:-127.0.0.1:18443}
  host=${host_port%:*}; port=${host_port##*:}
  [ "$host" != "$host_port" ] || port=443
  cert="$dir/bin/portal/portal-cert.pem"
  key="$dir/embedded/portal-key.pem"
  [ -f "$cert" ] && [ -f "$key" ] || { echo "portal.sh: $cert is missing; build first" >&2; exit 1; }
  mkdir -p "$state"
  stop_server
  nohup python3 "$here/portal_server.py" --bind "$host" --port "$port" --cert "$cert" --key "$key" \
    --root "$here/portal" > "$state/portal-server.log" 2>&1 < /dev/null &
  echo $! > "$pidfile"
  wait_ready "https://$host_port/daohang/" portal_served "$host" "$port" "$cert"
}

server_main
