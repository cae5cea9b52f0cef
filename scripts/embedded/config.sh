#!/usr/bin/env bash
# The embedded default's configuration server.
#
#   config.sh start BUILD_DIR   seals the demo documents with BUILD_DIR/bin/docseal
#                               and serves them on the build's configuration host
#   config.sh stop BUILD_DIR    ends that server
#
# Documents (under BUILD_DIR/embedded/config-docs/):
#   /tolvene/config.txt              the configuration: both whitelist URLs, no update
#                                    (release 4.exe is the running version code)
#   /whitelist/WebWhiteList.txt      inside whitelist: the portal's pages (/daohang/)
#   /whitelist/OutWebWhiteList.txt   outside whitelist: a demo outside address
# Each is sealed with the build's document key (BRISGOL_DOCUMENT_KEY).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/server-common.inc"
server_setup config "$@"

# Ready when the configuration document is served.
config_served() {
  python3 - "$1" <<'PY'
import sys, urllib.request
urllib.request.build_opener(urllib.request.ProxyHandler({})).open(sys.argv[1], timeout=1).read()
PY
}

start_server() {
  host_port=$(cache BRISGOL_CONFIG_HOST); host_port=${host_port:-127.0.0.1:18480}
  portal=$(cache BRISGOL_PORTAL_HOST); portal=${portal:-127.0.0.1:18443}
  key=$(cache BRISGOL_DOCUMENT_KEY); key=${key:-$root/res/keys/document_key.pem}
  host=${host_port%:*}; port=${host_port##*:}
  [ "$host" != "$host_port" ] || port=80
  seal="$dir/bin/docseal"
  [ -x "$seal" ] || { echo "config.sh: $seal is missing; build first" >&2; exit 1; }

  stop_server
  docs="$state/config-docs"
  rm -rf "$docs"
  mkdir -p "$docs/tolvene" "$docs/whitelist"
  base="http://$host_port"
  printf '{"in_open_url":"%s/whitelist/WebWhiteList.txt","out_open_url":"%s/whitelist/OutWebWhiteList.txt","update_md5":"","update_url":"%s/release/4.exe"}' \
    "$base" "$base" "$base" | "$seal" "$key" > "$docs/tolvene/config.txt"
  printf '["https://%s/daohang/","http://%s/daohang/"]' "$portal" "$portal" | "$seal" "$key" > "$docs/whitelist/WebWhiteList.txt"
  printf '["https://www.example.com/?outside demo"]' | "$seal" "$key" > "$docs/whitelist/OutWebWhiteList.txt"

  nohup python3 -m http.server "$port" --bind "$host" --directory "$docs" \
    > "$state/config-server.log" 2>&1 < /dev/null &
  echo $! > "$pidfile"
  wait_ready "the configuration on $base" config_served "$base/tolvene/config.txt"
}

server_main
