// The format of each stream from its first headers: the payloads of its
// first PES packets are gathered (a header split across packets is read
// whole) until the probe reads the format, then the PID goes back to the
// fast path. At most a few PES packets and a few KB a stream.
#pragma once

#include <cstddef>

#include "codecs/codec_id.hpp"
#include "codecs/stream_format.hpp"

namespace ostrel {

struct Analysis;
struct PidState;
struct Packet;

inline constexpr unsigned max_probes = 64;
inline constexpr std::size_t probe_bytes = 8192;
inline constexpr unsigned probe_pes_packets = 4;

struct ProbeSlot {
    unsigned pid = 0;
    Probe kind = Probe::none;
    unsigned pes = 0;       // PES packets started
    std::size_t have = 0;   // bytes gathered
    bool gathering = false; // inside a PES packet of the stream
    StreamFormat format;
    unsigned char data[probe_bytes];
};

// Starts looking for the format of `pid` (when a slot is left).
void start_probe(Analysis& a, unsigned pid, Probe kind);
// A packet of a PID being probed, with its payload from `payload_at`.
void probe_packet(Analysis& a, unsigned pid, const Packet& packet, std::size_t payload_at, bool unit_start);
// True while the format of `pid` is looked for: every packet of it goes the full way.
bool probing(const Analysis& a, unsigned pid);
// The format read for `pid`, or null.
const StreamFormat* probed_format(const Analysis& a, unsigned pid);

}  // namespace ostrel
