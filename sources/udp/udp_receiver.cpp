#include "sources/udp/udp_receiver.hpp"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

namespace ostrel {
namespace {

constexpr int wanted_buffer = 64 * 1024 * 1024;  // bytes: about 2.5 s at 200 Mbit/s

bool is_multicast(const sockaddr_storage& a)
{
    if (a.ss_family == AF_INET)
        return IN_MULTICAST(ntohl(reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr));
    return IN6_IS_ADDR_MULTICAST(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr);
}

// An address (no port) into `out`; false when it is none.
bool address_of(const std::string& text, int family_hint, sockaddr_storage& out)
{
    std::memset(&out, 0, sizeof out);
    auto& v4 = reinterpret_cast<sockaddr_in&>(out);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(out);
    if (family_hint != AF_INET6 && inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        return true;
    }
    if (family_hint != AF_INET && inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        return true;
    }
    return false;
}

void set_port(sockaddr_storage& a, unsigned port)
{
    if (a.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in&>(a).sin_port = htons(static_cast<std::uint16_t>(port));
    else
        reinterpret_cast<sockaddr_in6&>(a).sin6_port = htons(static_cast<std::uint16_t>(port));
}

Endpoint endpoint_of(const sockaddr_storage& a)
{
    Endpoint e{};
    if (a.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(a);
        e.family = 4;
        std::memcpy(e.address, &v4.sin_addr, 4);
        e.port = ntohs(v4.sin_port);
    } else {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(a);
        e.family = 6;
        std::memcpy(e.address, &v6.sin6_addr, 16);
        e.port = ntohs(v6.sin6_port);
    }
    return e;
}

// Joins the group (source-specific when `source` is given) on the interface.
bool join(int fd, const sockaddr_storage& group, const UdpAddress& address, unsigned interface_index,
          std::string& error)
{
    const int level = group.ss_family == AF_INET ? IPPROTO_IP : IPPROTO_IPV6;
    if (!address.source.empty()) {
        group_source_req r{};
        r.gsr_interface = interface_index;
        std::memcpy(&r.gsr_group, &group, sizeof group);
        if (!address_of(address.source, group.ss_family, r.gsr_source)) {
            error = "Invalid source address: " + address.source;
            return false;
        }
        if (setsockopt(fd, level, MCAST_JOIN_SOURCE_GROUP, &r, sizeof r) == 0)
            return true;
    } else {
        group_req r{};
        r.gr_interface = interface_index;
        std::memcpy(&r.gr_group, &group, sizeof group);
        if (setsockopt(fd, level, MCAST_JOIN_GROUP, &r, sizeof r) == 0)
            return true;
    }
    error = "Cannot join " + address.group + ": " + std::strerror(errno);
    return false;
}

std::int64_t now_ns()
{
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

bool is_udp_url(const char* text) { return std::strncmp(text, "udp://", 6) == 0; }

bool parse_udp_url(const char* text, UdpAddress& a, std::string& error)
{
    a = UdpAddress{};
    std::string rest(text + 6);
    const std::size_t query = rest.find('?');
    if (query != std::string::npos) {
        const std::string option = rest.substr(query + 1);
        rest.resize(query);
        if (option.rfind("interface=", 0) == 0)
            a.interface_name = option.substr(10);
        else if (option.rfind("local=", 0) == 0)
            a.local = option.substr(6);
        else {
            error = std::string("Invalid address: ") + text;
            return false;
        }
    }
    const std::size_t at = rest.find('@');
    if (at != std::string::npos) {
        a.source = rest.substr(0, at);
        rest = rest.substr(at + 1);
        if (a.source.empty()) {  // an "@" names a source; udp://:PORT is any address
            error = std::string("Invalid address: ") + text;
            return false;
        }
    }
    const std::size_t colon = rest.rfind(':');
    char* end = nullptr;
    const unsigned long port = colon == std::string::npos ? 0 : std::strtoul(rest.c_str() + colon + 1, &end, 10);
    if (colon == std::string::npos || end == rest.c_str() + colon + 1 || *end != '\0' || port == 0 || port > 65535) {
        error = std::string("Invalid address: ") + text;
        return false;
    }
    a.port = static_cast<unsigned>(port);
    a.group = rest.substr(0, colon);
    if (a.group.size() >= 2 && a.group.front() == '[' && a.group.back() == ']') {
        a.group = a.group.substr(1, a.group.size() - 2);
        if (a.group.empty()) {  // brackets around no address
            error = std::string("Invalid address: ") + text;
            return false;
        }
    }
    sockaddr_storage probe;
    if (!a.group.empty() && !address_of(a.group, AF_UNSPEC, probe)) {
        error = std::string("Invalid address: ") + text;
        return false;
    }
    return true;
}

bool udp_open(const UdpAddress& address, UdpReceiver& r, std::string& error, std::string& note)
{
    sockaddr_storage bound{};
    if (address.group.empty()) {
        bound.ss_family = address.local.find(':') != std::string::npos ? AF_INET6 : AF_INET;
        if (!address.local.empty() && !address_of(address.local, AF_UNSPEC, bound)) {
            error = "Invalid local address: " + address.local;
            return false;
        }
    } else {
        address_of(address.group, AF_UNSPEC, bound);
    }
    const bool multicast = !address.group.empty() && is_multicast(bound);
    if (!address.source.empty() && !multicast) {
        error = "A source is named only for a multicast group: " + address.group;
        return false;
    }
    unsigned interface_index = 0;
    if (!address.interface_name.empty() && (interface_index = if_nametoindex(address.interface_name.c_str())) == 0) {
        error = "No such interface: " + address.interface_name;
        return false;
    }
    set_port(bound, address.port);
    r.fd = socket(bound.ss_family, SOCK_DGRAM, 0);
    if (r.fd < 0) {
        error = std::string("Cannot open a UDP socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(r.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(r.fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    r.drops_known = setsockopt(r.fd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on) == 0;
    // As large a receive buffer as the system allows: the privileged way first, then the ordinary one.
    if (setsockopt(r.fd, SOL_SOCKET, SO_RCVBUFFORCE, &wanted_buffer, sizeof wanted_buffer) != 0)
        setsockopt(r.fd, SOL_SOCKET, SO_RCVBUF, &wanted_buffer, sizeof wanted_buffer);
    int got = 0;
    socklen_t length = sizeof got;
    getsockopt(r.fd, SOL_SOCKET, SO_RCVBUF, &got, &length);
    if (got / 2 < wanted_buffer)  // the kernel reports twice what it grants
        note = "Receive buffer " + std::to_string(got / 2) + " bytes (asked for " + std::to_string(wanted_buffer) +
               "; raise net.core.rmem_max for more)";
    const socklen_t size = bound.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    if (bind(r.fd, reinterpret_cast<const sockaddr*>(&bound), size) != 0) {
        error = "Cannot receive on " + (address.group.empty() ? std::string("port") : address.group) + " " +
                std::to_string(address.port) + ": " + std::strerror(errno);
        udp_close(r);
        return false;
    }
    if (multicast && !join(r.fd, bound, address, interface_index, error)) {
        udp_close(r);
        return false;
    }
    r.destination = endpoint_of(bound);
    return true;
}

void udp_close(UdpReceiver& r)
{
    if (r.fd >= 0)
        close(r.fd);
    r.fd = -1;
}

bool udp_next(UdpReceiver& r, CaptureFrame& frame, OtherTraffic& other, std::string& error)
{
    double quiet = 0;  // seconds without a datagram
    for (;;) {
        if (stop_asked(r.limits))
            return false;
        pollfd p{r.fd, POLLIN, 0};
        const int ready = poll(&p, 1, 250);
        if (ready < 0 && errno != EINTR) {
            error = std::string("Receive failed: ") + std::strerror(errno);
            return false;
        }
        if (ready < 0)
            continue;  // a signal: looked at above
        if (ready == 0) {
            if (!wait_came_empty(r.limits, 0.25, quiet, error))
                return false;
            continue;
        }
        quiet = 0;
        sockaddr_storage from{};
        iovec io{r.buffer, sizeof r.buffer};
        alignas(cmsghdr) unsigned char control[256];
        msghdr m{};
        m.msg_name = &from;
        m.msg_namelen = sizeof from;
        m.msg_iov = &io;
        m.msg_iovlen = 1;
        m.msg_control = control;
        m.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(r.fd, &m, 0);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            error = std::string("Receive failed: ") + std::strerror(errno);
            return false;
        }
        std::int64_t time_ns = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&m); c != nullptr; c = CMSG_NXTHDR(&m, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec t;
                std::memcpy(&t, CMSG_DATA(c), sizeof t);
                time_ns = static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
            } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
                std::uint32_t dropped;
                std::memcpy(&dropped, CMSG_DATA(c), sizeof dropped);
                r.drops = dropped;
            }
        }
        if (time_ns == 0)
            time_ns = now_ns();
        if (r.datagrams == 0)
            r.first_ns = time_ns;
        if (past_for(r.limits, r.first_ns, time_ns))
            return false;
        ++other.frames;
        frame.number = ++r.datagrams;
        frame.time_ns = time_ns;
        frame.datagram = Datagram{endpoint_of(from), r.destination, r.buffer, static_cast<std::size_t>(n)};
        if (read_ts_payload(r.buffer, static_cast<std::size_t>(n), frame.ts))
            return true;
        ++other.udp;
    }
}

}  // namespace ostrel
