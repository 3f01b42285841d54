#!/usr/bin/env bash
# Throughput and memory of ostrel against reference commands on the same file.
#   bench/run.sh [SIZE_MIB] [PAIRS]     (defaults: 256 MiB, 7 pairs)
# Makes the benchmark stream with ffmpeg (10 s of 1280x720 H.264 at 40 Mbit/s
# with AAC, repeated to SIZE_MIB, cached under /tmp), builds the release
# binary, then times each target and its reference command in alternation and
# prints the medians, the spread of ostrel's runs (half their range), their
# ratio and the bound the ratio must stay under. Timed by hyperfine, without a
# shell (-N) but for the rows that pipe.
# Also wraps the stream into a 1 GiB capture (bench/make_capture.py) for the
# capture row. Needs bash, ffmpeg, xxd, hyperfine, python3 and /usr/bin/time (Debian:
# ffmpeg, xxd, hyperfine, time).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size_mib=${1:-256}
pairs=${2:-7}
cache=${OSTREL_BENCH_CACHE:-/tmp/ostrel-bench}
mkdir -p "$cache"

segment=$cache/segment.ts
if [ ! -s "$segment" ]; then
  echo "making the 10 s segment with ffmpeg..." >&2
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=1280x720:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 10 \
    -c:v libx264 -preset ultrafast -b:v 40M -minrate 40M -maxrate 40M -bufsize 20M -x264-params nal-hrd=cbr \
    -c:a aac -b:a 128k -f mpegts "$segment.part"
  mv "$segment.part" "$segment"
fi

stream=$cache/stream-${size_mib}m.ts
late_pat=$cache/stream-${size_mib}m-late-pat.ts
damaged=$cache/stream-${size_mib}m-damaged.ts
small=$cache/stream-1m.ts
if [ ! -s "$stream" ] || [ ! -s "$late_pat" ] || [ ! -s "$damaged" ]; then
  echo "making the ${size_mib} MiB streams..." >&2
  python3 - "$segment" "$stream" "$late_pat" "$small" "$size_mib" "$damaged" <<'PY'
