#!/usr/bin/env python3
"""The page of --html: checked without a browser: well-formed HTML5 (every
element closed in order, no script, nothing fetched), each inline SVG
well-formed XML, the parts there, and a bounded size for a long stream.
    html_test.py OSTREL SOURCE_DIR
"""
import html.parser
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

VOID = {"meta", "br", "img", "hr", "input", "link", "area", "base", "col", "embed", "source", "track", "wbr"}
SVG_NS = "{http://www.w3.org/2000/svg}"


class Checker(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors, self.tags, self.doctype = [], [], {}, None

    def handle_decl(self, decl):
        self.doctype = decl

    def handle_starttag(self, tag, attrs):
        if "svg" not in self.stack:  # an SVG <title> names a mark
            self.tags[tag] = self.tags.get(tag, 0) + 1
        for name, value in attrs:
            if name in ("src", "href") or (name == "style" and "url(" in (value or "")):
                self.errors.append(f"<{tag}> fetches {value}")
        if tag == "script":
            self.errors.append("a script")
        if tag not in VOID:
            self.stack.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.tags[tag] = self.tags.get(tag, 0) + 1

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1] != tag:
            self.errors.append(f"</{tag}> closes {self.stack[-1:]}")
        else:
            self.stack.pop()


def check_page(text, label, min_svgs):
    c = Checker()
    c.feed(text)
    c.close()
    errors = list(c.errors)
    if c.doctype is None or c.doctype.lower() != "doctype html":
        errors.append(f"doctype {c.doctype!r}")
    if c.stack:
        errors.append(f"left open: {c.stack}")
    for tag in ("html", "head", "title", "body", "main"):
        if c.tags.get(tag) != 1:
            errors.append(f"<{tag}> {c.tags.get(tag, 0)} times")
    svgs, at = [], 0
    while (start := text.find("<svg", at)) >= 0:
        end = text.index("</svg>", start) + len("</svg>")
        svgs.append(text[start:end])
        at = end
    if len(svgs) < min_svgs:
        errors.append(f"{len(svgs)} charts, expected at least {min_svgs}")
    for svg in svgs:
        try:
            root = ET.fromstring(svg)
            if root.tag != SVG_NS + "svg" or "viewBox" not in root.attrib:
                errors.append(f"svg root {root.tag} {root.attrib}")
        except ET.ParseError as e:
            errors.append(f"svg not well-formed: {e}")
    for heading in ("Summary", "TR 101 290 check"):
        if f"<h2>{heading}</h2>" not in text:
            errors.append(f"no section {heading}")
    for e in errors:
        print(f"{label}: {e}", file=sys.stderr)
    return not errors


def page_of(ostrel, args):
    r = subprocess.run([ostrel, *args, "--html:-"], capture_output=True)
    if r.returncode != 0:
        print(f"{args}: status {r.returncode}: {r.stderr.decode()}", file=sys.stderr)
        return None
    return r.stdout.decode("utf-8")


def main():
    ostrel, source = sys.argv[1], sys.argv[2]
    ok = True
    cases = [
        ("sample", [os.path.join(source, "samples/sample.ts")], 4),  # its PCR accuracy is not measured
        ("capture", [os.path.join(source, "tests/fixtures/lo_rtp.pcapng")], 5),
        ("two programs, 1 s rows", [os.path.join(source, "tests/fixtures/gst_two_programs.ts"), "--timeline:1"], 3),
    ]
    for label, args, charts in cases:
        text = page_of(ostrel, args)
        ok = text is not None and check_page(text, label, charts) and ok
    # No PCR: no chart, still a page. A long stream: the page stays small.
    with tempfile.TemporaryDirectory() as tmp:
        data = open(os.path.join(source, "tests/fixtures/ffmpeg_cbr.ts"), "rb").read()
        no_pcr = bytearray(data)
        for i in range(0, len(no_pcr), 188):
            if no_pcr[i + 3] & 0x20 and no_pcr[i + 4] > 0:
                no_pcr[i + 5] &= ~0x10
        path = os.path.join(tmp, "no_pcr.ts")
        open(path, "wb").write(no_pcr)
        text = page_of(ostrel, [path])
        ok = text is not None and check_page(text, "no PCR", 0) and "No time" in text and ok
        # 200 copies of the CBR stream, 240 s at 0.01 s rows: the charts are sampled.
        long_path = os.path.join(tmp, "long.ts")
        with open(long_path, "wb") as f:
            for _ in range(200):
                f.write(data)
        short = page_of(ostrel, [os.path.join(source, "tests/fixtures/ffmpeg_cbr.ts")])
        long = page_of(ostrel, [long_path])
        if long is None or short is None or not check_page(long, "long", 5):
            ok = False
        elif len(long) > 1_500_000:
            print(f"long: {len(long)} bytes", file=sys.stderr)
            ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
