// Live input over SRT (libsrt, loaded when an srt:// address is read): a
// caller, a listener that waits for one caller, or a rendezvous; each
// message's TS handed on as a datagram is, timed by the sender's source time
// where it gives one, else by its receive time; the link's figures from
// srt_bstats. libsrt's own log lines are kept off standard error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sources/capture/capture.hpp"
#include "sources/capture/flow_stream.hpp"
#include "sources/live_limits.hpp"

namespace ostrel {

// srt://HOST:PORT[?mode=caller|listener|rendezvous&latency=MS&passphrase=...&pbkeylen=16|24|32&streamid=...]
struct SrtAddress {
    std::string host;
    unsigned port = 0;
    std::string mode = "caller";
    int latency_ms = -1;  // libsrt's default when not given
    std::string passphrase;
    int pbkeylen = 0;
    std::string streamid;
};

bool is_srt_url(const char* text);
bool parse_srt_url(const char* text, SrtAddress& address, std::string& error);

// The link as srt_bstats tells it, summed over the run.
struct SrtLinkFigures {
    bool known = false;
    std::uint64_t samples = 0;  // round-trip times taken, once a second
    double rtt_sum_ms = 0, rtt_max_ms = 0, rtt_last_ms = 0;
    std::int64_t received = 0, lost = 0, retransmitted = 0, dropped = 0, undecrypted = 0;
    int buffer_ms = 0;
    double bandwidth_mbps = 0;
};

struct SrtLibrary;

struct SrtReceiver {
    SrtReceiver();
    ~SrtReceiver();
    std::unique_ptr<SrtLibrary> srt;
    int listener = -1, socket = -1;
    Endpoint local{}, peer{};
    LiveLimits limits;  // --for: in arrival time, the connection and the caller waited for --timeout:
    std::uint64_t messages = 0;
    std::int64_t first_ns = 0, last_stats_ns = 0;
    std::int64_t clock_offset_ns = 0;  // the system clock less libsrt's
    SrtLinkFigures link;
    unsigned char buffer[1500];
};

// Connects (or waits for a caller) within the timeout; false with a one-line `error`.
bool open_srt(const SrtAddress& address, SrtReceiver& receiver, std::string& error);
void close_srt(SrtReceiver& receiver);
// The next message that carries TS.
bool next_srt(SrtReceiver& receiver, CaptureFrame& frame, OtherTraffic& other, std::string& error);
// The link's figures brought up to date.
void take_srt_stats(SrtReceiver& receiver);

struct SrtDatagrams final : DatagramSource {
    explicit SrtDatagrams(SrtReceiver& r) : receiver(r) {}
    SrtReceiver& receiver;
    bool next(CaptureFrame& frame, OtherTraffic& other, std::string& error) override
    {
        return next_srt(receiver, frame, other, error);
    }
};

}  // namespace ostrel
