#!/bin/bash
# Seals the embedded default's documents for its configuration server
# (config.sh serves them), at build time: only the build sees the key.
#
#   seal-documents.sh DOCSEAL KEY.pem CONFIG_HOST PORTAL_HOST OUTPUT_DIR
#
# OUTPUT_DIR/tolvene/config.txt           the configuration: both whitelist
#                                         URLs, release 4 (no update)
# OUTPUT_DIR/whitelist/WebWhiteList.txt   the portal's pages (/daohang/)
# OUTPUT_DIR/whitelist/OutWebWhiteList.txt  a demo outside address
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 DOCSEAL KEY.pem CONFIG_HOST PORTAL_HOST OUTPUT_DIR" >&2; exit 2; }
seal=$1 key=$2 config=$3 portal=$4 out=$5
rm -rf "$out"
mkdir -p "$out/tolvene" "$out/whitelist"
base="http://$config"
printf '{"in_open_url":"%s/whitelist/WebWhiteList.txt","out_open_url":"%s/whitelist/OutWebWhiteList.txt","update_md5":"","update_url":"%s/release/4.exe"}' \
  "$base" "$base" "$base" | "$seal" "$key" > "$out/tolvene/config.txt"
printf '["https://%s/daohang/","http://%s/daohang/"]' "$portal" "$portal" | "$seal" "$key" > "$out/whitelist/WebWhiteList.txt"
printf '["https://www.example.com/?outside demo"]' | "$seal" "$key" > "$out/whitelist/OutWebWhiteList.txt"
