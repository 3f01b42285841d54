#!/usr/bin/env python3
# Wraps a transport stream into a pcap capture of one RTP flow: seven packets
# a datagram in Ethernet, IPv4 and UDP to 239.1.1.1:5000, capture times
# spaced for RATE bits a second, the stream repeated until the capture holds
# SIZE bytes: make_capture.py STREAM OUT SIZE RATE
import struct
import sys

stream, out, size, rate = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
data = open(stream, "rb").read()
data = data[: len(data) // 1316 * 1316]
ether = bytes.fromhex("01005e010101020000000002") + b"\x08\x00"
step_ns = 1316 * 8 / rate * 1e9
with open(out, "wb") as f:
    f.write(struct.pack("<IHHiIII", 0xA1B23C4D, 2, 4, 0, 0, 262144, 1))
    written, number = 24, 0
    while written < size:
        for at in range(0, len(data), 1316):
            if written >= size:
                break
            rtp = struct.pack("!BBHII", 0x80, 33, number & 0xFFFF, (number * 1316 * 8 * 90000 // int(rate)) & 0xFFFFFFFF,
                              0x4F535452)
            udp = struct.pack("!HHHH", 40000, 5000, 8 + 12 + 1316, 0)
            ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + 8 + 12 + 1316, 0, 0x4000, 16, 17, 0,
                             bytes([192, 168, 0, 2]), bytes([239, 1, 1, 1]))
            frame = ether + ip + udp + rtp + data[at:at + 1316]
            t = 1_700_000_000_000_000_000 + int(number * step_ns)
            f.write(struct.pack("<IIII", t // 1_000_000_000, t % 1_000_000_000, len(frame), len(frame)))
            f.write(frame)
            written += 16 + len(frame)
            number += 1
