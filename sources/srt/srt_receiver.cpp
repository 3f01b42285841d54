#include "sources/srt/srt_receiver.hpp"

#include <arpa/inet.h>
#include <netdb.h>
#include <srt/srt.h>

#include <chrono>
#include <cstring>
#include <iterator>

#include "sources/capture/ts_payload.hpp"
#include "ts/shared_library.hpp"

namespace ostrel {

struct SrtLibrary {
    void* handle = nullptr;
    decltype(&::srt_startup) startup = nullptr;
    decltype(&::srt_cleanup) cleanup = nullptr;
    decltype(&::srt_create_socket) create = nullptr;
    decltype(&::srt_setsockflag) set = nullptr;
    decltype(&::srt_connect) connect = nullptr;
    decltype(&::srt_bind) bind = nullptr;
    decltype(&::srt_listen) listen = nullptr;
    decltype(&::srt_accept) accept = nullptr;
    decltype(&::srt_close) close = nullptr;
    decltype(&::srt_recvmsg2) recvmsg2 = nullptr;
    decltype(&::srt_bstats) bstats = nullptr;
    decltype(&::srt_epoll_create) epoll_create = nullptr;
    decltype(&::srt_epoll_add_usock) epoll_add = nullptr;
    decltype(&::srt_epoll_wait) epoll_wait = nullptr;
    decltype(&::srt_epoll_release) epoll_release = nullptr;
    decltype(&::srt_getlasterror_str) last_error = nullptr;
    decltype(&::srt_getlasterror) last_error_code = nullptr;
    decltype(&::srt_getrejectreason) reject_reason = nullptr;
    decltype(&::srt_rejectreason_str) reject_text = nullptr;
    decltype(&::srt_setloghandler) log_handler = nullptr;
    decltype(&::srt_time_now) time_now = nullptr;
    decltype(&::srt_getsockname) sockname = nullptr;
    bool started = false;
};

namespace {

constexpr const char* library_names[] = {"libsrt-gnutls.so.1.5", "libsrt-openssl.so.1.5", "libsrt.so.1.5",
                                         "libsrt-gnutls.so", "libsrt.so"};
constexpr int wait_ms = 250;  // the step in which stops, timeouts and quiet are looked at

void no_log(void*, int, const char*, int, const char*, const char*) {}

std::int64_t system_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool load(SrtLibrary& l, std::string& error)
{
    std::string why;
    l.handle = open_shared_library(library_names, std::size(library_names), why);
    if (l.handle == nullptr) {
        error = "ostrel: libsrt cannot be loaded (Debian: libsrt1.5-gnutls): " + why;
        return false;
    }
    void* h = l.handle;
    if (take_function(h, "srt_startup", l.startup) && take_function(h, "srt_cleanup", l.cleanup) &&
        take_function(h, "srt_create_socket", l.create) && take_function(h, "srt_setsockflag", l.set) &&
        take_function(h, "srt_connect", l.connect) && take_function(h, "srt_bind", l.bind) &&
        take_function(h, "srt_listen", l.listen) && take_function(h, "srt_accept", l.accept) &&
        take_function(h, "srt_close", l.close) && take_function(h, "srt_recvmsg2", l.recvmsg2) &&
        take_function(h, "srt_bstats", l.bstats) && take_function(h, "srt_epoll_create", l.epoll_create) &&
        take_function(h, "srt_epoll_add_usock", l.epoll_add) && take_function(h, "srt_epoll_wait", l.epoll_wait) &&
        take_function(h, "srt_epoll_release", l.epoll_release) &&
        take_function(h, "srt_getlasterror_str", l.last_error) &&
        take_function(h, "srt_getlasterror", l.last_error_code) &&
        take_function(h, "srt_getrejectreason", l.reject_reason) &&
        take_function(h, "srt_rejectreason_str", l.reject_text) &&
        take_function(h, "srt_setloghandler", l.log_handler) && take_function(h, "srt_time_now", l.time_now) &&
        take_function(h, "srt_getsockname", l.sockname))
        return true;
    error = "ostrel: libsrt lacks a function this program receives with";
    return false;
}

Endpoint endpoint_of(const sockaddr_storage& s)
{
    Endpoint e{};
    if (s.ss_family == AF_INET6) {
        const auto& six = reinterpret_cast<const sockaddr_in6&>(s);
        std::memcpy(e.address, &six.sin6_addr, 16);
        e.family = 6;
        e.port = ntohs(six.sin6_port);
    } else {
        const auto& four = reinterpret_cast<const sockaddr_in&>(s);
        std::memcpy(e.address, &four.sin_addr, 4);
        e.family = 4;
        e.port = ntohs(four.sin_port);
    }
    return e;
}

// Why the last call failed: the peer's rejection where there was one.
std::string failure(const SrtLibrary& l, int socket, const char* what)
{
    const int reason = socket >= 0 ? l.reject_reason(socket) : 0;
    std::string text = std::string("SRT ") + what + " failed: ";
    if (reason == SRT_REJ_BADSECRET)
        return text + "wrong passphrase";
    if (reason > SRT_REJ_UNKNOWN && reason != SRT_REJ_TIMEOUT)
        return text + l.reject_text(reason);
    return text + l.last_error();
}

bool set_options(SrtLibrary& l, int s, const SrtAddress& a, double timeout_s, std::string& error)
{
    const int timeout_ms = static_cast<int>(timeout_s * 1000 > 100 ? timeout_s * 1000 : 100);
    const int yes = 1, no = 0, receive_wait = wait_ms;
    bool ok = l.set(s, SRTO_CONNTIMEO, &timeout_ms, sizeof timeout_ms) == 0 &&
              l.set(s, SRTO_RCVTIMEO, &receive_wait, sizeof receive_wait) == 0 &&
              l.set(s, SRTO_RENDEZVOUS, a.mode == "rendezvous" ? &yes : &no, sizeof yes) == 0;
    if (ok && a.latency_ms >= 0)
        ok = l.set(s, SRTO_LATENCY, &a.latency_ms, sizeof a.latency_ms) == 0;
    if (ok && !a.passphrase.empty())
        ok = l.set(s, SRTO_PASSPHRASE, a.passphrase.data(), static_cast<int>(a.passphrase.size())) == 0;
    if (ok && a.pbkeylen != 0)
        ok = l.set(s, SRTO_PBKEYLEN, &a.pbkeylen, sizeof a.pbkeylen) == 0;
    if (ok && !a.streamid.empty())
        ok = l.set(s, SRTO_STREAMID, a.streamid.data(), static_cast<int>(a.streamid.size())) == 0;
    if (!ok)
        error = std::string("SRT option refused: ") + l.last_error();
    return ok;
}

bool resolve(const SrtAddress& a, sockaddr_storage& where, socklen_t& length, std::string& error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(a.port);
    const char* host = a.host.empty() ? (a.mode == "caller" ? "127.0.0.1" : "0.0.0.0") : a.host.c_str();
    if (getaddrinfo(host, port.c_str(), &hints, &found) != 0 || found == nullptr) {
        error = "SRT: cannot resolve " + std::string(host);
        return false;
    }
    std::memcpy(&where, found->ai_addr, found->ai_addrlen);
    length = found->ai_addrlen;
    freeaddrinfo(found);
    return true;
}

// A listener's one caller, waited for in steps so that a stop or the timeout ends the wait.
bool accept_caller(SrtReceiver& r, std::string& error)
{
    SrtLibrary& l = *r.srt;
    const int eid = l.epoll_create();
    const int events = SRT_EPOLL_IN | SRT_EPOLL_ERR;
    l.epoll_add(eid, r.listener, &events);
    double waited = 0;
    bool ready = false;
    while (!ready) {
        if (stop_asked(r.limits))
            break;
        SRTSOCKET readable[1];
        int count = 1;
        ready = l.epoll_wait(eid, readable, &count, nullptr, nullptr, wait_ms, nullptr, nullptr, nullptr, nullptr) > 0;
        waited += wait_ms / 1000.0;
        if (!ready && r.limits.timeout_seconds > 0 && waited >= r.limits.timeout_seconds)
            break;
    }
    l.epoll_release(eid);
    if (!ready) {
        char text[64];
        std::snprintf(text, sizeof text, "No SRT caller for %g s", r.limits.timeout_seconds);
        error = text;
        return false;
    }
    sockaddr_storage from{};
    int length = sizeof from;
    r.socket = l.accept(r.listener, reinterpret_cast<sockaddr*>(&from), &length);
    if (r.socket < 0) {
        error = failure(l, r.listener, "accept");
        return false;
    }
    r.peer = endpoint_of(from);
    return true;
}

}  // namespace

SrtReceiver::SrtReceiver() = default;
SrtReceiver::~SrtReceiver() { close_srt(*this); }

bool open_srt(const SrtAddress& a, SrtReceiver& r, std::string& error)
{
    r.srt = std::make_unique<SrtLibrary>();
    SrtLibrary& l = *r.srt;
    if (!load(l, error))
        return false;
    l.log_handler(nullptr, no_log);
    l.startup();
    l.started = true;
    r.clock_offset_ns = system_ns() - l.time_now() * 1000;
    sockaddr_storage where{};
    socklen_t length = 0;
    if (!resolve(a, where, length, error))
        return false;
    const int s = l.create();
    if (s < 0 || !set_options(l, s, a, r.limits.timeout_seconds, error)) {
        if (error.empty())
            error = failure(l, -1, "socket");
        return false;
    }
    r.local = endpoint_of(where);
    if (a.mode == "listener") {
        r.listener = s;
        if (l.bind(s, reinterpret_cast<sockaddr*>(&where), static_cast<int>(length)) != 0 || l.listen(s, 1) != 0) {
            error = failure(l, -1, "bind");
            return false;
        }
        return accept_caller(r, error);
    }
    r.socket = s;
    r.peer = endpoint_of(where);
    if (a.mode == "rendezvous") {
        sockaddr_storage local{};  // the same port on any local address
        local.ss_family = where.ss_family;
        if (where.ss_family == AF_INET6)
            reinterpret_cast<sockaddr_in6&>(local).sin6_port = reinterpret_cast<sockaddr_in6&>(where).sin6_port;
        else
            reinterpret_cast<sockaddr_in&>(local).sin_port = reinterpret_cast<sockaddr_in&>(where).sin_port;
        if (l.bind(s, reinterpret_cast<sockaddr*>(&local), static_cast<int>(length)) != 0) {
            error = failure(l, -1, "bind");
            return false;
        }
    }
    if (l.connect(s, reinterpret_cast<sockaddr*>(&where), static_cast<int>(length)) != 0) {
        error = failure(l, s, "connection");
        return false;
    }
    sockaddr_storage local{};
    int local_length = sizeof local;
    if (l.sockname(s, reinterpret_cast<sockaddr*>(&local), &local_length) == 0)
        r.local = endpoint_of(local);
    return true;
}

void close_srt(SrtReceiver& r)
{
    if (r.srt == nullptr)
        return;
    SrtLibrary& l = *r.srt;
    if (r.socket >= 0)
        l.close(r.socket);
    if (r.listener >= 0)
        l.close(r.listener);
    r.socket = r.listener = -1;
    if (l.started)
        l.cleanup();
    if (l.handle != nullptr)
        dlclose(l.handle);
    r.srt.reset();
}

void take_srt_stats(SrtReceiver& r)
{
    if (r.srt == nullptr || r.socket < 0)
        return;
    SRT_TRACEBSTATS s{};
    if (r.srt->bstats(r.socket, &s, 0) != 0)
        return;
    SrtLinkFigures& f = r.link;
    f.known = true;
    if (s.pktRecvTotal > 0) {  // before the first packet the round trip is libsrt's initial guess
        ++f.samples;
        f.rtt_sum_ms += s.msRTT;
        f.rtt_last_ms = s.msRTT;
        f.rtt_max_ms = s.msRTT > f.rtt_max_ms ? s.msRTT : f.rtt_max_ms;
    }
    f.received = s.pktRecvTotal;
    f.lost = s.pktRcvLossTotal;
    f.retransmitted = s.pktRcvRetrans;  // since the start: the figures are never cleared
    f.dropped = s.pktRcvDropTotal;
    f.undecrypted = s.pktRcvUndecryptTotal;
    f.buffer_ms = s.msRcvBuf;
    f.bandwidth_mbps = s.mbpsBandwidth;
}

bool next_srt(SrtReceiver& r, CaptureFrame& frame, OtherTraffic& other, std::string& error)
{
    SrtLibrary& l = *r.srt;
    double quiet = 0;
    for (;;) {
        if (stop_asked(r.limits))
            return false;
        SRT_MSGCTRL control{};
        control.msgttl = -1;
        control.inorder = 1;
        const int n = l.recvmsg2(r.socket, reinterpret_cast<char*>(r.buffer), sizeof r.buffer, &control);
        const std::int64_t now = system_ns();
        if (now - r.last_stats_ns >= 1'000'000'000) {  // the link's figures once a second
            take_srt_stats(r);
            r.last_stats_ns = now;
        }
        if (n < 0) {
            int code = 0;
            const int why = l.last_error_code(&code);
            if (why == SRT_EASYNCRCV || why == SRT_ETIMEOUT) {  // nothing for a quarter second
                if (!wait_came_empty(r.limits, wait_ms / 1000.0, quiet, error))
                    return false;
                continue;
            }
            error = failure(l, r.socket, "receive");
            return false;
        }
        quiet = 0;
        // The sender's source time in libsrt's clock, where it gives one: on the system clock.
        std::int64_t time_ns = control.srctime > 0 ? control.srctime * 1000 + r.clock_offset_ns : now;
        if (time_ns > now + 10'000'000'000 || time_ns < now - 10'000'000'000)
            time_ns = now;
        if (r.messages == 0)
            r.first_ns = time_ns;
        if (past_for(r.limits, r.first_ns, time_ns))
            return false;
        ++other.frames;
        frame.number = ++r.messages;
        frame.time_ns = time_ns;
        frame.datagram = Datagram{r.peer, r.local, r.buffer, static_cast<std::size_t>(n)};
        if (read_ts_payload(r.buffer, static_cast<std::size_t>(n), frame.ts))
            return true;
        ++other.udp;
    }
}

}  // namespace ostrel
