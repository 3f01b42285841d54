// What the arrival of a flow's datagrams tells: inter-arrival times, RTP
// sequence and jitter (RFC 3550), and the media delivery index of RFC 4445
// per second of capture time: the delay factor from a virtual buffer filled
// by the datagrams and drained at the flow's one rate, and the media loss
// rate: of an RTP flow from its sequence numbers (the datagrams missing,
// times the TS packets a datagram carries), else from the continuity counters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pass/clock.hpp"
#include "pass/network/hull.hpp"
#include "sources/capture/flow_stream.hpp"
#include "sources/capture/ts_payload.hpp"

namespace ostrel {

// Inter-arrival buckets: below 0.125 ms, then doubling, the last open-ended.
inline constexpr unsigned iat_buckets = 16;
inline constexpr double iat_first_bound_ms = 0.125;
double iat_bucket_floor_ms(unsigned bucket);  // 0 for the first

struct RtpOrder {
    bool started;
    std::uint32_t highest;  // the extended sequence number
    std::uint64_t recent;   // bit k: highest - k has come
    std::uint64_t lost, duplicates, reordered;
    std::uint64_t restarts;       // jumps past MAX_DROPOUT that the next datagram confirmed (RFC 3550 A.1)
    std::uint32_t bad_sequence;   // after a jump: the number that confirms it; 0x10000 none
    bool timed;
    std::int64_t last_arrival_ns;
    std::uint32_t last_timestamp;
    double jitter, jitter_max;  // in RTP timestamp units (90 kHz)
};

struct MdiSecond {
    std::int64_t second;  // since the flow's first datagram
    Hull buffer;          // bytes arrived against time, before and after each datagram
    std::uint64_t lost;   // TS packets lost or out of order
};

struct MdiFigure {
    std::int64_t second;
    std::optional<double> df_ms;  // none without a rate
    std::uint64_t mlr;
};

// A live flow keeps the buffers of its last seconds only: older ones are
// worked out at the rate known then and folded into their worst.
inline constexpr std::size_t mdi_kept_seconds = 60;

struct FlowFigures {
    std::uint64_t datagrams, ts_packets, ts_bytes;
    std::int64_t first_ns, last_ns;
    std::int64_t iat_min_ns, iat_max_ns, iat_sum_ns;  // between consecutive datagrams, kept whole
    std::uint64_t histogram[iat_buckets];
    RtpOrder rtp;
    double clamp_s;  // the latest time the buffer saw: a time going back is held here
    std::vector<MdiSecond> seconds;
    bool bounded;                 // live: at most mdi_kept_seconds kept
    std::uint64_t folded_seconds; // seconds folded away
    std::optional<MdiFigure> folded_worst;
    unsigned char counters[8192];  // per PID: 0x10 | the last continuity counter, 0 unseen
    unsigned pcr_pid;              // the first PID with PCRs gives the flow's rate; no_pid none
    Clock clock;
    // The packets are looked at by an analysis of the flow, which adds the
    // losses (figures_add_loss) and hands over its clock: here only the datagrams.
    bool packets_elsewhere;
};

void figures_start(FlowFigures& f);
// The inter-arrival times in milliseconds (with two datagrams at least).
inline double iat_min_ms(const FlowFigures& f) { return static_cast<double>(f.iat_min_ns) / 1e6; }
inline double iat_max_ms(const FlowFigures& f) { return static_cast<double>(f.iat_max_ns) / 1e6; }
inline double iat_mean_ms(const FlowFigures& f)
{
    return static_cast<double>(f.iat_sum_ns) / 1e6 / static_cast<double>(f.datagrams - 1);
}
// One datagram of the flow, captured at `time_ns`.
void figures_take(FlowFigures& f, std::int64_t time_ns, const TsPayload& payload);

// `lost` TS packets at `t` seconds of capture time since the flow's first datagram.
void figures_add_loss(FlowFigures& f, double t, std::uint64_t lost);

// The flow's rate in bytes per second: its TS bytes between its first and
// last PCR over their PCR time, else its mean over the capture; none when
// neither is known.
std::optional<double> flow_byte_rate(const FlowFigures& f);

// The seconds kept, each worked out at the flow's rate.
std::vector<MdiFigure> mdi_figures(const FlowFigures& f);
// The second with the largest delay factor (then the largest loss), the
// folded ones included; none for no datagram.
std::optional<MdiFigure> mdi_worst(const FlowFigures& f, const std::vector<MdiFigure>& seconds);
// Every second of the flow, the folded ones included.
inline std::uint64_t mdi_second_count(const FlowFigures& f, const std::vector<MdiFigure>& seconds)
{
    return f.folded_seconds + seconds.size();
}

// A capture's flow as the reports see it: the stream its bytes come from and
// the figures of its datagrams, which the stream feeds as they come.
struct CaptureFlow final : DatagramTap {
    const FlowStream* stream = nullptr;
    std::unique_ptr<FlowFigures> figures;
    void take(std::int64_t time_ns, const TsPayload& payload) override { figures_take(*figures, time_ns, payload); }
};

// What the report chosen needs of the flow: the figures when it shows the summary, never for a cut.
bool flow_figures_wanted(bool summary, bool write);

// The figures of `stream`, fed by it from its first datagram on when `with_figures`
// (of the datagrams only: the summary's pass looks at every packet itself).
void capture_flow_start(CaptureFlow& flow, FlowStream& stream, bool with_figures);

}  // namespace ostrel
