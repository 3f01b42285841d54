#!/usr/bin/env bash
# Every report of every input, saved so that two builds can be compared byte
# for byte: a refactoring must leave each report's standard output, standard
# error and exit status exactly as they were.
#   tests/compare_reports.sh save DIR BINARY   run BINARY over the matrix into DIR
#   tests/compare_reports.sh compare A B       say which runs differ (status 1 if any)
# The inputs: the fixtures, the sample, the synthetic SI stream of the fuzz
# corpus, damaged copies of three fixtures (bit flips in headers and payloads,
# bytes cut out, a tail cut mid-packet) made here with a fixed seed, and, when
# the benchmark cache holds them, 20 MB of the benchmark stream and of its
# damaged copy (bench/run.sh makes them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

inputs() {  # inputs WORKDIR: print one input path a line
  local work=$1
  ls "$root"/tests/fixtures/*.ts "$root"/tests/fixtures/*.m2ts "$root"/tests/fixtures/*.pcap \
    "$root"/tests/fixtures/*.pcapng "$root"/samples/sample.ts
  "$root"/fuzz/make_corpus.sh "$work/corpus" >/dev/null
  cp "$work/corpus/si.ts" "$work/si.ts" && echo "$work/si.ts"
  python3 - "$work" "$root/tests/fixtures" <<'PY'
import random, sys
work, fixtures = sys.argv[1:3]
rng = random.Random(31)
for name, flips in (("ffmpeg_codecs.ts", 300), ("gst_two_programs.ts", 120), ("ffmpeg_cbr.ts", 600)):
    data = bytearray(open(f"{fixtures}/{name}", "rb").read())
    for _ in range(flips):
        at = rng.randrange(len(data))
        data[at] ^= 1 << rng.randrange(8)
    cut = rng.randrange(len(data) // 2)
    del data[cut:cut + 100]
    data = data[:len(data) - 50]
    out = f"{work}/damaged_{name}"
    open(out, "wb").write(data)
    print(out)
PY
  # Map and association sections whose lengths contradict each other, with
  # correct CRC_32s, so that the decoders' cut paths are compared too.
  python3 - "$work/odd_sections.ts" <<'PY'
import random, sys
rng = random.Random(32)
def crc32(data):
    crc = 0xFFFFFFFF
    for b in data:
        crc ^= b << 24
        for _ in range(8):
            crc = (crc << 1) ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1
        crc &= 0xFFFFFFFF
    return crc.to_bytes(4, "big")
def section(table_id, ext, body, version):
    n = 5 + len(body) + 4
    s = bytes([table_id, 0xB0 | n >> 8, n & 0xFF, ext >> 8, ext & 0xFF, 0xC1 | version << 1, 0, 0]) + body
    return s + crc32(s)
def packets(pid, data, counter):
    out, first = b"", True
    data = b"\0" + data
    while data:
        piece, data = data[:184], data[184:]
        out += bytes([0x47, (0x40 if first else 0) | pid >> 8, pid & 0xFF, 0x10 | counter.get(pid, 0) & 15])
        out += piece + b"\xff" * (184 - len(piece))
        counter[pid] = counter.get(pid, 0) + 1
        first = False
    return out
def descriptors():
    out = b""
    for _ in range(rng.randrange(4)):
        tag = rng.choice([0x09, 0x0A, 0x05, 0x52, 0x59])
        body = bytes(rng.randrange(256) for _ in range(rng.randrange(8)))
        out += bytes([tag, len(body) + rng.choice([0, 0, 0, 1, 5])]) + body
    return out
out, counter = b"", {0: 0}
for v in range(24):
    entries = b"".join(bytes([0, rng.randrange(1, 4), 0xE0 | 1, rng.randrange(256)]) for _ in range(rng.randrange(1, 4)))
    entries += bytes(rng.randrange(256) for _ in range(rng.choice([0, 0, 1, 2, 3])))
    out += packets(0, section(0, 1, entries, v & 31), counter)
    counter.setdefault(0x100 | v % 4, 0)
    info = descriptors()
    body = bytes([0xE1, 0x00, 0xF0 | len(info) >> 8, len(info) & 0xFF]) + info
    for _ in range(rng.randrange(4)):
        es = descriptors()
        body += bytes([rng.choice([2, 0x1B, 0x0F, 6, 0x86]), 0xE1, rng.randrange(256), 0xF0 | len(es) >> 8, len(es) & 0xFF]) + es
    cut = rng.choice([len(body), len(body), rng.randrange(len(body) + 1)])
    body = body[:cut]
    if rng.random() < 0.3:  # a program_info_length past the section
        body = body[:2] + bytes([0xF0, 0x40]) + body[4:]
    out += packets(0x100 | v % 4, section(2, rng.randrange(1, 4), body, v & 31), counter)
    out += packets(1, section(1, 0xFFFF, descriptors(), v & 31), counter)
open(sys.argv[1], "wb").write(out)
PY
  echo "$work/odd_sections.ts"
  local cache=${OSTREL_BENCH_CACHE:-/tmp/ostrel-bench} big
  for big in stream-256m.ts stream-256m-damaged.ts; do
    if [ -s "$cache/$big" ]; then
      head -c 20000000 "$cache/$big" >"$work/cut20m_$big" && echo "$work/cut20m_$big"
    fi
  done
}

# The reports of a transport stream; "%P" stands for each map PID the PAT names.
ts_runs=(
  "" "--decode" "--resync" "--resync --decode" "--pid:0000" "--pid:0011 --decode" "--pid:1fff"
  "--pat" "--pat --resync" "%P"
  "--summary" "--summary --json" "--check" "--check --json" "--check:1" "--check:3" "--check:3 --all"
  "--check:3 --json --all" "--tables" "--tables --json" "--tables --pid:0000" "--cues" "--cues --json"
  "--timeline" "--timeline --json" "--timeline:0.2" "--timeline:0.01 --json" "--html:-"
  "--write:- --program:1" "--write:- --pids:0,11" "--write:- --from:10 --to:80" "--write:- --from:0.2s --to:0.6s"
  "--flows" "--summary --resync" "--check:3 --resync --json"
)
# Packet reports of large inputs print hundreds of megabytes: only the table PIDs there.
big_runs=("--pid:0000" "--pat" "%P" "--summary" "--summary --json" "--check" "--check:3 --json" "--check:3 --all"
  "--tables" "--tables --json" "--cues" "--timeline" "--timeline --json" "--html:-"
  "--write:- --program:1" "--write:- --from:0.5s --to:1.5s")
capture_runs=("" "--flows" "--flows --json" "--summary" "--summary --json" "--check:3" "--check --json"
  "--timeline" "--timeline --json" "--tables" "--pat" "--html:-" "--write:- --pids:100")

map_pids() {  # the PIDs of the map tables the PAT lists, as --pmt: options
  "$1" "$2" --pat 2>/dev/null | sed -n "s/^   PMT PID\[[0-9]*\]: *'\([0-9A-Fa-f]\{4\}\)'h.*/--pmt:\1/p" | sort -u | head -8
}

