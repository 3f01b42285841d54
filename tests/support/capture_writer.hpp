// Network captures written by the tests: frames built layer by layer
// (Ethernet with VLAN tags, IPv4 or IPv6, UDP or TCP, RTP) with chosen
// capture times, in a pcap file of either time precision.
#pragma once

#include <cstdint>
#include <vector>

#include "support.hpp"

namespace ostrel::test {

struct Frame {
    std::int64_t time_ns;
    Bytes bytes;  // from the link header on
};

// A pcap file (little-endian; nanosecond or microsecond times) of `link_type` frames.
Bytes pcap_file(const std::vector<Frame>& frames, bool nanoseconds = true, unsigned link_type = 1);

struct Route {
    bool ipv6 = false;
    unsigned source_port = 40000, destination_port = 5000;
    unsigned char last_byte = 1;   // of the destination: 239.1.1.N or ff02::N
    std::vector<unsigned> vlans;  // 802.1Q tags, outermost first (0x88A8 for the first of two)
};

enum class Transport { udp, tcp, fragment_first, fragment_rest };

// An Ethernet frame carrying `payload`.
Bytes ethernet_frame(const Route& route, const Bytes& payload, Transport transport = Transport::udp);
// An IP packet alone (raw IP links), UDP.
Bytes ip_packet(const Route& route, const Bytes& payload);

// An RTP header (version 2, payload type 33) before `payload`.
Bytes rtp_packet(unsigned sequence, std::uint32_t timestamp, const Bytes& payload, unsigned csrcs = 0,
                 unsigned extension_words = 0, unsigned padding = 0);

// A constant-rate stream on PID 0100: seven packets a datagram every 0.7 ms
// (1,880,000 bytes a second), the counters running on, a PCR in the first
// packet of every `pcr_every`-th datagram, exact at 2,700 ticks a packet.
Bytes constant_rate_stream(unsigned datagrams, unsigned pcr_every);
inline constexpr std::int64_t datagram_ns = 700'000;
inline constexpr std::size_t datagram_bytes = 7 * 188;

}  // namespace ostrel::test
