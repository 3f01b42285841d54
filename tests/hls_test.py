#!/usr/bin/env python3
"""--hls and the other reports over HLS playlists made by ffmpeg
(tests/fixtures/hls/make_hls.sh), read from files and from an HTTP server
this test runs on 127.0.0.1, each with a fault made here. The findings
expected are worked out from what each case does to the playlist.
Usage: hls_test.py OSTREL SOURCE_DIR
"""
import functools
import http.server
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading
import time

OSTREL = sys.argv[1]
FIXTURES = pathlib.Path(sys.argv[2]) / "tests" / "fixtures" / "hls"
failures = []


def run(args, timeout=60):
    p = subprocess.run([OSTREL, *args], capture_output=True, text=True, timeout=timeout, stdin=subprocess.DEVNULL)
    return p.returncode, p.stdout, p.stderr


def hls_json(target, *options):
    status, out, err = run([str(target), "--hls", "--json", *options])
    lines = [json.loads(line) for line in out.splitlines()]
    segments = [l for l in lines if "uri" in l and "indicator" not in l and "hls_summary" not in l]
    findings = [l for l in lines if "indicator" in l]
    summary = lines[-1]["hls_summary"] if lines and "hls_summary" in lines[-1] else None
    return status, segments, findings, summary, err


def expect(name, condition, detail=""):
    if not condition:
        failures.append(f"{name}: {detail}")


def found(findings):
    return sorted((f["variant"], f["sequence"], f["indicator"]) for f in findings)


def edit(path, old, new):
    text = path.read_text()
    assert old in text, (path, old)
    path.write_text(text.replace(old, new, 1))


def packets(data):
    return [data[i:i + 188] for i in range(0, len(data) - 187, 188)]


def pid_of(p):
    return (p[1] & 0x1F) << 8 | p[2]


def move_first_picture(before, path):
    """Moves the packets of the segment's first video PES packet (PID 0x0100,
    its IDR picture) to the end of the segment before, as a segmenter that
    cuts a picture late would: the next picture, a P picture, comes first;
    counters and time stamps run on."""
    ps = packets(path.read_bytes())
    starts = [i for i, p in enumerate(ps) if pid_of(p) == 0x100 and p[1] & 0x40]
    first, second = starts[0], starts[1]
    moved = [p for i, p in enumerate(ps) if first <= i < second and pid_of(p) == 0x100]
    kept = [p for i, p in enumerate(ps) if not (first <= i < second and pid_of(p) == 0x100)]
    before.write_bytes(before.read_bytes() + b"".join(moved))
    path.write_bytes(b"".join(kept))


