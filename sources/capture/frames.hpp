// What a captured frame holds, read from its link header down to UDP: the
// link types that captures of IP traffic use, IPv4 with options and IPv6
// with extension headers. Every field is read inside the frame's captured
// bytes; a frame too short for its headers is "other" traffic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ostrel {

struct Endpoint {
    unsigned char address[16];  // IPv4 in the first 4 bytes
    unsigned char family;       // 4 or 6
    unsigned port;
};

inline bool same_endpoint(const Endpoint& a, const Endpoint& b)
{
    return a.family == b.family && a.port == b.port &&
           (a.family == 4 ? std::memcmp(a.address, b.address, 4) == 0 : std::memcmp(a.address, b.address, 16) == 0);
}

struct Datagram {
    Endpoint source, destination;
    const unsigned char* payload;
    std::size_t length;
};

enum class FrameKind { udp, tcp, fragment, other };

// The link types read (libpcap's DLT numbers).
inline constexpr int link_null = 0;       // BSD loopback: a 4-byte address family, host order
inline constexpr int link_ethernet = 1;
inline constexpr int link_raw = 12;       // raw IP (DLT_RAW)
inline constexpr int link_raw_alt = 14;   // raw IP as some systems number it
inline constexpr int link_loop = 108;     // OpenBSD loopback: the family in network order
inline constexpr int link_raw_ip = 101;   // LINKTYPE_RAW, should a reader hand it on unmapped
inline constexpr int link_sll = 113;      // Linux cooked
inline constexpr int link_ipv4 = 228;
inline constexpr int link_ipv6 = 229;
inline constexpr int link_sll2 = 276;

bool link_type_known(int link_type);

// Reads one frame of `link_type`; for UDP, `out` holds its endpoints and payload.
FrameKind read_frame(int link_type, const unsigned char* data, std::size_t length, Datagram& out);

// "239.1.1.1:5000" or "[ff02::1]:5000".
void endpoint_text(const Endpoint& e, char* text, std::size_t size);

// Reads "ADDR:PORT" (IPv4, or IPv6 in brackets) into `e`; false when it is not one.
bool parse_endpoint(const char* text, Endpoint& e);

}  // namespace ostrel
