#!/usr/bin/env bash
# The CPU time --metrics costs a live run: the benchmark stream (bench/run.sh
# caches it) sent over UDP on 127.0.0.1 at 10 Mbit/s for SECONDS (default 60),
# received with --check: without --metrics, with it not scraped, and scraped
# ten times a second; the user and system time of each (its rusage) and the
# ratio of the last two, which must stay at most 1.05.
#   bench/metrics_cpu.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
cache=${OSTREL_BENCH_CACHE:-/tmp/ostrel-bench}
stream=$cache/stream-256m.ts
[ -s "$stream" ] || { echo "run bench/run.sh first: it makes $stream" >&2; exit 1; }
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DOSTREL_TESTS=OFF >/dev/null
cmake --build "$root/build-release" -j "$(nproc)" --target ostrel >/dev/null
ostrel=$root/build-release/ostrel

python3 - "$ostrel" "$stream" "$seconds" <<'PY'
import os, random, socket, subprocess, sys, threading, time, urllib.request
ostrel, stream, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
data = open(stream, "rb").read(64 << 20)

def send(port):  # 40 Mbit/s, the stream's own PCR pace, seven packets a datagram, for the run and a little more
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    rate, start, at = 40e6 / 8, time.monotonic(), 0
    while time.monotonic() - start < seconds + 1:
        due = start + at / rate
        while time.monotonic() < due:
            time.sleep(0.0002)
        s.sendto(data[at % len(data):at % len(data) + 1316], ("127.0.0.1", port))
        at += 1316

def scrape(port, stop):  # ten times a second
    while not stop.is_set():
        try:
            urllib.request.urlopen(f"http://127.0.0.1:{port}/metrics", timeout=2).read()
        except OSError:
            pass
        time.sleep(0.1)

def cpu(metrics, scraped):  # user + system seconds of one run, from its rusage
    port, http = random.randrange(20000, 40000), random.randrange(40000, 60000)
    args = [ostrel, f"udp://127.0.0.1:{port}", "--check", f"--for:{seconds}"] + ([f"--metrics:{http}"] if metrics else [])
    p = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stop = threading.Event()
    time.sleep(0.3)
    if scraped:
        threading.Thread(target=scrape, args=(http, stop), daemon=True).start()
    send(port)
    _, _, usage = os.wait4(p.pid, 0)
    stop.set()
    return usage.ru_utime + usage.ru_stime

plain, quiet, scraped = cpu(False, False), cpu(True, False), cpu(True, True)
ratio = scraped / quiet
print(f"{seconds:.0f} s paced at 40 Mbit/s, CPU time: {plain:.3f} s without --metrics, {quiet:.3f} s with it "
      f"not scraped, {scraped:.3f} s scraped ten times a second: ratio {ratio:.3f} (bound 1.05) "
      + ("ok" if ratio <= 1.05 else "MISSED"))
sys.exit(0 if ratio <= 1.05 else 1)
PY
