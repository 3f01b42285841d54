// The format of each stream from its first headers: the payloads of its
// PES packets are gathered (a header split across packets is read whole)
// until the probe reads the format, then the PID goes back to the fast path.
// The bytes are looked at through a window of probe_bytes that keeps its last
// probe_overlap bytes when it moves on; after probe_most bytes of a stream
// without a header read whole, the format stays unknown. (A stream cut
// mid-GOP may bring its first sequence header or SPS many PES packets in.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/codec_id.hpp"
#include "codecs/stream_format.hpp"

namespace ostrel {

struct Analysis;
struct PidState;
struct Packet;

inline constexpr unsigned max_probes = 64;
inline constexpr std::size_t probe_bytes = 8192;
inline constexpr std::size_t probe_overlap = 2048;  // more than any header the probes read
inline constexpr std::uint64_t probe_most = 4 << 20;
inline constexpr unsigned probe_pts = 8;

struct ProbeSlot {
    unsigned pid = 0;
    Probe kind = Probe::none;
    std::uint64_t seen = 0; // bytes gathered in all
    std::size_t have = 0;   // bytes in the window
    bool gathering = false; // inside a PES packet of the stream
    StreamFormat format;
    // Video whose headers give no frame rate: the PTS of its first PES
    // packets, whose smallest step is taken for the frame's duration.
    bool header_read = false;
    unsigned pts_count = 0;
    unsigned pes_after = 0;  // PES packets since the header was read
    std::uint64_t pts[probe_pts];
    unsigned char data[probe_bytes];
};

// Starts looking for the format of `pid` (when a slot is left).
void start_probe(Analysis& a, unsigned pid, Probe kind);
// A packet of a PID being probed, with its payload from `payload_at`.
void probe_packet(Analysis& a, unsigned pid, const Packet& packet, std::size_t payload_at, bool unit_start);
// The first unit start of a PID no map table names so far: a PES packet there
// gives its stream_id, and the format is looked for as the stream_id allows.
void note_pes_stream(Analysis& a, unsigned pid, const unsigned char* payload, std::size_t size);
// True while the format of `pid` is looked for: every packet of it goes the full way.
bool probing(const Analysis& a, unsigned pid);
// The probe started for `pid` (what its stream type or stream_id names), or Probe::none.
Probe probe_kind(const Analysis& a, unsigned pid);
// The format read for `pid`, or null.
const StreamFormat* probed_format(const Analysis& a, unsigned pid);

}  // namespace ostrel