class Server:
    """A plain file server over `root` on 127.0.0.1, or `handler` of its own."""

    def __init__(self, root, handler=None):
        handler = handler or functools.partial(Quiet, directory=str(root))
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        self.base = f"http://127.0.0.1:{self.httpd.server_address[1]}"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def vod_cases(work):
    vod_sizes = [os.path.getsize(FIXTURES / "vod" / f"seg{i}.ts") for i in range(3)]

    # The playlist as ffmpeg wrote it: no finding; each segment's bytes are its
    # file's; each 2 s long (video PTS 1.6, 3.6, 5.6; the last ends at 7.5 + 0.1).
    clean = work / "clean"
    shutil.copytree(FIXTURES / "vod", clean)
    status, segments, findings, summary, _ = hls_json(clean / "index.m3u8")
    expect("clean", status == 0 and findings == [], (status, findings))
    expect("clean bytes", [s["bytes"] for s in segments] == vod_sizes, segments)
    expect("clean durations", [s["duration_s"] for s in segments] == [2.0, 2.0, 2.0], segments)
    expect("clean starts", all(s["starts_with_pat"] and s["starts_with_pmt"] and s["starts_with_rap"] for s in segments))
    expect("clean bitrates", [s["bitrate_bps"] for s in segments] == [n * 8 / 2 for n in vod_sizes], segments)
    expect("clean summary", summary["variants"][0]["segments"] == 3 and summary["variants"][0]["duration_s"] == 6.0
           and summary["variants"][0]["codecs_found"] == "avc1.64000A,mp4a.40.2", summary)

    # Each row: a name, what is done to a copy of vod/, the options, the findings (variant, sequence, indicator).
    def longer(d):  # seg1 said to last 3 s: 3 rounds above the target of 2; measured 2.0, off by more than 0.5 s
        edit(d / "index.m3u8", "#EXTINF:2.000000,\nseg1.ts", "#EXTINF:3.000000,\nseg1.ts")

    def cut(d, tag=True):  # seg1 begins with a P picture
        move_first_picture(d / "seg0.ts", d / "seg1.ts")
        if tag:
            edit(d / "index.m3u8", "#EXT-X-VERSION:3\n", "#EXT-X-VERSION:3\n#EXT-X-INDEPENDENT-SEGMENTS\n")

    def missing(d):
        (d / "seg1.ts").unlink()

    def replaced(d):  # seg1 from another encode: counters and time stamps of their own on both sides
        shutil.copy(FIXTURES / "other" / "seg0.ts", d / "seg1.ts")

    def replaced_marked(d):
        replaced(d)
        edit(d / "index.m3u8", "#EXTINF:2.000000,\nseg1.ts", "#EXT-X-DISCONTINUITY\n#EXTINF:2.000000,\nseg1.ts")
        edit(d / "index.m3u8", "#EXTINF:2.000000,\nseg2.ts", "#EXT-X-DISCONTINUITY\n#EXTINF:2.000000,\nseg2.ts")

    def needless_tag(d):  # a discontinuity where counters, PCR and PTS run on
        edit(d / "index.m3u8", "#EXTINF:2.000000,\nseg1.ts", "#EXT-X-DISCONTINUITY\n#EXTINF:2.000000,\nseg1.ts")

    def not_ts(d):
        (d / "seg2.ts").write_text("<html>not here</html>\n")

    def bad_lines(d):  # no target duration, a bare URI, an #EXTINF left without its URI at the end
        edit(d / "index.m3u8", "#EXT-X-TARGETDURATION:2\n", "")
        edit(d / "index.m3u8", "#EXT-X-ENDLIST\n", "stray.ts\n#EXTINF:2.0,\n")

    rows = [
        ("longer than the target", longer, [], [(0, 1, "Segment_duration_error"), (0, 1, "Target_duration_error")]),
        ("cut, independent segments", cut, [], [(0, 1, "Segment_start_error")]),
        ("cut, --all", functools.partial(cut, tag=False), ["--all"], [(0, 1, "Segment_start_error")]),
        ("cut, not asked", functools.partial(cut, tag=False), [], []),
        ("missing file", missing, [], [(0, 1, "Fetch_error")]),
        ("replaced", replaced, [], [(0, 1, "Discontinuity_error"), (0, 2, "Discontinuity_error")]),
        ("replaced and marked", replaced_marked, [], []),
        ("needless discontinuity", needless_tag, [], [(0, 1, "Discontinuity_error")]),
        ("not a transport stream", not_ts, [], [(0, 2, "Fetch_error")]),
        ("lines", bad_lines, [], [(0, None, "Playlist_error")] * 3),
    ]
    for name, change, options, wanted in rows:
        d = work / name.replace(" ", "_").replace(",", "")
        shutil.copytree(FIXTURES / "vod", d)
        change(d)
        status, segments, findings, _, err = hls_json(d / "index.m3u8", *options)
        expect(name, found(findings) == sorted(wanted, key=lambda w: (w[0], w[1] or 0, w[2])) or
               found(findings) == sorted(wanted), (found(findings), err))
        expect(name + " status", status == (1 if wanted else 0), status)

    # The missing segment: no bytes, the fetch's reason; the segments after it read on.
    d = work / "missing_file"
    _, segments, findings, _, _ = hls_json(d / "index.m3u8")
    expect("missing detail", findings and findings[0]["detail"] == "seg1.ts: No such file or directory", findings)
    expect("missing row", segments[1]["bytes"] is None and segments[2]["bytes"] == vod_sizes[2], segments)

    # Marked discontinuities restart the continuity check as after a
    # discontinuity_indicator: the playlist reads clean where the files one
    # after the other do not.
    d = work / "replaced_and_marked"
    status, out, _ = run([str(d / "index.m3u8"), "--check"])
    joined = d / "joined.ts"
    joined.write_bytes(b"".join((d / f"seg{i}.ts").read_bytes() for i in range(3)))
    _, joined_out, _ = run([str(joined), "--check"])
    expect("marked --check", "Continuity_count_error:" not in out, out)
    expect("joined --check", "Continuity_count_error:" in joined_out, joined_out)

    # The other reports read the playlist as the segments one after the other.
    d = work / "clean"
    joined = work / "clean.ts"
    joined.write_bytes(b"".join((d / f"seg{i}.ts").read_bytes() for i in range(3)))
    for report in (["--summary"], ["--tables"], ["--check"], ["--timeline"], ["--summary", "--json"]):
        _, a, _ = run([str(d / "index.m3u8"), *report])
        _, b, _ = run([str(joined), *report])
        expect("same " + " ".join(report), a.replace(str(d / "index.m3u8"), str(joined)) == b, (a[:300], b[:300]))


