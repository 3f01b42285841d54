#!/usr/bin/env bash
# Makes a seed corpus from the test streams: each stream whole, and cut into
# pieces of ten packets, so that tables, PES starts and adaptation fields all
# appear near the start of some seed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/fuzz-corpus}
mkdir -p "$out"
for stream in "$root"/samples/*.ts "$root"/tests/fixtures/*.ts "$root"/tests/fixtures/*.m2ts; do
  name=$(basename "$stream")
  cp "$stream" "$out/$name"
  split -b 1880 -d -a 3 "$stream" "$out/$name-"
done
echo "$(ls "$out" | wc -l) seeds in $out"
