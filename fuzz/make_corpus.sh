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
# The loopback captures as they are (read as captures by their magic), and
# their frames alone, for the target's own pcap header (link type Ethernet:
# a first byte of 0).
for capture in "$root"/tests/fixtures/*.pcap "$root"/tests/fixtures/*.pcapng; do
  cp "$capture" "$out/$(basename "$capture")"
done
python3 - "$root/tests/fixtures/lo_plain.pcap" "$out/frames" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()[24:]
open(sys.argv[2], "wb").write(b"\0" + data[:6000])
PY
# Service information none of the streams carries: NIT, SDT over two sections,
# EIT present/following, TOT, each with descriptors.
python3 - "$out" <<'PY'
import sys
def crc32(data):
    crc = 0xFFFFFFFF
    for b in data:
        crc ^= b << 24
        for _ in range(8):
            crc = (crc << 1) ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1
        crc &= 0xFFFFFFFF
    return crc.to_bytes(4, "big")
def long_section(table_id, ext, body, number=0, last=0):
    n = 5 + len(body) + 4
    s = bytes([table_id, 0xB0 | n >> 8, n & 0xFF, ext >> 8, ext & 0xFF, 0xC1, number, last]) + body
    return s + crc32(s)
def packets(pid, section, cc):
    payload = b"\0" + section
    out = b""
    for at in range(0, len(payload), 184):
        piece = payload[at:at + 184].ljust(184, b"\xff")
        out += bytes([0x47, (0x40 if at == 0 else 0) | pid >> 8, pid & 0xFF, 0x10 | cc & 15]) + piece
        cc += 1
    return out
def desc(tag, body):
    return bytes([tag, len(body)]) + body
service = desc(0x48, b"\x01\x03ABC\x06\x15Str\xc3\x9f")
sdt0 = long_section(0x42, 1, b"\x00\x22\xff\x00\x01\xfc\x80" + bytes([len(service)]) + service, 0, 1)
sdt1 = long_section(0x42, 1, b"\x00\x22\xff\x00\x02\xfc\x80" + bytes([len(service)]) + service, 1, 1)
event = desc(0x4D, b"deu\x04T\xc8or\x00") + desc(0x54, b"\x10\x00")
eit = long_section(0x4E, 1, b"\x00\x01\x00\x22\x01\x4e\x01\x00\xc0\x79\x12\x45\x00\x01\x30\x00\x80"
                   + bytes([len(event)]) + event, 0, 1)
ts = desc(0x41, b"\x00\x01\x01") + desc(0x5A, b"\x04\x81\x0c\x20\x1f\x43\xff\xff\xff\xff\xff")
nit = long_section(0x40, 0x3001, b"\xf0\x05" + desc(0x40, b"Net") + b"\xf0" + bytes([6 + len(ts)])
                   + b"\x00\x01\x00\x22\xf0" + bytes([len(ts)]) + ts)
offset = desc(0x58, b"DEU\x02\x01\x00\xc0\x79\x12\x45\x00\x02\x00")
tot_body = b"\xc0\x79\x12\x45\x00\xf0" + bytes([len(offset)]) + offset
tot = bytes([0x73, 0x70, len(tot_body) + 4]) + tot_body
tot += crc32(tot)
out = sys.argv[1]
open(f"{out}/si.ts", "wb").write(packets(0x10, nit, 0) + packets(0x11, sdt0, 0) + packets(0x12, eit, 0)
                                 + packets(0x11, sdt1, 1) + packets(0x14, tot, 0))
# And sections of every table_id cut at every length: a seed per table_id,
# its sections on the PIDs of the SI tables and on a map's PIDs (a PAT and a
# PMT first), each cut at another length, loops claiming more than they hold.
def short_section(table_id, body):
    s = bytes([table_id, 0x70 | (len(body) + 4) >> 8, (len(body) + 4) & 0xFF]) + body
    return s + crc32(s)
def packet(pid, data, cc):
    return bytes([0x47, 0x40 | pid >> 8, pid & 0xFF, 0x10 | cc & 15, 0]) + data[:183].ljust(183, b"\xff")
pat = long_section(0x00, 1, b"\x00\x01\xe1\x00")
pmt = long_section(0x02, 1, b"\xe1\x01\xf0\x00\x86\xe1\x01\xf0\x00\x06\xe1\x02\xf0\x00")
body = (b"\xf0\x30\x40\x05Net\x50\x06\xf1\x01\xf0\x40\x00\x01\x00\x02\xf0\x20\x48\x09\x01\x01A\x05B"
        b"\x0a\x04eng\x00\x4d\x08deu\x02AB\x01C")
pids = (0x10, 0x11, 0x12, 0x14, 0x100, 0x101, 0x102)
for table_id in range(256):
    seed = packet(0, pat, 0) + packet(0x100, pmt, 0)
    for k, pid in enumerate(pids * 4):
        whole = long_section(table_id, 1, body) if k % 2 == 0 else short_section(table_id, body)
        cut = (table_id * 7 + k * 5) % (len(whole) + 1)
        seed += packet(pid, whole[:cut], 1 + k // len(pids))
    open(f"{out}/sections-{table_id:02x}", "wb").write(seed)
PY
# Playlists: the HLS fixtures' texts and segments, and one of every tag with
# attribute lists of quotes and commas, huge and negative numbers.
for playlist in "$root"/tests/fixtures/hls/*/*.m3u8 "$root"/tests/fixtures/hls/vod/*.ts; do
  cp "$playlist" "$out/hls-$(basename "$(dirname "$playlist")")-$(basename "$playlist")"
done
cat >"$out/hls-every-tag.m3u8" <<'M3U8'
#EXTM3U
#EXT-X-VERSION:7
#EXT-X-INDEPENDENT-SEGMENTS
#EXT-X-START:TIME-OFFSET=-3.5,PRECISE=YES
#EXT-X-TARGETDURATION:18446744073709551616
#EXT-X-MEDIA-SEQUENCE:-1
#EXT-X-DISCONTINUITY-SEQUENCE:4
#EXT-X-PLAYLIST-TYPE:EVENT
#EXT-X-KEY:METHOD=SAMPLE-AES,URI="k,ey",IV=0x0123,KEYFORMAT="identity",KEYFORMATVERSIONS="1/2"
#EXT-X-MAP:URI="init.mp4",BYTERANGE="720@0"
#EXT-X-PROGRAM-DATE-TIME:2026-12-10T00:00:00.000Z
#EXT-X-DATERANGE:ID="ad",START-DATE="2026-12-10T00:00:00Z",SCTE35-OUT=0xFC30
#EXTINF:1e9,title, with a comma
#EXT-X-BYTERANGE:18446744073709551615@1
a.ts
#EXT-X-DISCONTINUITY
#EXTINF:2.000000000000000000001,
#EXT-X-GAP
b.ts
#EXT-X-MEDIA:TYPE=CLOSED-CAPTIONS,GROUP-ID="cc",NAME="CC1",INSTREAM-ID="CC1"
#EXT-X-STREAM-INF:BANDWIDTH=1,CODECS="avc1.640028,mp4a.40.2",RESOLUTION=99999x1,FRAME-RATE=-1
v.m3u8
#EXT-X-I-FRAME-STREAM-INF:BANDWIDTH=1,URI="i.m3u8"
#EXT-X-SESSION-DATA:DATA-ID="x",VALUE="y"
#EXT-X-ENDLIST
M3U8
echo "$(ls "$out" | wc -l) seeds in $out"