def multivariant_cases(work, server):
    m = work / "multi"
    shutil.copytree(FIXTURES / "multi", m)
    size = lambda f: os.path.getsize(m / f)
    # ffmpeg writes BANDWIDTH without the TS overhead: each variant's second
    # segment peaks above it (bytes x 8 / 2 s).
    status, segments, findings, summary, _ = hls_json(m / "master.m3u8")
    expect("multi", found(findings) == [(0, 1, "Bandwidth_error"), (1, 1, "Bandwidth_error")], found(findings))
    v = summary["variants"]
    expect("multi peaks", v[0]["peak_bps"] == size("v0_seg1.ts") * 8 / 2 and v[0]["bandwidth"] == 50600, v)
    expect("multi codecs", v[0]["codecs_found"] == "avc1.64000A,mp4a.40.2" and v[1]["codecs_found"] == "hvc1,ac-3", v)
    # Over HTTP the same.
    status_http, _, findings_http, _, err = hls_json(server.base + "/multi/master.m3u8")
    expect("multi over HTTP", found(findings_http) == found(findings) and status_http == 1, (findings_http, err))

    def master(edits):
        d = work / ("multi_" + str(len(list(work.iterdir()))))
        shutil.copytree(FIXTURES / "multi", d)
        for old, new in edits:
            edit(d / "master.m3u8", old, new)
        return d / "master.m3u8"

    rows = [
        # Enough for the peaks, a mean of 53768 bit/s more than 10 % above 40000.
        ("average", [("BANDWIDTH=50600,", "BANDWIDTH=60000,AVERAGE-BANDWIDTH=40000,"), ("BANDWIDTH=103400", "BANDWIDTH=110000")],
         [(0, None, "Bandwidth_error")]),
        # A level that is not the SPS's level_idc 10 (0x0A).
        ("codecs level", [("BANDWIDTH=50600,", "BANDWIDTH=60000,"), ("BANDWIDTH=103400", "BANDWIDTH=110000"),
                          ("avc1.64000a", "avc1.64000b")], [(0, None, "Codecs_error")]),
        ("resolution", [("BANDWIDTH=50600,RESOLUTION=64x48", "BANDWIDTH=60000,RESOLUTION=640x480"),
                        ("BANDWIDTH=103400", "BANDWIDTH=110000")], [(0, None, "Codecs_error")]),
        ("audio left out", [("BANDWIDTH=50600,", "BANDWIDTH=60000,"), ("BANDWIDTH=103400", "BANDWIDTH=110000"),
                            (",mp4a.40.2", "")], [(0, None, "Codecs_error")]),
    ]
    for name, edits, wanted in rows:
        status, _, findings, _, err = hls_json(master(edits))
        expect(name, found(findings) == wanted, (found(findings), err))

    # --variant:1 gives the other reports the HEVC variant.
    _, out, _ = run([str(m / "master.m3u8"), "--summary", "--variant:1"])
    expect("variant 1", "hevc" in out and "h264" not in out, out)
    status, _, err = run([str(m / "master.m3u8"), "--summary", "--variant:2"])
    expect("variant 2", status == 1 and err == "ostrel: --variant:2, but the playlist lists 2 variants\n", err)


