#!/usr/bin/env bash
# Makes samples/sample.ts: one second of H.264 video and AAC audio in an MPEG-2
# transport stream, muxed by ffmpeg (Debian package ffmpeg). Bit-exact flags
# keep the muxer's output stable between runs of the same ffmpeg.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc=size=160x120:rate=25" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000" \
  -t 1 \
  -c:v libx264 -preset veryfast -b:v 300k -g 25 -pix_fmt yuv420p \
  -c:a aac -b:a 48k \
  -fflags +bitexact -flags:v +bitexact -flags:a +bitexact \
  -f mpegts "$here/sample.ts"
