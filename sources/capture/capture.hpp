// A network capture (pcap or pcapng, read through libpcap from a file
// already open, with no seek) as a sequence of frames, each with its number
// in the capture, its capture time in nanoseconds and what it holds.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "sources/capture/frames.hpp"
#include "sources/capture/ts_payload.hpp"

namespace ostrel {

// The first bytes of a pcap file (either byte order, micro- or nanosecond
// times) or of a pcapng section header block.
bool is_capture_start(const unsigned char* head, std::size_t length);
inline constexpr std::size_t capture_magic_bytes = 4;

struct Capture;

// Opens the capture on `file`, which the capture then owns (closed with it);
// null with a one-line `error` when libpcap cannot read it, or its link type
// is not one that carries IP.
Capture* capture_open(std::FILE* file, std::string& error);
void capture_close(Capture* capture);

// The traffic that carries no transport stream.
struct OtherTraffic {
    std::uint64_t frames;     // every frame read
    std::uint64_t tcp;
    std::uint64_t fragments;  // pieces of fragmented IP datagrams
    std::uint64_t udp;        // UDP datagrams without TS
    std::uint64_t other;      // anything else: not IP, other protocols, cut frames
};

struct CaptureFrame {
    std::uint64_t number;  // from 1
    std::int64_t time_ns;  // capture time, since 1970
    Datagram datagram;
    TsPayload ts;          // what it carries
};

// The next UDP datagram that carries TS; false at the end of the capture,
// with `error` set when the capture could not be read to its end. The
// frame's bytes hold until the next call.
bool capture_next(Capture& capture, CaptureFrame& frame, OtherTraffic& other, std::string& error);

}  // namespace ostrel
