#!/usr/bin/env python3
"""srt:// and --metrics on 127.0.0.1: a fixture sent at its PCR pace over
SRT (through Debian's srt-live-transmit, fed over UDP by this test) and over
UDP, the reports against the file's, the endpoint scraped while the run goes
on (and checked by promtool, and by a real Prometheus server where one is
installed), hostile scrapers that must change nothing. Parts whose programs
are missing are skipped with a message; all missing: status 77 (skipped).
Usage: live_metrics_test.py OSTREL SOURCE_DIR
"""
import json
import os
import pathlib
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

OSTREL = sys.argv[1]
ROOT = pathlib.Path(sys.argv[2])
FIXTURE = ROOT / "tests" / "fixtures" / "ffmpeg_cbr.ts"  # 400 kbit/s, 1.2 s
RATE = 50000  # its bytes a second
failures, skipped = [], []


def expect(name, condition, detail=""):
    if not condition:
        failures.append(f"{name}: {detail}")


def free_port(kind=socket.SOCK_DGRAM):
    s = socket.socket(socket.AF_INET, kind)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def send(path, port, rate=RATE, delay=0.7):
    """Plays `path` to 127.0.0.1:port in datagrams of 7 packets at `rate` bytes a second."""
    def play():
        time.sleep(delay)
        data = path.read_bytes()
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        start = time.monotonic()
        for at in range(0, len(data), 1316):
            due = start + at / rate
            while time.monotonic() < due:
                time.sleep(0.0005)
            s.sendto(data[at:at + 1316], ("127.0.0.1", port))
        s.close()
    t = threading.Thread(target=play, daemon=True)
    t.start()
    return t


