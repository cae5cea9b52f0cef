#!/usr/bin/env bash
# Installs every Debian package of scripts/packages.txt that is missing,
# and keeps the program's fixed ports out of the ephemeral port range.
# Idempotent, and silent when everything is in place.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$here/packages.txt")

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The local proxy's port pairs and the line ports are fixed and lie in the
# ephemeral range: a client connection that happened to use one of them
# leaves it in TIME-WAIT for a minute, and the proxy cannot be started
# there. A sysctl.d drop-in reserves them for good; it is applied at once,
# adding to whatever the machine already reserves.
reserved_ports=6199,38549,38649,46060,47070,48080,56060,57070,58080
dropin=/etc/sysctl.d/60-brisgol-reserved-ports.conf
reserve_ports() {
  local line="net.ipv4.ip_local_reserved_ports = $reserved_ports"
  if [ ! -f "$dropin" ] || [ "$(cat "$dropin")" != "$line" ]; then
    echo "setup: reserving the program's fixed ports in $dropin"
    echo "$line" | $sudo tee "$dropin" >/dev/null || { echo "setup: cannot write $dropin" >&2; return 0; }
  fi
  local current
  current=$(sysctl -n net.ipv4.ip_local_reserved_ports 2>/dev/null || true)
  local merged=$reserved_ports
  [ -z "$current" ] || merged="$current,$reserved_ports"
  # Applying an unchanged set is harmless; a read-only /proc/sys (a
  # container) only loses the reservation, which the tests report.
  $sudo sysctl -q -w "net.ipv4.ip_local_reserved_ports=$merged" >/dev/null 2>&1 ||
    echo "setup: cannot apply the port reservation here (read-only sysctl?)" >&2
}
reserve_ports

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
