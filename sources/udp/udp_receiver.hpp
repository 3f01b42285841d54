// Live input: datagrams received on a UDP socket, unicast or multicast
// (joined, source-specific when a source is named), with the kernel's
// receive time of each (SO_TIMESTAMPNS) and its count of datagrams dropped
// for want of buffer (SO_RXQ_OVFL).
#pragma once

#include <cstdint>
#include <string>

#include "sources/capture/capture.hpp"
#include "sources/capture/flow_stream.hpp"
#include "sources/live_limits.hpp"

namespace ostrel {

// udp://[SOURCE@]ADDRESS:PORT[?interface=NAME | ?local=ADDR], IPv6 in
// brackets, udp://:PORT for any address.
struct UdpAddress {
    std::string source, group, interface_name, local;
    unsigned port = 0;
};

// True when `text` names a socket rather than a file.
bool is_udp_url(const char* text);
bool parse_udp_url(const char* text, UdpAddress& address, std::string& error);

struct UdpReceiver {
    int fd = -1;
    Endpoint destination{};       // the address and port received on
    LiveLimits limits;            // --for: in arrival time; the quiet hook each quarter second without a datagram
    std::uint64_t datagrams = 0;
    std::int64_t first_ns = 0;
    bool drops_known = false;
    std::uint64_t drops = 0;      // datagrams the socket dropped
    unsigned char buffer[65536];
};

// Opens, binds and joins; `note` gets a line for the user (a receive buffer
// smaller than asked for). False with `error` when it cannot.
bool udp_open(const UdpAddress& address, UdpReceiver& receiver, std::string& error, std::string& note);
void udp_close(UdpReceiver& receiver);

// The next datagram that carries TS.
bool udp_next(UdpReceiver& receiver, CaptureFrame& frame, OtherTraffic& other, std::string& error);

// The datagrams of a socket.
struct UdpDatagrams final : DatagramSource {
    explicit UdpDatagrams(UdpReceiver& r) : receiver(r) {}
    UdpReceiver& receiver;
    bool next(CaptureFrame& frame, OtherTraffic& other, std::string& error) override
    {
        return udp_next(receiver, frame, other, error);
    }
};

}  // namespace ostrel