def ostrel(args, **kw):
    return subprocess.Popen([OSTREL, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            stdin=subprocess.DEVNULL, **kw)


def file_report(*args):
    return subprocess.run([OSTREL, str(FIXTURE), *args], capture_output=True, text=True).stdout


def pid_packets(summary_json):
    return {p["pid"]: p["packets"] for p in json.loads(summary_json)["pids"]}


def relay(listener_url, udp_port):
    """srt-live-transmit from a UDP port to an SRT address."""
    return subprocess.Popen(["srt-live-transmit", "-q", f"udp://:{udp_port}", listener_url],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def called_over_srt(query, options):
    """The fixture relayed by srt-live-transmit listening (`query` added to
    its address and to ostrel's), ostrel calling it with `options`: its output."""
    udp, srt = free_port(), free_port()
    r = relay(f"srt://127.0.0.1:{srt}?mode=listener{query}", udp)
    time.sleep(0.5)
    run = ostrel([f"srt://127.0.0.1:{srt}?mode=caller{query}", *options])
    send(FIXTURE, udp)
    out, err = run.communicate(timeout=30)
    r.kill()
    return out, err


def srt_cases():
    if shutil.which("srt-live-transmit") is None:
        skipped.append("SRT (no srt-live-transmit; Debian: srt-tools)")
        return
    file_pids = pid_packets(file_report("--summary", "--json"))
    # ostrel calls a listener that relays the UDP the test sends.
    out, err = called_over_srt("&passphrase=0123456789abc", ["--summary", "--json", "--timeout:3"])
    summary = json.loads(out) if out.startswith("{") else {}
    expect("srt caller packets", summary and pid_packets(out) == file_pids, (out[:300], err))
    expect("srt caller figures", summary.get("srt", {}).get("received") == 47 and summary["srt"]["lost"] == 0,
           summary.get("srt"))
    expect("srt passphrase masked", "0123456789abc" not in out, out[:200])
    # --timeline: each row with the link's columns; nothing lost on loopback.
    out, err = called_over_srt("", ["--timeline", "--json", "--timeout:2"])
    rows = [json.loads(line) for line in out.splitlines()]
    expect("srt timeline", rows and all("srt" in row for row in rows) and
           sum(row["packets"] for row in rows) == sum(file_pids.values()) and
           all(row["srt"] is None or row["srt"]["lost"] == 0 for row in rows), (out[:300], err))
    # ostrel listens; srt-live-transmit calls it; SIGINT ends the run with the closing lines.
    udp, srt = free_port(), free_port()
    run = ostrel([f"srt://:{srt}?mode=listener&latency=80", "--check", "--timeout:10"])
    time.sleep(0.5)
    r = relay(f"srt://127.0.0.1:{srt}?mode=caller", udp)
    time.sleep(0.5)
    send(FIXTURE, udp, delay=0.2).join()
    time.sleep(1.0)
    run.send_signal(signal.SIGINT)
    out, err = run.communicate(timeout=20)
    r.kill()
    expect("srt listener SIGINT", "=> Indicator" in out and "Continuity_count_error             '1'd      '0'd" in out,
           (out[-400:], err))
    # A wrong passphrase; nobody at the address; nobody calling: one line and status 1, within the timeout.
    udp, srt = free_port(), free_port()
    r = relay(f"srt://127.0.0.1:{srt}?mode=listener&passphrase=0123456789abc", udp)
    time.sleep(0.5)
    rows = [
        ("wrong passphrase", [f"srt://127.0.0.1:{srt}?passphrase=9876543210zyx", "--summary", "--timeout:3"],
         "SRT connection failed: wrong passphrase\n"),
        ("refused", [f"srt://127.0.0.1:{free_port()}", "--summary", "--timeout:1"],
         "SRT connection failed: Connection setup failure: connection timed out\n"),
        ("nobody calls", [f"srt://127.0.0.1:{free_port()}?mode=listener", "--summary", "--timeout:1"],
         "No SRT caller for 1 s\n"),
    ]
    for name, args, message in rows:
        began = time.monotonic()
        p = subprocess.run([OSTREL, *args], capture_output=True, text=True, timeout=20)
        expect(name, p.returncode == 1 and p.stderr == message and p.stdout == "", (p.returncode, p.stderr))
        expect(name + " in time", time.monotonic() - began < 5, time.monotonic() - began)
    r.kill()


def scrape(port, path="/metrics"):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}{path}", timeout=5) as answer:
        return answer.status, answer.headers.get("Content-Type"), answer.read().decode()


def series(text, name):
    """The samples of `name`: {labels: value}."""
    found = {}
    for line in text.splitlines():
        if line.startswith(name + "{") or line.startswith(name + " "):
            key, value = line.rsplit(" ", 1)
            found[key[len(name):]] = float(value)
    return found


def hostile(port):
    """A scraper that connects and says nothing, 50 at once, a 1 MB request line, a POST; their answers."""
    answers = {}
    silent = socket.create_connection(("127.0.0.1", port))
    crowd = [socket.create_connection(("127.0.0.1", port)) for _ in range(50)]
    for c in crowd[8:]:
        c.close()  # the server closes those past its eighth; the rest wait
    s = socket.create_connection(("127.0.0.1", port), timeout=3)
    try:
        s.sendall(b"GET /" + b"x" * (1 << 20) + b" HTTP/1.1\r\nHost: x\r\n\r\n")
    except OSError:
        pass
    try:
        answers["long"] = s.recv(64).split(b" ")[1].decode()
    except (OSError, IndexError):
        answers["long"] = "closed"
    s.close()
    for c in crowd[:8]:
        c.close()
    silent.close()
    time.sleep(0.2)
    s = socket.create_connection(("127.0.0.1", port), timeout=3)
    s.sendall(b"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello")
    answers["post"] = s.recv(64).split(b" ")[1].decode()
    s.close()
    try:
        scrape(port, "/nothing")
    except urllib.error.HTTPError as e:
        answers["404"] = str(e.code)
    return answers


def metrics_cases(work):
    damaged = work / "damaged.ts"
    data = bytearray(FIXTURE.read_bytes())
    video = [k for k in range(50, len(data) // 188) if data[k * 188 + 1] & 0x1F == 0x01 and data[k * 188 + 2] == 0]
    data[video[0] * 188 + 3] ^= 0x05  # one video counter off: two Continuity_count_errors (the jump, the return)
    damaged.write_bytes(bytes(data))
    checked = subprocess.run([OSTREL, str(damaged), "--check", "--json"], capture_output=True, text=True).stdout
    file_counts = json.loads(checked.splitlines()[-1])["summary"]["counts"]
    expect("the damage", file_counts["Continuity_count_error"] == 2, file_counts)
    file_pids = pid_packets(subprocess.run([OSTREL, str(damaged), "--summary", "--json"], capture_output=True,
                                           text=True).stdout)
    udp, http = free_port(), free_port(socket.SOCK_STREAM)
    run = ostrel([f"udp://127.0.0.1:{udp}", "--check", f"--metrics:127.0.0.1:{http}", "--timeout:12"])
    time.sleep(0.3)
    status, kind, first = scrape(http)
    expect("metrics content type", status == 200 and kind.startswith("text/plain; version=0.0.4"), kind)
    expect("metrics before data", series(first, "ostrel_up") == {"": 1.0} and
           series(first, "ostrel_tr101290_errors_total"), first[:300])
    prometheus = start_prometheus(work, http)
    send(damaged, udp, delay=0.2).join()
    time.sleep(1.5)  # the input pauses: the last figures are out, the rate falls to 0
    answers = hostile(http)
    _, _, last = scrape(http)
    expect("hostile answers", answers == {"long": "414", "post": "405", "404": "404"} or
           answers.get("post") == "405" and answers.get("long") in ("414", "431", "closed"), answers)
    expect("packets", series(last, "ostrel_packets_total") == {"": float(sum(file_pids.values()))},
           (series(last, "ostrel_packets_total"), sum(file_pids.values())))
    expect("per PID", {k: int(v) for k, v in series(last, "ostrel_pid_packets_total").items()} ==
           {'{pid="0x%04X"}' % p: n for p, n in file_pids.items()}, series(last, "ostrel_pid_packets_total"))
    expect("CC errors", series(last, "ostrel_tr101290_errors_total")
           ['{indicator="Continuity_count_error",priority="1"}'] == file_counts["Continuity_count_error"], last[-600:])
    expect("rate falls to 0", series(last, "ostrel_bytes_per_second") == {"": 0.0}, series(last, "ostrel_bytes_per_second"))
    expect("service label", '{program="1",service="Service01",provider="FFmpeg",pmt_pid="0x1000",pcr_pid="0x0100"}'
           in series(last, "ostrel_program_info"), series(last, "ostrel_program_info"))
    if shutil.which("promtool"):
        p = subprocess.run(["promtool", "check", "metrics"], input=last, capture_output=True, text=True)
        expect("promtool", p.returncode == 0, p.stdout + p.stderr)
        p = subprocess.run(["promtool", "check", "rules", str(ROOT / "docs" / "prometheus-rules.yml")],
                           capture_output=True, text=True)
        expect("the README's alert rules", p.returncode == 0, p.stdout + p.stderr)
    else:
        skipped.append("promtool check metrics (Debian: prometheus)")
    if prometheus is not None:
        query_prometheus(prometheus, file_counts)
    out, err = run.communicate(timeout=30)
    expect("the run ends as without scrapers", "Continuity_count_error             '1'd      '2'd" in out, (out[-500:], err))


def start_prometheus(work, port):
    if shutil.which("prometheus") is None:
        skipped.append("a Prometheus server (Debian: prometheus)")
        return None
    config = work / "prometheus.yml"
    config.write_text("global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: ostrel\n"
                      f"    static_configs:\n      - targets: ['127.0.0.1:{port}']\n")
    web = free_port(socket.SOCK_STREAM)
    p = subprocess.Popen(["prometheus", f"--config.file={config}", f"--storage.tsdb.path={work / 'tsdb'}",
                          f"--web.listen-address=127.0.0.1:{web}"], stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    return p, web


def query_prometheus(prometheus, file_counts):
    p, web = prometheus
    values = {}
    for _ in range(40):  # two scrapes after the data, a second apart
        time.sleep(0.5)
        try:
            with urllib.request.urlopen(f"http://127.0.0.1:{web}/api/v1/query?query=ostrel_tr101290_errors_total",
                                        timeout=3) as a:
                result = json.loads(a.read())["data"]["result"]
            values = {r["metric"]["indicator"]: float(r["value"][1]) for r in result}
            if values.get("Continuity_count_error") == file_counts["Continuity_count_error"]:
                break
        except OSError:
            continue
    p.terminate()
    p.wait(timeout=10)
    # The indicators that do not depend on timing, as the file's --check counts them.
    for indicator in ("TS_sync_loss", "Sync_byte_error", "Continuity_count_error", "Transport_error", "CRC_error"):
        expect("prometheus " + indicator, values.get(indicator) == file_counts[indicator], (values, file_counts))


def main():
    with tempfile.TemporaryDirectory() as temp:
        work = pathlib.Path(temp)
        srt_cases()
        metrics_cases(work)
    for s in skipped:
        print("skipped:", s)
    for f in failures:
        print("FAILED", f)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
