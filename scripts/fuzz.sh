#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60), seeded with its kept inputs under tests/inputs/<name>/.
# A finding is left in build-fuzz/findings/<name>/ and fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
dir="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DBRISGOL_FUZZ=ON >/dev/null
mapfile -t targets < <(ninja -C "$dir" -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' | sort -u)
[ ${#targets[@]} -gt 0 ] || { echo "fuzz: no fuzz targets"; exit 0; }
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}" >&2
shopt -s nullglob
status=0
for fuzzer in "$dir"/fuzz/*; do
  name=$(basename "$fuzzer")
  corpus="$dir/corpus/$name"; findings="$dir/findings/$name"
  mkdir -p "$corpus" "$findings"
  seeds=()
  [ -d "$root/tests/inputs/$name" ] && seeds+=("$root/tests/inputs/$name")
  echo "fuzz: $name for ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" >"$findings/log.txt" 2>&1; then
    echo "fuzz: $name found a fault; see $findings" >&2
    tail -n 30 "$findings/log.txt" >&2
    status=1
  fi
done
exit $status
