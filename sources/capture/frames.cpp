#include "sources/capture/frames.hpp"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ts/reader.hpp"

namespace ostrel {
namespace {

constexpr unsigned ether_ipv4 = 0x0800;
constexpr unsigned ether_ipv6 = 0x86DD;
constexpr unsigned proto_tcp = 6;
constexpr unsigned proto_udp = 17;

FrameKind read_udp(Reader b, unsigned family, const unsigned char* src, const unsigned char* dst, Datagram& out)
{
    if (b.size < 8)
        return FrameKind::other;
    const std::size_t udp_length = b.u16_at(4);
    if (udp_length < 8 || udp_length > b.size)
        return FrameKind::other;  // cut by the capture's snap length, or damaged
    const std::size_t address_bytes = family == 4 ? 4 : 16;
    out = Datagram{};
    out.source.family = out.destination.family = static_cast<unsigned char>(family);
    std::memcpy(out.source.address, src, address_bytes);
    std::memcpy(out.destination.address, dst, address_bytes);
    out.source.port = b.u16_at(0);
    out.destination.port = b.u16_at(2);
    out.payload = b.data + 8;
    out.length = udp_length - 8;
    return FrameKind::udp;
}

FrameKind read_ipv4(Reader b, Datagram& out)
{
    if (b.size < 20 || b.u8_at(0) >> 4 != 4)
        return FrameKind::other;
    const std::size_t header = (b.u8_at(0) & 0x0F) * 4u;
    const std::size_t total = b.u16_at(2);
    if (header < 20 || total < header || total > b.size)
        return FrameKind::other;
    if ((b.u16_at(6) & 0x3FFF) != 0)  // more fragments, or an offset: a piece of a datagram
        return FrameKind::fragment;
    const unsigned protocol = b.u8_at(9);
    if (protocol == proto_tcp)
        return FrameKind::tcp;
    if (protocol != proto_udp)
        return FrameKind::other;
    return read_udp(b.from(header).first(total - header), 4, b.data + 12, b.data + 16, out);
}

FrameKind read_ipv6(Reader b, Datagram& out)
{
    if (b.size < 40 || b.u8_at(0) >> 4 != 6)
        return FrameKind::other;
    const std::size_t payload = b.u16_at(4);
    if (40 + payload > b.size)
        return FrameKind::other;
    Reader rest = b.from(40).first(payload);
    unsigned next = b.u8_at(6);
    for (;;) {
        if (next == proto_udp)
            return read_udp(rest, 6, b.data + 8, b.data + 24, out);
        if (next == proto_tcp)
            return FrameKind::tcp;
        std::size_t length;
        if (next == 0 || next == 43 || next == 60) {  // hop-by-hop, routing, destination options
            if (rest.size < 2)
                return FrameKind::other;
            length = (rest.u8_at(1) + 1u) * 8;
        } else if (next == 44) {  // fragment header
            if (rest.size < 8)
                return FrameKind::other;
            if ((rest.u16_at(2) & 0xFFF9) != 0)  // an offset, or more to come
                return FrameKind::fragment;
            length = 8;
        } else if (next == 51) {  // authentication header
            if (rest.size < 2)
                return FrameKind::other;
            length = (rest.u8_at(1) + 2u) * 4;
        } else {
            return FrameKind::other;
        }
        if (length > rest.size)
            return FrameKind::other;
        next = rest.u8_at(0);
        rest = rest.from(length);
    }
}

FrameKind read_ip(Reader b, Datagram& out)
{
    if (b.size == 0)
        return FrameKind::other;
    return b.u8_at(0) >> 4 == 4 ? read_ipv4(b, out) : read_ipv6(b, out);
}

FrameKind read_ether_type(unsigned type, Reader b, Datagram& out)
{
    if (type == ether_ipv4)
        return read_ipv4(b, out);
    if (type == ether_ipv6)
        return read_ipv6(b, out);
    return FrameKind::other;
}

FrameKind read_ethernet(Reader b, Datagram& out)
{
    if (b.size < 14)
        return FrameKind::other;
    std::size_t at = 12;
    unsigned type = b.u16_at(at);
    // 802.1Q and 802.1ad tags, stacked as deep as they go.
    while (type == 0x8100 || type == 0x88A8 || type == 0x9100) {
        at += 4;
        if (b.size < at + 2)
            return FrameKind::other;
        type = b.u16_at(at);
    }
    return read_ether_type(type, b.from(at + 2), out);
}

// BSD loopback: the address family as the capturing host stored it.
FrameKind read_null(Reader b, bool network_order, Datagram& out)
{
    if (b.size < 4)
        return FrameKind::other;
    std::uint32_t family = static_cast<std::uint32_t>(b.u16_at(0)) << 16 | b.u16_at(2);
    if (!network_order && (family & 0xFFFF) == 0)
        family = __builtin_bswap32(family);
    if (family == 2)
        return read_ipv4(b.from(4), out);
    if (family == 10 || family == 24 || family == 28 || family == 30)
        return read_ipv6(b.from(4), out);
    return FrameKind::other;
}

}  // namespace

bool link_type_known(int t)
{
    return t == link_null || t == link_ethernet || t == link_raw || t == link_raw_alt || t == link_loop ||
           t == link_raw_ip || t == link_sll || t == link_ipv4 || t == link_ipv6 || t == link_sll2;
}

FrameKind read_frame(int link_type, const unsigned char* data, std::size_t length, Datagram& out)
{
    const Reader b{data, length};
    switch (link_type) {
    case link_ethernet:
        return read_ethernet(b, out);
    case link_sll:
        return b.size < 16 ? FrameKind::other : read_ether_type(b.u16_at(14), b.from(16), out);
    case link_sll2:
        return b.size < 20 ? FrameKind::other : read_ether_type(b.u16_at(0), b.from(20), out);
    case link_null:
        return read_null(b, false, out);
    case link_loop:
        return read_null(b, true, out);
    case link_raw:
    case link_raw_alt:
    case link_raw_ip:
    case link_ipv4:
    case link_ipv6:
        return read_ip(b, out);
    default:
        return FrameKind::other;
    }
}

void endpoint_text(const Endpoint& e, char* text, std::size_t size)
{
    char address[INET6_ADDRSTRLEN] = "";
    inet_ntop(e.family == 4 ? AF_INET : AF_INET6, e.address, address, sizeof address);
    if (e.family == 4)
        std::snprintf(text, size, "%s:%u", address, e.port);
    else
        std::snprintf(text, size, "[%s]:%u", address, e.port);
}

bool parse_endpoint(const char* text, Endpoint& e)
{
    e = Endpoint{};
    char address[INET6_ADDRSTRLEN + 2];
    const char* colon = std::strrchr(text, ':');
    if (colon == nullptr || static_cast<std::size_t>(colon - text) >= sizeof address)
        return false;
    std::memcpy(address, text, static_cast<std::size_t>(colon - text));
    address[colon - text] = '\0';
    char* end = nullptr;
    const unsigned long port = std::strtoul(colon + 1, &end, 10);
    if (colon[1] == '\0' || *end != '\0' || port > 65535)
        return false;
    e.port = static_cast<unsigned>(port);
    const std::size_t n = std::strlen(address);
    if (n >= 2 && address[0] == '[' && address[n - 1] == ']') {
        address[n - 1] = '\0';
        e.family = 6;
        return inet_pton(AF_INET6, address + 1, e.address) == 1;
    }
    e.family = 4;
    return inet_pton(AF_INET, address, e.address) == 1;
}

}  // namespace ostrel
