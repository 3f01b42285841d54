#!/usr/bin/env bash
# The page of --html: rendered by headless Chromium at the width of a wide
# screen and of a phone: each screenshot has the window's size and is not
# blank. Skipped when Chromium is not installed.
set -euo pipefail
ostrel=$1 source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
check() {  # check WIDTH HEIGHT
  local status=0
  "$source/docs/render_page.sh" "$ostrel" "$source/samples/sample.ts" "$tmp/page.png" "$1" "$2" || status=$?
  if [ "$status" = 77 ]; then
    echo "skipped: Chromium is not installed (Debian: apt-get install chromium)"
    exit 77
  fi
  [ "$status" = 0 ] || exit "$status"
  python3 - "$tmp/page.png" "$1" "$2" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height = struct.unpack(">II", data[16:24])
assert (width, height) == (int(sys.argv[2]), int(sys.argv[3])), f"size {width}x{height}"
idat, at = b"", 8
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    if kind == b"IDAT":
        idat += data[at + 8:at + 8 + length]
    at += 12 + length
pixels = zlib.decompress(idat)
# A blank page compresses to a handful of byte values; text and charts to many.
assert len(set(pixels)) > 32, f"blank: {len(set(pixels))} byte values"
print(f"rendered {width}x{height}, {len(set(pixels))} byte values")
PY
}
check 1200 1300
check 390 844
