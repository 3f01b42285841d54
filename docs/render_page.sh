#!/usr/bin/env bash
# Renders the --html: page of a stream with headless Chromium into a PNG.
#   docs/render_page.sh OSTREL STREAM OUT.png [WIDTH HEIGHT]
# Exits 77 when Chromium is not installed (Debian: apt-get install chromium).
set -euo pipefail
ostrel=$1 stream=$2 out=$3 width=${4:-1000} height=${5:-1500}
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "no Chromium to render the page with (Debian: apt-get install chromium)" >&2
  exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# From the stream's folder, so that the page names the file as it is named here.
ostrel=$(realpath "$ostrel")
(cd "$(dirname "$stream")" && "$ostrel" "$(basename "$stream")" --html:"$tmp/page.html")
# Its own profile in the temporary folder; no sandbox, which needs user namespaces (and not root).
HOME=$tmp timeout 120 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
  --user-data-dir="$tmp/profile" --window-size="$width,$height" --screenshot="$tmp/page.png" \
  "file://$tmp/page.html" >/dev/null 2>&1
mv "$tmp/page.png" "$out"