save() {
  local dir=$1 bin=$2 work input name args i
  mkdir -p "$dir"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  inputs "$work" >"$work/inputs"
  while read -r input; do
    name=$(basename "$input")
    local -a runs
    case "$name" in
      *.pcap | *.pcapng) runs=("${capture_runs[@]}") ;;
      cut20m_*) runs=("${big_runs[@]}") ;;
      *) runs=("${ts_runs[@]}") ;;
    esac
    i=0
    for args in "${runs[@]}"; do
      if [ "$args" = "%P" ]; then
        local pmt
        for pmt in $(map_pids "$bin" "$input"); do
          run_one "$dir/$name.$((i++))" "$bin" "$input" "$pmt"
        done
        continue
      fi
      # shellcheck disable=SC2086
      run_one "$dir/$name.$((i++))" "$bin" "$input" $args
    done
  done <"$work/inputs"
  echo "saved $(ls "$dir" | wc -l) runs in $dir" >&2
}

run_one() {  # run_one OUT BINARY INPUT ARGS...: OUT.cmd, OUT.out, OUT.err
  local out=$1 bin=$2 input=$3 status=0
  shift 3
  echo "$(basename "$input") $*" >"$out.cmd"
  (cd "$(dirname "$input")" && "$bin" "$(basename "$input")" "$@" </dev/null >"$out.out" 2>"$out.err") || status=$?
  echo "status $status" >>"$out.cmd"
}

compare() {
  local a=$1 b=$2 differ=0 f
  for f in "$a"/*.cmd; do
    f=$(basename "$f" .cmd)
    if ! cmp -s "$a/$f.cmd" "$b/$f.cmd" || ! cmp -s "$a/$f.out" "$b/$f.out" || ! cmp -s "$a/$f.err" "$b/$f.err"; then
      echo "differs: $(head -1 "$a/$f.cmd")"
      differ=$((differ + 1))
    fi
  done
  [ "$(ls "$a" | wc -l)" = "$(ls "$b" | wc -l)" ] || { echo "the run counts differ"; differ=$((differ + 1)); }
  echo "$(ls "$a"/*.cmd | wc -l) runs compared, $differ differ"
  [ "$differ" = 0 ]
}

case "${1:-}" in
save) save "$2" "$(realpath "$3")" ;;
compare) compare "$2" "$3" ;;
*) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
esac