def http_cases(work, server):
    d = work / "http404"
    shutil.copytree(FIXTURES / "vod", d)
    (d / "seg1.ts").unlink()
    status, segments, findings, _, _ = hls_json(server.base + "/http404/index.m3u8")
    expect("404", found(findings) == [(0, 1, "Fetch_error")] and findings[0]["detail"] == "seg1.ts: HTTP 404", findings)
    expect("404 rows", [s["bytes"] for s in segments] == [os.path.getsize(d / "seg0.ts"), None, os.path.getsize(d / "seg2.ts")])
    # The other reports read on, said what they could not read, and fail.
    status, _, err = run([server.base + "/http404/index.m3u8", "--summary"])
    expect("404 summary", status == 1 and "ostrel: not read: seg1.ts: HTTP 404\n" in err, (status, err))
    status, _, err = run([server.base + "/nothing.m3u8", "--summary"])
    expect("no playlist", status == 1 and err.startswith("ostrel: the playlist ") and "HTTP 404" in err, err)


class Live(http.server.BaseHTTPRequestHandler):
    """A live playlist of live/seg*.ts, target duration 1 s, by the time
    since its first request: segment 0 first; after 1 s segments 0 and 1;
    after 2 s segment 3 alone (2 never listed), and no change after that."""
    started = None

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.endswith(".ts"):
            body = (FIXTURES / "live" / self.path.rsplit("/", 1)[1]).read_bytes()
        else:
            if Live.started is None:
                Live.started = time.monotonic()
            t = time.monotonic() - Live.started
            listed = [0] if t < 1 else [0, 1] if t < 2 else [3]
            lines = ["#EXTM3U", "#EXT-X-VERSION:3", "#EXT-X-TARGETDURATION:1", f"#EXT-X-MEDIA-SEQUENCE:{listed[0]}"]
            for n in listed:
                lines += ["#EXTINF:1.000000,", f"seg{n}.ts"]
            body = ("\n".join(lines) + "\n").encode()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def live_cases():
    server = Server(None, Live)
    try:
        began = time.monotonic()
        status, segments, findings, _, err = hls_json(server.base + "/live.m3u8", "--timeout:2", "--for:30")
        took = time.monotonic() - began
    finally:
        server.close()
    kinds = found(findings)
    expect("live segments", [s["sequence"] for s in segments] == [0, 1, 3], segments)
    expect("live skip", (0, 3, "Media_sequence_error") in kinds, kinds)
    expect("live stale", any(k[2] == "Playlist_stale_error" for k in kinds), kinds)
    # Unchanged from 2 s on: stale after 3 target durations, the run over then (3 s > --timeout:2).
    expect("live ends", 4 <= took < 12 and status == 1, (took, status, err))


def main():
    with tempfile.TemporaryDirectory() as temp:
        work = pathlib.Path(temp)
        server = Server(work)
        try:
            vod_cases(work)
            multivariant_cases(work, server)
            http_cases(work, server)
        finally:
            server.close()
        live_cases()
    for f in failures:
        print("FAILED", f)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
