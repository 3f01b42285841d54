#include "pass/network/flow_figures.hpp"

#include <cmath>
#include <algorithm>
#include <cstring>

#include "ts/packet_header.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

constexpr double rtp_hz = 90'000.0;
constexpr unsigned recent_bits = 64;

constexpr std::int64_t iat_first_bound_ns = 125'000;  // iat_first_bound_ms

void take_interval(FlowFigures& f, std::int64_t ns)
{
    if (ns < 0)
        ns = 0;  // a capture whose times go back
    if (f.datagrams == 2 || ns < f.iat_min_ns)
        f.iat_min_ns = ns;
    if (ns > f.iat_max_ns)
        f.iat_max_ns = ns;
    f.iat_sum_ns += ns;
    unsigned bucket = 0;
    for (std::int64_t bound = iat_first_bound_ns; ns >= bound && bucket + 1 < iat_buckets; bound *= 2)
        ++bucket;
    ++f.histogram[bucket];
}

// Sequence numbers (RFC 3550 A.1): a gap counts as lost until its datagrams
// come late (then reordered); one that came already is a duplicate; a jump of
// MAX_DROPOUT or more is no loss: the sequence restarts there when the next
// datagram follows it, else the datagram is a stray. Yields the datagrams
// missing before this one, for the media loss rate.
std::uint64_t take_sequence(RtpOrder& r, unsigned sequence)
{
    constexpr unsigned max_dropout = 3000, max_misorder = 100;
    const auto restart = [&r, sequence] {
        r.started = true;
        r.highest = sequence;
        r.recent = 1;
        r.bad_sequence = 0x10000;
    };
    if (!r.started) {
        restart();
        return 0;
    }
    const unsigned ahead = (sequence - r.highest) & 0xFFFF;
    if (ahead > 0 && ahead < max_dropout) {
        r.lost += ahead - 1;
        r.recent = ahead >= recent_bits ? 1 : (r.recent << ahead) | 1;
        r.highest += ahead;
        return ahead - 1;
    }
    if (ahead != 0 && ahead <= 0x10000 - max_misorder) {
        if (sequence == r.bad_sequence) {
            ++r.restarts;
            restart();
        } else {
            r.bad_sequence = (sequence + 1) & 0xFFFF;
        }
        return 0;
    }
    const unsigned back = (0x10000 - ahead) & 0xFFFF;
    if (back < recent_bits && (r.recent >> back & 1) != 0) {
        ++r.duplicates;
        return 0;
    }
    if (back < recent_bits)
        r.recent |= std::uint64_t{1} << back;
    ++r.reordered;
    if (r.lost > 0)
        --r.lost;
    return 0;
}

// RFC 3550 6.4.1: J += (|D| - J) / 16, D the difference of the transit times.
void take_rtp_time(RtpOrder& r, std::int64_t time_ns, std::uint32_t timestamp)
{
    if (r.timed) {
        const double arrived = static_cast<double>(time_ns - r.last_arrival_ns) * rtp_hz / 1e9;
        const double stamped = static_cast<double>(static_cast<std::int32_t>(timestamp - r.last_timestamp));
        r.jitter += (std::fabs(arrived - stamped) - r.jitter) / 16;
        if (r.jitter > r.jitter_max)
            r.jitter_max = r.jitter;
    }
    r.timed = true;
    r.last_arrival_ns = time_ns;
    r.last_timestamp = timestamp;
}

// A TS packet: its counter gap into the second's losses, its PCR into the flow's clock.
inline void take_packet(FlowFigures& f, const unsigned char* p, std::uint64_t offset, std::uint64_t& lost)
{
    const unsigned b1 = p[1], b3 = p[3];
    const unsigned pid = (b1 & 0x1F) << 8 | p[2];
    const bool adaptation = (b3 & 0x20) != 0 && p[4] > 0;
    const unsigned flags = adaptation ? p[5] : 0;
    if ((b3 & 0x10) != 0 && (b1 & 0x80) == 0 && pid != pid_null) {
        const unsigned cc = b3 & 0x0F;
        const unsigned last = f.counters[pid];
        if (last != 0 && (flags & 0x80) == 0)  // no discontinuity_indicator
            lost += cc == (last & 0x0F) ? 0 : (cc - (last & 0x0F) - 1) & 0x0F;
        f.counters[pid] = static_cast<unsigned char>(0x10 | cc);
    }
    if ((flags & 0x10) == 0 || p[4] < 7)  // no PCR
        return;
    if (f.pcr_pid == no_pid)
        f.pcr_pid = pid;
    if (pid == f.pcr_pid)
        clock_take_pcr(f.clock, offset, clock_reference_ticks(p + 6), (flags & 0x80) != 0);
}

MdiFigure mdi_figure(const MdiSecond& s, std::optional<double> rate)
{
    MdiFigure m{s.second, std::nullopt, s.lost};
    if (rate)
        m.df_ms = (hull_max(s.buffer, *rate) - hull_min(s.buffer, *rate)) / *rate * 1e3;
    return m;
}

