#!/usr/bin/env bash
# A stream just over 4 GiB whose only PAT is its last packet: a 32-bit offset,
# signed or unsigned, would lose it. --pat must find it, --pid:0000 must number
# it, --summary must count every packet, and the peak memory must be what it is
# on a 1 MB stream, under 8 MB for --summary.
# Usage: large_file_test.sh OSTREL [FOLDER]   (needs about 4.3 GB free in FOLDER)
set -euo pipefail
ostrel=$1
dir=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/ostrel-large.XXXXXX")
trap 'rm -rf "$dir"' EXIT

packets=22845580  # 4 GiB is 22845570.7 packets
python3 - "$dir" "$packets" <<'PY'
import sys
folder, packets = sys.argv[1], int(sys.argv[2])
null = bytes([0x47, 0x1F, 0xFF, 0x10]) + bytes([0xFF]) * 184
pat = bytes([0x47, 0x40, 0x00, 0x10, 0x00,
             0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00, 0x2A, 0xB1, 0x04, 0xB2])
pat += bytes([0xFF]) * (188 - len(pat))
chunk = null * 100000
with open(folder + "/large.ts", "wb") as f:
    left = packets - 1
    while left >= 100000:
        f.write(chunk)
        left -= 100000
    f.write(null * left)
    f.write(pat)
with open(folder + "/small.ts", "wb") as f:
    f.write(null * 5318 + pat)  # 1 MB
PY

fail() { echo "FAIL: $*" >&2; exit 1; }

expected_pat="=> Pointer Field:     '0'd
=> Table ID:          '00'h, program_association_section
=> Section Length:    '13'd
=> Version Number:    '0'd
=> Total Programs:    '1'd
   Program Number[0]: '1'd
   PMT PID[0]:        '1000'h"

start=$(date +%s.%N)
pat=$(/usr/bin/time -f %M -o "$dir/pat.rss" "$ostrel" "$dir/large.ts" --pat) || fail "--pat exited $?"
[ "$pat" = "$expected_pat" ] || fail "--pat printed: $pat"
/usr/bin/time -f %M -o "$dir/pid.rss" "$ostrel" "$dir/large.ts" --pid:0000 >"$dir/pid.txt" || fail "--pid:0000 exited $?"
first=$(head -n 1 "$dir/pid.txt")
[ "$first" = "=> Sync Byte:                    '47'h, TS Packet (No. $packets)" ] || fail "--pid:0000 printed: $first"
/usr/bin/time -f %M -o "$dir/summary.rss" "$ostrel" "$dir/large.ts" --summary --json >"$dir/summary.json" ||
  fail "--summary exited $?"
counted=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["packets"])' "$dir/summary.json")
[ "$counted" = "$packets" ] || fail "--summary counted $counted packets"
end=$(date +%s.%N)
/usr/bin/time -f %M -o "$dir/small.rss" "$ostrel" "$dir/small.ts" --pat >/dev/null
/usr/bin/time -f %M -o "$dir/small-summary.rss" "$ostrel" "$dir/small.ts" --summary >/dev/null

large_rss=$(cat "$dir/pid.rss")
small_rss=$(cat "$dir/small.rss")
echo "4 GiB stream: --pat and --pid:0000 in $(awk "BEGIN { printf \"%.1f\", $end - $start }") s; peak RSS $large_rss KB (--pat $(cat "$dir/pat.rss") KB), 1 MB stream $small_rss KB"
[ $((large_rss - small_rss)) -lt 512 ] || fail "peak memory grew from $small_rss KB to $large_rss KB"
summary_rss=$(cat "$dir/summary.rss")
small_summary_rss=$(cat "$dir/small-summary.rss")
echo "--summary: peak RSS $summary_rss KB on 4 GiB, $small_summary_rss KB on 1 MB"
[ $((summary_rss - small_summary_rss)) -lt 512 ] && [ "$summary_rss" -lt 8192 ] ||
  fail "--summary took $summary_rss KB (1 MB stream: $small_summary_rss KB)"
echo "large file test passed"