import sys
segment, stream, late_pat, small, size_mib, damaged = sys.argv[1:7]
data = open(segment, "rb").read()
data = data[: len(data) // 188 * 188]
packets = int(size_mib) * 1024 * 1024 // 188
pieces = [data[i:i + 188] for i in range(0, len(data), 188)]
pat = next(p for p in pieces if p[1] & 0x5F == 0x40 and p[2] == 0)  # first PAT packet
with open(stream, "wb") as f:
    written = 0
    while written < packets:
        take = min(len(pieces), packets - written)
        f.write(data[: take * 188])
        written += take
# The same packets without any PAT but one in the very last packet.
no_pat = b"".join(p for p in pieces if not (p[1] & 0x1F == 0 and p[2] == 0))
with open(late_pat, "wb") as f:
    written = 0
    while written < packets - 1:
        take = min(len(no_pat) // 188, packets - 1 - written)
        f.write(no_pat[: take * 188])
        written += take
    f.write(pat)
with open(small, "wb") as f:
    f.write(data[: 1024 * 1024 // 188 * 188])
# The stream with an error in every 1000th packet: its continuity counter moved on by 5.
whole = bytearray(open(stream, "rb").read())
for k in range(999, len(whole) // 188, 1000):
    at = k * 188 + 3
    whole[at] = (whole[at] & 0xF0) | ((whole[at] + 5) & 0x0F)
open(damaged, "wb").write(whole)
PY
fi

# A network capture: the stream wrapped into 1 GiB of RTP over UDP at 20 Mbit/s.
capture=$cache/capture-1g.pcap
if [ ! -s "$capture" ]; then
  echo "making the 1 GiB capture..." >&2
  python3 "$root/bench/make_capture.py" "$stream" "$capture.part" $((1024 * 1024 * 1024)) 20000000
  mv "$capture.part" "$capture"
fi

# An HLS playlist of as many bytes: the benchmark's 10 s encoded again with a
# key frame every 2 s into 2 s segments by ffmpeg's hls muxer, listed over
# and over (a discontinuity before each repeat).
hls=$cache/hls-${size_mib}m
if [ ! -s "$hls/index.m3u8" ]; then
  echo "making the ${size_mib} MiB playlist..." >&2
  mkdir -p "$hls"
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=1280x720:rate=25" -f lavfi -i "sine=frequency=440:sample_rate=48000" -t 10 \
    -c:v libx264 -preset ultrafast -b:v 40M -minrate 40M -maxrate 40M -bufsize 20M -x264-params nal-hrd=cbr \
    -g 50 -keyint_min 50 -sc_threshold 0 -c:a aac -b:a 128k \
    -f hls -hls_time 2 -hls_playlist_type vod -hls_segment_filename "$hls/seg%d.ts" "$hls/once.m3u8"
  python3 - "$hls" "$size_mib" <<'PY'
import os, sys
folder, size_mib = sys.argv[1], int(sys.argv[2])
lines = open(f"{folder}/once.m3u8").read().splitlines()
head = [l for l in lines[:lines.index(next(l for l in lines if l.startswith("#EXTINF")))] if l != "#EXT-X-ENDLIST"]
pairs = [(lines[i], lines[i + 1]) for i, l in enumerate(lines) if l.startswith("#EXTINF")]
out, listed, total, first = head, [], 0, True
while total < size_mib << 20:
    for k, (extinf, uri) in enumerate(pairs):
        if k == 0 and not first:
            out.append("#EXT-X-DISCONTINUITY")
        out += [extinf, uri]
        listed.append(f"{folder}/{uri}")
        total += os.path.getsize(f"{folder}/{uri}")
    first = False
open(f"{folder}/index.m3u8", "w").write("\n".join(out + ["#EXT-X-ENDLIST"]) + "\n")
open(f"{folder}/segments.txt", "w").write(" ".join(listed) + "\n")
PY
fi

echo "building the release binary..." >&2
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DOSTREL_TESTS=OFF >/dev/null
cmake --build "$root/build-release" -j "$(nproc)" --target ostrel >/dev/null
ostrel=$root/build-release/ostrel
[ -n "$(command -v xxd)" ] || { echo "xxd is needed (Debian package xxd)" >&2; exit 1; }

# Warm the page cache so that every command reads from memory.
cat "$stream" "$late_pat" "$damaged" "$capture" $(cat "$hls/segments.txt") > /dev/null

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

input_bytes=$(stat -c %s "$stream")
output_bytes=$("$ostrel" "$stream" | wc -c)
decoded_bytes=$("$ostrel" "$stream" --decode | wc -c)
failed=0

printf '\n%s MiB stream (%s packets), %s pairs, medians of wall time\n\n' "$size_mib" $((input_bytes / 188)) "$pairs"
printf '| %-38s | %9s | %8s | %-28s | %9s | %5s | %5s | %9s | %9s | %-6s |\n' \
  target ostrel spread reference "reference" ratio bound "in MB/s" "out MB/s" result
printf '|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..40})" "$(printf -- '-%.0s' {1..11})" \
  "$(printf -- '-%.0s' {1..10})" "$(printf -- '-%.0s' {1..30})" "$(printf -- '-%.0s' {1..11})" \
  "$(printf -- '-%.0s' {1..7})" "$(printf -- '-%.0s' {1..7})" "$(printf -- '-%.0s' {1..11})" \
  "$(printf -- '-%.0s' {1..11})" "$(printf -- '-%.0s' {1..8})"

# hyperfine runs both commands (without a shell where they have no pipe:
# -N; output to /dev/null), one run each per round, the rounds one after the
# other, so that a machine that slows down or speeds up during a row weighs on
# both sides alike; one warm-up each in the first round. The run times of
# command INDEX in microseconds, over the rounds' JSON files.
times() {  # times INDEX JSON_FILE...
  python3 -c 'import json, sys
for name in sys.argv[2:]:
    for t in json.load(open(name))["results"][int(sys.argv[1])]["times"]:
        print(round(t * 1e6))' "$@"
}

compare() {  # compare NAME OSTREL_COMMAND REFERENCE_NAME REFERENCE_COMMAND BOUND OUTPUT_BYTES
  local shell=(-N) ours=$2 theirs=$4 result
  case "$2$4" in
  *'|'*) shell=() ;;
  *) ours=${2% > /dev/null} theirs=${4% > /dev/null} ;;  # hyperfine discards the output itself
  esac
  result=$(mktemp -d)
  local k
  for ((k = 0; k < pairs; k++)); do
    hyperfine "${shell[@]}" -i -w $((k == 0 ? 1 : 0)) -r 1 --output=null --export-json "$result/$k.json" \
      "$ours" "$theirs" >/dev/null 2>&1
  done
  local a b spread
  a=$(times 0 "$result"/*.json | median)
  b=$(times 1 "$result"/*.json | median)
  # half the range of ostrel's runs
  spread=$(times 0 "$result"/*.json | sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { print (hi - lo) / 2 }')
  rm -rf "$result"
  local verdict
  verdict=$(awk -v a="$a" -v b="$b" -v bound="$5" 'BEGIN { print (a / b <= bound) ? "ok" : "MISSED" }')
  [ "$verdict" = ok ] || failed=1
  awk -v name="$1" -v a="$a" -v s="$spread" -v ref="$3" -v b="$b" -v bound="$5" -v inb="$input_bytes" \
    -v outb="$6" -v verdict="$verdict" 'BEGIN {
      printf "| %-38s | %7.3f s | ±%.3f s | %-28s | %7.3f s | %5.2f | %5.2f | %9.0f | %9s | %-6s |\n",
        name, a / 1e6, s / 1e6, ref, b / 1e6, a / b, bound, inb / a, (outb > 0 ? sprintf("%.0f", outb / a) : "-"),
        verdict }'
}

q() { printf '%q' "$1"; }
compare "1. full report > /dev/null" "$(q "$ostrel") $(q "$stream") > /dev/null" \
  "xxd FILE > /dev/null" "xxd $(q "$stream") > /dev/null" 0.5 "$output_bytes"
compare "1b. full report --resync" "$(q "$ostrel") $(q "$stream") --resync > /dev/null" \
  "full report (row 1)" "$(q "$ostrel") $(q "$stream") > /dev/null" 1.05 "$output_bytes"
compare "1c. full report --decode" "$(q "$ostrel") $(q "$stream") --decode > /dev/null" \
  "xxd FILE > /dev/null" "xxd $(q "$stream") > /dev/null" 0.15 "$decoded_bytes"
compare "2. full report, piped to cat" "$(q "$ostrel") $(q "$stream") | cat > /dev/null" \
  "xxd FILE, piped to cat" "xxd $(q "$stream") | cat > /dev/null" 0.3 "$output_bytes"
compare "3a. --pid:1234 (no such PID)" "$(q "$ostrel") $(q "$stream") --pid:1234 > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.2 0
compare "3b. --pmt:1234 (no such table)" "$(q "$ostrel") $(q "$stream") --pmt:1234 > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.2 0
compare "3c. --pat (only in the last packet)" "$(q "$ostrel") $(q "$late_pat") --pat > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$late_pat") > /dev/null" 1.5 0
compare "3d. --pid:1234 --resync" "$(q "$ostrel") $(q "$stream") --pid:1234 --resync > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.5 0
compare "3e. --pat --resync (last packet)" "$(q "$ostrel") $(q "$late_pat") --pat --resync > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$late_pat") > /dev/null" 1.5 0
compare "5a. --summary" "$(q "$ostrel") $(q "$stream") --summary > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.3 0
compare "5b. --check" "$(q "$ostrel") $(q "$stream") --check > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.3 0
compare "5e. --check:3" "$(q "$ostrel") $(q "$stream") --check:3 > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.4 0
compare "5f. --cues" "$(q "$ostrel") $(q "$stream") --cues > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.5 0
compare "5g. --timeline" "$(q "$ostrel") $(q "$stream") --timeline > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.5 0
compare "5h. --html:OUT" "$(q "$ostrel") $(q "$stream") --html:$(q "$cache/page.html")" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.5 0
compare "6. --write:OUT --program:1" "$(q "$ostrel") $(q "$stream") --write:$(q "$cache/cut.ts") --program:1" \
  "cp FILE OUT" "cp $(q "$stream") $(q "$cache/copy.ts")" 2.0 0
compare "5d. --tables" "$(q "$ostrel") $(q "$stream") --tables > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$stream") > /dev/null" 1.5 0
compare "7. capture --summary (1 GiB pcap)" "$(q "$ostrel") $(q "$capture") --summary > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$capture") > /dev/null" 2.0 0
compare "8. --hls of a ${size_mib} MiB playlist" "$(q "$ostrel") $(q "$hls/index.m3u8") --hls > /dev/null" \
  "cat SEGMENTS > /dev/null" "cat $(cat "$hls/segments.txt") > /dev/null" 1.5 0
compare "5c. --check, error every 1000th packet" "$(q "$ostrel") $(q "$damaged") --check > /dev/null" \
  "cat FILE > /dev/null" "cat $(q "$damaged") > /dev/null" 2.0 0

rss() { { /usr/bin/time -f %M "$@" 2>&1 >/dev/null || true; } | tail -n 1; }  # --check exits 1 on findings
big_rss=$(rss "$ostrel" "$stream")
small_rss=$(rss "$ostrel" "$small")
scan_rss=$(rss "$ostrel" "$late_pat" --pat)
summary_big=$(rss "$ostrel" "$stream" --summary)
summary_small=$(rss "$ostrel" "$small" --summary)
check_big=$(rss "$ostrel" "$damaged" --check)
check_small=$(rss "$ostrel" "$small" --check)
tables_big=$(rss "$ostrel" "$stream" --tables)
tables_small=$(rss "$ostrel" "$small" --tables)
timeline_big=$(rss "$ostrel" "$stream" --timeline)
timeline_small=$(rss "$ostrel" "$small" --timeline)
capture_rss=$(rss "$ostrel" "$capture" --summary)
verdict=ok
for pair in "$big_rss $small_rss" "$summary_big $summary_small" "$check_big $check_small" "$tables_big $tables_small" \
  "$timeline_big $timeline_small"; do
  set -- $pair
  if [ $(($1 - $2)) -gt 512 ] || [ "$1" -gt 8192 ]; then verdict=MISSED; failed=1; fi
done
printf '\n4. peak RSS: %s KB on %s MiB, %s KB on 1 MB, %s KB for --pat on %s MiB (bound: within 512 KB, under 8 MB): %s\n' \
  "$big_rss" "$size_mib" "$small_rss" "$scan_rss" "$size_mib" "$verdict"
printf '   --summary: %s KB on %s MiB, %s KB on 1 MB; --check: %s KB on the damaged %s MiB, %s KB on 1 MB\n' \
  "$summary_big" "$size_mib" "$summary_small" "$check_big" "$size_mib" "$check_small"
printf '   --tables: %s KB on %s MiB, %s KB on 1 MB\n' "$tables_big" "$size_mib" "$tables_small"
printf '   --timeline: %s KB on %s MiB, %s KB on 1 MB\n' "$timeline_big" "$size_mib" "$timeline_small"
capture_verdict=ok
if [ "$capture_rss" -gt 16384 ]; then capture_verdict=MISSED; failed=1; fi
printf '   capture --summary: %s KB on the 1 GiB capture (bound: under 16 MB): %s\n' "$capture_rss" "$capture_verdict"
printf '   report output: %s bytes for %s bytes of input\n' "$output_bytes" "$input_bytes"
exit $failed