void keep_worse(std::optional<MdiFigure>& worst, const MdiFigure& m)
{
    const double df = m.df_ms.value_or(0);
    if (!worst || df > worst->df_ms.value_or(0) || (df == worst->df_ms.value_or(0) && m.mlr > worst->mlr))
        worst = m;
}

}  // namespace

double iat_bucket_floor_ms(unsigned bucket) { return bucket == 0 ? 0 : iat_first_bound_ms * std::ldexp(1.0, static_cast<int>(bucket) - 1); }

void figures_start(FlowFigures& f)
{
    f.datagrams = f.ts_packets = f.ts_bytes = 0;
    f.pcr_pid = no_pid;
    clock_reset(f.clock);
    std::memset(f.counters, 0, sizeof f.counters);
}

void figures_take(FlowFigures& f, std::int64_t time_ns, const TsPayload& payload)
{
    ++f.datagrams;
    if (f.datagrams == 1)
        f.first_ns = time_ns;
    else
        take_interval(f, time_ns - f.last_ns);
    f.last_ns = time_ns;
    std::uint64_t missing = 0;  // datagrams, by the sequence numbers
    if (payload.rtp) {
        missing = take_sequence(f.rtp, payload.sequence);
        take_rtp_time(f.rtp, time_ns, payload.timestamp);
    }
    double t = static_cast<double>(time_ns - f.first_ns) / 1e9;
    if (t < f.clamp_s)
        t = f.clamp_s;
    f.clamp_s = t;
    const auto second = static_cast<std::int64_t>(t);  // t >= 0: its floor
    if (f.seconds.empty() || f.seconds.back().second != second) {
        if (f.bounded && f.seconds.size() >= mdi_kept_seconds) {  // the oldest at the rate known now
            keep_worse(f.folded_worst, mdi_figure(f.seconds.front(), flow_byte_rate(f)));
            ++f.folded_seconds;
            f.seconds.erase(f.seconds.begin());
        }
        f.seconds.push_back(MdiSecond{second, {}, 0});
    }
    MdiSecond& now = f.seconds.back();
    if (!f.packets_elsewhere) {
        std::uint64_t lost = 0;
        for (std::size_t at = 0; at < payload.length; at += packet_size)
            take_packet(f, payload.ts + at, f.ts_bytes + at, lost);
        if (!payload.rtp)
            now.lost += lost;
    }
    now.lost += missing * (payload.length / packet_size);
    // The buffer just before and just after the datagram.
    hull_add_step(now.buffer, t, static_cast<double>(f.ts_bytes), static_cast<double>(f.ts_bytes + payload.length));
    f.ts_bytes += payload.length;
    f.ts_packets += payload.length / packet_size;
}

void figures_add_loss(FlowFigures& f, double t, std::uint64_t lost)
{
    if (f.rtp.started)
        return;  // the sequence numbers tell an RTP flow's losses
    const auto second = static_cast<std::int64_t>(std::floor(t));
    // The analysis lags the reading by a window at most: the second is near the end.
    for (auto i = f.seconds.rbegin(); i != f.seconds.rend(); ++i) {
        if (i->second <= second) {
            i->lost += lost;
            return;
        }
    }
}

std::optional<double> flow_byte_rate(const FlowFigures& f)
{
    const double per_byte = clock_mean_seconds_per_byte(f.clock);
    if (per_byte > 0)
        return 1 / per_byte;
    const double span = static_cast<double>(f.last_ns - f.first_ns) / 1e9;
    if (f.datagrams < 2 || span <= 0)
        return std::nullopt;
    return static_cast<double>(f.ts_bytes) / span;
}

std::vector<MdiFigure> mdi_figures(const FlowFigures& f)
{
    const std::optional<double> rate = flow_byte_rate(f);
    std::vector<MdiFigure> out;
    out.reserve(f.seconds.size());
    for (const MdiSecond& s : f.seconds)
        out.push_back(mdi_figure(s, rate));
    return out;
}

std::optional<MdiFigure> mdi_worst(const FlowFigures& f, const std::vector<MdiFigure>& seconds)
{
    std::optional<MdiFigure> worst = f.folded_worst;
    for (const MdiFigure& m : seconds)
        keep_worse(worst, m);
    return worst;
}

bool flow_figures_wanted(bool summary, bool write) { return summary && !write; }

void capture_flow_start(CaptureFlow& flow, FlowStream& stream, bool with_figures)
{
    flow.stream = &stream;
    flow.figures = std::make_unique<FlowFigures>();
    figures_start(*flow.figures);
    flow.figures->packets_elsewhere = with_figures;
    flow.figures->bounded = stream.live;
    stream.tap = with_figures ? &flow : nullptr;
}

}  // namespace ostrel
