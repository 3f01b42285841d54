#include "support/capture_writer.hpp"

namespace ostrel::test {
namespace {

void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v >> 8));
    b.push_back(static_cast<unsigned char>(v));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v >> 16);
    put16(b, v & 0xFFFF);
}

void put32_le(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

Bytes transport_header(const Route& route, const Bytes& payload, Transport transport)
{
    Bytes h;
    if (transport == Transport::tcp) {
        put16(h, route.source_port);
        put16(h, route.destination_port);
        put32(h, 1);
        put32(h, 0);
        put16(h, 0x5018);  // 20-byte header, PSH ACK
        put16(h, 65535);
        put32(h, 0);
        return h;
    }
    put16(h, route.source_port);
    put16(h, route.destination_port);
    put16(h, static_cast<unsigned>(8 + payload.size()));
    put16(h, 0);
    return h;
}

Bytes ip_header(const Route& route, std::size_t length, unsigned protocol, Transport transport)
{
    Bytes h;
    if (!route.ipv6) {
        put16(h, 0x4500);
        put16(h, static_cast<unsigned>(20 + length));
        put16(h, 0x1234);
        put16(h, transport == Transport::fragment_first ? 0x2000 : transport == Transport::fragment_rest ? 0x00B9 : 0x4000);
        h.push_back(16);
        h.push_back(static_cast<unsigned char>(protocol));
        put16(h, 0);
        h.insert(h.end(), {192, 168, 0, 2, 239, 1, 1, route.last_byte});
        return h;
    }
    const bool fragment = transport == Transport::fragment_first || transport == Transport::fragment_rest;
    put32(h, 0x60000000);
    put16(h, static_cast<unsigned>(length + (fragment ? 8 : 0)));
    h.push_back(static_cast<unsigned char>(fragment ? 44 : protocol));
    h.push_back(16);
    const Bytes source{0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
    Bytes destination{0xff, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, route.last_byte};
    h.insert(h.end(), source.begin(), source.end());
    h.insert(h.end(), destination.begin(), destination.end());
    if (fragment) {
        h.push_back(static_cast<unsigned char>(protocol));
        h.push_back(0);
        put16(h, transport == Transport::fragment_first ? 0x0001 : 0x05C8);
        put32(h, 77);
    }
    return h;
}

}  // namespace

Bytes pcap_file(const std::vector<Frame>& frames, bool nanoseconds, unsigned link_type)
{
    Bytes f;
    put32_le(f, nanoseconds ? 0xA1B23C4D : 0xA1B2C3D4);
    f.insert(f.end(), {2, 0, 4, 0});
    put32_le(f, 0);
    put32_le(f, 0);
    put32_le(f, 262144);
    put32_le(f, link_type);
    for (const Frame& frame : frames) {
        put32_le(f, static_cast<std::uint32_t>(frame.time_ns / 1'000'000'000));
        const std::int64_t fraction = frame.time_ns % 1'000'000'000;
        put32_le(f, static_cast<std::uint32_t>(nanoseconds ? fraction : fraction / 1000));
        put32_le(f, static_cast<std::uint32_t>(frame.bytes.size()));
        put32_le(f, static_cast<std::uint32_t>(frame.bytes.size()));
        f.insert(f.end(), frame.bytes.begin(), frame.bytes.end());
    }
    return f;
}

Bytes ip_packet(const Route& route, const Bytes& payload)
{
    const Bytes udp = transport_header(route, payload, Transport::udp);
    Bytes p = ip_header(route, udp.size() + payload.size(), 17, Transport::udp);
    p.insert(p.end(), udp.begin(), udp.end());
    p.insert(p.end(), payload.begin(), payload.end());
    return p;
}

Bytes ethernet_frame(const Route& route, const Bytes& payload, Transport transport)
{
    Bytes e{0x01, 0x00, 0x5e, 0x01, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02};
    for (std::size_t i = 0; i < route.vlans.size(); ++i) {
        put16(e, i == 0 && route.vlans.size() > 1 ? 0x88A8 : 0x8100);
        put16(e, route.vlans[i]);
    }
    put16(e, route.ipv6 ? 0x86DD : 0x0800);
    const Bytes inner = transport == Transport::fragment_rest ? Bytes{} : transport_header(route, payload, transport);
    const Bytes ip = ip_header(route, inner.size() + payload.size(), transport == Transport::tcp ? 6 : 17, transport);
    e.insert(e.end(), ip.begin(), ip.end());
    e.insert(e.end(), inner.begin(), inner.end());
    e.insert(e.end(), payload.begin(), payload.end());
    return e;
}

Bytes rtp_packet(unsigned sequence, std::uint32_t timestamp, const Bytes& payload, unsigned csrcs,
                 unsigned extension_words, unsigned padding)
{
    Bytes r;
    r.push_back(static_cast<unsigned char>(0x80 | (padding > 0 ? 0x20 : 0) | (extension_words > 0 ? 0x10 : 0) | csrcs));
    r.push_back(33);
    put16(r, sequence & 0xFFFF);
    put32(r, timestamp);
    put32(r, 0x0BADCAFE);
    for (unsigned i = 0; i < csrcs; ++i)
        put32(r, 1000 + i);
    if (extension_words > 0) {
        put16(r, 0xBEDE);
        put16(r, extension_words);
        for (unsigned i = 0; i < extension_words; ++i)
            put32(r, 0);
    }
    r.insert(r.end(), payload.begin(), payload.end());
    for (unsigned i = 0; i < padding; ++i)
        r.push_back(i + 1 == padding ? static_cast<unsigned char>(padding) : 0);
    return r;
}

Bytes constant_rate_stream(unsigned datagrams, unsigned pcr_every)
{
    Bytes s;
    for (unsigned d = 0; d < datagrams; ++d) {
        for (unsigned k = 0; k < 7; ++k) {
            const std::uint64_t n = 7ull * d + k;
            if (k == 0 && d % pcr_every == 0) {
                const Bytes p = pcr_packet(0x0100, static_cast<unsigned>(n % 16), n * 2700);  // 0.1 ms a packet
                s.insert(s.end(), p.begin(), p.end());
            } else {
                const Bytes p = packet({.pid = 0x0100, .counter = static_cast<unsigned>(n % 16)});
                s.insert(s.end(), p.begin(), p.end());
            }
        }
    }
    return s;
}

}  // namespace ostrel::test
