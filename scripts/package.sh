#!/usr/bin/env bash
# Sets up, builds and packages the program: build/brisgol_<version>_<arch>.deb
# (cpack on the build directory, no second build), then checks the package
# with lintian and its menu entry with desktop-file-validate. Prints the
# package's path on its last line.
#
#   scripts/package.sh            then: sudo apt install ./build/brisgol_1.0.4_amd64.deb
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/setup.sh"
dir=$("$here/build.sh" | tail -n 1)
version=$(sed -n 's/^BRISGOL_VERSION_NAME:STRING=//p' "$dir/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="$dir/brisgol_${version}_${arch}.deb"
rm -f "$deb"
(cd "$dir" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "package: cpack made no $deb" >&2; exit 1; }

desktop-file-validate "$here/../packaging/brisgol.desktop"
# Errors fail the run; warnings are listed. lintian does not want root.
if [ "$(id -u)" -eq 0 ]; then
  report=$(lintian --allow-root "$deb" 2>&1 || true)
else
  report=$(lintian "$deb" 2>&1 || true)
fi
[ -z "$report" ] || echo "$report" >&2
if grep -q '^E: ' <<<"$report"; then
  echo "package: lintian found errors in $deb" >&2
  exit 1
fi
echo "$deb"
