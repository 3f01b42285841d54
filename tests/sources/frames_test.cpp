// Frames read from the link header down to the UDP payload, and payloads
// told apart as plain TS, RTP or neither; every row built here byte by byte.
#include <gtest/gtest.h>

#include "support/capture_writer.hpp"
#include "sources/capture/frames.hpp"
#include "sources/capture/ts_payload.hpp"
#include "sources/udp/udp_receiver.hpp"

namespace ostrel::test {
namespace {

Bytes with_prefix(Bytes prefix, const Bytes& rest)
{
    prefix.insert(prefix.end(), rest.begin(), rest.end());
    return prefix;
}

Bytes cut(Bytes b, std::size_t n)
{
    b.resize(n);
    return b;
}

TEST(Frames, LinkTypesAndHeadersDownToUdp)
{
    const Bytes payload(188, 0x47);
    Route v6;
    v6.ipv6 = true;
    Route tagged;
    tagged.vlans = {7};
    const Bytes ip4 = ip_packet({}, payload);
    const Bytes ip6 = ip_packet(v6, payload);
    // IPv4 with 4 bytes of options: IHL 6.
    Bytes options = ip4;
    options.insert(options.begin() + 20, {1, 1, 1, 0});
    options[0] = 0x46;
    options[3] = static_cast<unsigned char>(options[3] + 4);
    // IPv6 with a hop-by-hop header of 8 bytes before the UDP header.
    Bytes hop = ip6;
    hop[6] = 0;
    hop.insert(hop.begin() + 40, {17, 0, 1, 4, 0, 0, 0, 0});
    hop[5] = static_cast<unsigned char>(hop[5] + 8);
    struct Case {
        const char* name;
        int link;
        Bytes frame;
        FrameKind kind;
        unsigned family;
    };
    const Case cases[] = {
        {"Ethernet IPv4", link_ethernet, ethernet_frame({}, payload), FrameKind::udp, 4},
        {"Ethernet 802.1Q", link_ethernet, ethernet_frame(tagged, payload), FrameKind::udp, 4},
        {"Ethernet IPv6", link_ethernet, ethernet_frame(v6, payload), FrameKind::udp, 6},
        {"raw IPv4 with options", link_raw, options, FrameKind::udp, 4},
        {"raw IPv6 hop-by-hop", link_raw, hop, FrameKind::udp, 6},
        {"IPv6 link type", link_ipv6, ip6, FrameKind::udp, 6},
        {"Linux cooked", link_sll, with_prefix({0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0x00}, ip4),
         FrameKind::udp, 4},
        {"Linux cooked v2", link_sll2, with_prefix({0x86, 0xDD, 0, 0, 0, 0, 0, 1, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0}, ip6),
         FrameKind::udp, 6},
        {"BSD loopback, little-endian", link_null, with_prefix({2, 0, 0, 0}, ip4), FrameKind::udp, 4},
        {"OpenBSD loopback IPv6", link_loop, with_prefix({0, 0, 0, 24}, ip6), FrameKind::udp, 6},
        {"TCP", link_ethernet, ethernet_frame({}, payload, Transport::tcp), FrameKind::tcp, 0},
        {"IPv4 first fragment", link_ethernet, ethernet_frame({}, payload, Transport::fragment_first),
         FrameKind::fragment, 0},
        {"IPv4 later fragment", link_ethernet, ethernet_frame({}, payload, Transport::fragment_rest),
         FrameKind::fragment, 0},
        {"IPv6 fragment", link_ethernet, ethernet_frame(v6, payload, Transport::fragment_first), FrameKind::fragment, 0},
        {"cut in the UDP payload", link_ethernet, cut(ethernet_frame({}, payload), 100), FrameKind::other, 0},
        {"cut in the Ethernet header", link_ethernet, cut(ethernet_frame({}, payload), 13), FrameKind::other, 0},
        {"ARP", link_ethernet, with_prefix({1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6, 0x08, 0x06}, Bytes(28, 0)),
         FrameKind::other, 0},
    };
    for (const Case& c : cases) {
        Datagram d{};
        EXPECT_EQ(read_frame(c.link, c.frame.data(), c.frame.size(), d), c.kind) << c.name;
        if (c.kind != FrameKind::udp)
            continue;
        EXPECT_EQ(d.destination.family, c.family) << c.name;
        EXPECT_EQ(d.source.port, 40000u) << c.name;
        EXPECT_EQ(d.destination.port, 5000u) << c.name;
        EXPECT_EQ(d.length, 188u) << c.name;
        char text[64];
        endpoint_text(d.destination, text, sizeof text);
        EXPECT_STREQ(text, c.family == 4 ? "239.1.1.1:5000" : "[ff02::1]:5000") << c.name;
    }
}

TEST(Frames, PayloadsThatCarryTs)
{
    const Bytes two = join({packet({}), packet({})});
    Bytes no_sync = two;
    no_sync[188] = 0x48;
    struct Case {
        const char* name;
        Bytes payload;
        bool ts, rtp;
        std::size_t length;
    };
    const Case cases[] = {
        {"plain", two, true, false, 376},
        {"RTP", rtp_packet(9, 0, two), true, true, 376},
        {"RTP with two CSRCs", rtp_packet(9, 0, two, 2), true, true, 376},
        {"RTP with an extension", rtp_packet(9, 0, two, 0, 3), true, true, 376},
        {"RTP with padding", rtp_packet(9, 0, two, 0, 0, 4), true, true, 376},
        {"a second packet without sync byte", no_sync, false, false, 0},
        {"not whole packets", cut(two, 300), false, false, 0},
        {"RTP version 1", [&] { Bytes b = rtp_packet(9, 0, two); b[0] = 0x40; return b; }(), false, false, 0},
        {"RTP padding longer than the datagram", [&] { Bytes b = rtp_packet(9, 0, two, 0, 0, 1); b.back() = 255; b.resize(20); return b; }(), false, false, 0},
        {"empty", {}, false, false, 0},
    };
    for (const Case& c : cases) {
        TsPayload p{};
        EXPECT_EQ(read_ts_payload(c.payload.data(), c.payload.size(), p), c.ts) << c.name;
        EXPECT_EQ(p.rtp, c.rtp) << c.name;
        EXPECT_EQ(p.length, c.length) << c.name;
        if (c.rtp) {
            EXPECT_EQ(p.sequence, 9u) << c.name;
        }
    }
}

TEST(Frames, FlowNamesOnTheCommandLine)
{
    struct Case {
        const char* text;
        bool ok;
        const char* back;
    };
    const Case cases[] = {
        {"239.1.1.1:5000", true, "239.1.1.1:5000"}, {"[FF02::1]:5000", true, "[ff02::1]:5000"},
        {"239.1.1.1", false, ""},                   {"239.1.1.1:70000", false, ""},
        {"ff02::1:5000", false, ""},                {"host:5000", false, ""},
        {":5000", false, ""},
    };
    for (const Case& c : cases) {
        Endpoint e{};
        EXPECT_EQ(parse_endpoint(c.text, e), c.ok) << c.text;
        if (!c.ok)
            continue;
        char text[64];
        endpoint_text(e, text, sizeof text);
        EXPECT_STREQ(text, c.back);
    }
}

// Live addresses: brackets around an address, an "@" before a source; none of
// them empty.
TEST(Frames, LiveAddressesOnTheCommandLine)
{
    struct Case {
        const char* url;
        bool ok;
        const char* source;
        const char* group;
        unsigned port;
    };
    const Case cases[] = {
        {"udp://:5000", true, "", "", 5000},
        {"udp://239.1.1.1:5000", true, "", "239.1.1.1", 5000},
        {"udp://10.0.0.1@232.1.1.1:5000", true, "10.0.0.1", "232.1.1.1", 5000},
        {"udp://[ff02::1]:5000", true, "", "ff02::1", 5000},
        {"udp://[]:5000", false, "", "", 0},
        {"udp://@:5000", false, "", "", 0},
        {"udp://@239.1.1.1:5000", false, "", "", 0},
        {"udp://239.1.1.1:0", false, "", "", 0},
        {"udp://239.1.1.1", false, "", "", 0},
    };
    for (const Case& c : cases) {
        UdpAddress a;
        std::string error;
        EXPECT_EQ(parse_udp_url(c.url, a, error), c.ok) << c.url;
        if (!c.ok) {
            EXPECT_EQ(error, std::string("Invalid address: ") + c.url);
            continue;
        }
        EXPECT_EQ(a.source, c.source) << c.url;
        EXPECT_EQ(a.group, c.group) << c.url;
        EXPECT_EQ(a.port, c.port) << c.url;
    }
}

}  // namespace
}  // namespace ostrel::test
