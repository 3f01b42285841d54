#include "reports/metrics/metrics_tap.hpp"

#include <cstdio>
#include <memory>

#include "output/metrics_text.hpp"
#include "pass/analysis.hpp"
#include "pass/facts.hpp"
#include "pass/network/flow_figures.hpp"
#include "psi/dvb/dvb_text.hpp"
#include "reports/check/check_output.hpp"
#include "reports/summary/stream_facts.hpp"
#include "sources/srt/srt_receiver.hpp"

namespace ostrel {
namespace {

using WallClock = std::chrono::steady_clock;
constexpr auto publish_every = std::chrono::milliseconds(100);
constexpr auto rate_window = std::chrono::seconds(1);
constexpr const char* errors_help = "Errors of each TR 101 290 indicator checked, as --check counts them.";

std::string pid_label(unsigned pid)
{
    char t[8];
    std::snprintf(t, sizeof t, "0x%04X", pid);
    return t;
}

std::uint64_t packets_so_far(const Analysis& a)
{
    std::uint64_t n = 0;
    for_each_used_pid(a, [&](unsigned, const PidState& s) { n += s.packets; });
    return n;
}

void put_stream(MetricsText& m, const Analysis& a, std::uint64_t packets, double bytes_per_second)
{
    m.family("ostrel_stream_time_seconds", "Stream time of the latest packet since the first: arrival time of live input, the PCR's of a file.", "gauge");
    m.sample("ostrel_stream_time_seconds", a.arrival.on ? a.arrival.now : clock_span(a.clock));
    m.family("ostrel_packets_total", "Transport stream packets read.", "counter");
    m.sample("ostrel_packets_total", static_cast<double>(packets));
    m.family("ostrel_bytes_total", "Transport stream bytes read (188 a packet).", "counter");
    m.sample("ostrel_bytes_total", static_cast<double>(packets * packet_size));
    m.family("ostrel_bytes_per_second", "Transport stream bytes a second over the last second of the run.", "gauge");
    m.sample("ostrel_bytes_per_second", bytes_per_second);
}

void put_pids(MetricsText& m, const Analysis& a, const std::array<double, pid_count>& rates)
{
    struct Family {
        const char* name;
        const char* help;
        const char* type;
    };
    constexpr Family families[] = {
        {"ostrel_pid_packets_total", "Packets of the PID.", "counter"},
        {"ostrel_pid_bytes_per_second", "Bytes a second of the PID over the last second of the run.", "gauge"},
        {"ostrel_pid_continuity_errors_total", "Continuity counter errors of the PID.", "counter"},
        {"ostrel_pid_scrambled_packets_total", "Packets of the PID with transport_scrambling_control set.", "counter"},
    };
    for (unsigned k = 0; k < std::size(families); ++k) {
        m.family(families[k].name, families[k].help, families[k].type);
        for_each_used_pid(a, [&](unsigned pid, const PidState& s) {
            const std::string label = pid_label(pid);
            const double value = k == 0 ? static_cast<double>(s.packets)
                                 : k == 1 ? rates[pid]
                                 : k == 2 ? static_cast<double>(s.cc_errors)
                                          : static_cast<double>(s.scrambled);
            m.sample(families[k].name, value, {{"pid", label}});
        });
    }
}

void put_indicators(MetricsText& m, const Analysis& a)
{
    m.family("ostrel_tr101290_errors_total", errors_help, "counter");
    for (unsigned i = 0; i < indicator_count; ++i) {
        const auto indicator = static_cast<Indicator>(i);
        if (!indicator_listed(a, indicator))
            continue;
        const std::string priority = std::to_string(indicator_priority(indicator));
        m.sample("ostrel_tr101290_errors_total", static_cast<double>(a.counts[i]),
                 {{"indicator", indicator_name(indicator)}, {"priority", priority}});
    }
    m.family("ostrel_tr101290_checked", "1 when the indicator could be checked on the stream so far, else 0.", "gauge");
    for (unsigned i = 0; i < indicator_count; ++i) {
        const auto indicator = static_cast<Indicator>(i);
        if (indicator_listed(a, indicator))
            m.sample("ostrel_tr101290_checked", indicator_checked(a, indicator) ? 1 : 0,
                     {{"indicator", indicator_name(indicator)}});
    }
}

void put_programs_and_pcrs(MetricsText& m, const Analysis& a, DvbText& dvb)
{
    m.family("ostrel_program_info", "A program of the PAT with its service (SDT) and PIDs.", "gauge");
    for (unsigned i = 0; i < a.program_count; ++i) {
        const Program& p = a.programs[i];
        const ProgramFacts facts = program_facts(a, p, dvb);
        m.sample("ostrel_program_info", 1,
                 {{"program", std::to_string(p.program_number)}, {"service", facts.service.name},
                  {"provider", facts.service.provider}, {"pmt_pid", pid_label(p.pmt_pid)},
                  {"pcr_pid", p.has_pmt ? pid_label(pcr_pid(p)) : std::string()}});
    }
    m.family("ostrel_pcr_interval_max_seconds", "The longest interval between two PCRs of the PID.", "gauge");
    for_each_used_pid(a, [&](unsigned pid, const PidState&) {
        if (a.pcr_states[pid].pcrs > 1)
            m.sample("ostrel_pcr_interval_max_seconds", a.pcr_states[pid].max_interval_s, {{"pid", pid_label(pid)}});
    });
    m.family("ostrel_pcr_jitter_seconds", "PCR against arrival, the drift taken out: the lowest and highest (live input).", "gauge");
    for (unsigned i = 0; i < a.pcr_tracks.count; ++i) {
        const PcrJitter j = pcr_jitter(a.pcr_tracks.tracks[i]);
        if (!j.known)
            continue;
        const std::string label = pid_label(a.pcr_tracks.tracks[i].pid);
        m.sample("ostrel_pcr_jitter_seconds", j.min_s, {{"pid", label}, {"bound", "min"}});
        m.sample("ostrel_pcr_jitter_seconds", j.max_s, {{"pid", label}, {"bound", "max"}});
    }
}

void put_network(MetricsText& m, const FlowFigures& f, const std::uint64_t* drops)
{
    const std::vector<MdiFigure> seconds = mdi_figures(f);
    if (!seconds.empty()) {
        const MdiFigure& last = seconds.back();
        m.family("ostrel_mdi_delay_factor_seconds", "MDI delay factor (RFC 4445) of the latest second.", "gauge");
        if (last.df_ms)
            m.sample("ostrel_mdi_delay_factor_seconds", *last.df_ms / 1e3);
        m.family("ostrel_mdi_media_loss_rate", "MDI media loss rate (RFC 4445): TS packets lost in the latest second.", "gauge");
        m.sample("ostrel_mdi_media_loss_rate", static_cast<double>(last.mlr));
    }
    if (f.rtp.started) {
        m.family("ostrel_rtp_lost_packets_total", "RTP datagrams lost, by their sequence numbers.", "counter");
        m.sample("ostrel_rtp_lost_packets_total", static_cast<double>(f.rtp.lost));
        m.family("ostrel_rtp_reordered_packets_total", "RTP datagrams that came out of order.", "counter");
        m.sample("ostrel_rtp_reordered_packets_total", static_cast<double>(f.rtp.reordered));
        m.family("ostrel_rtp_jitter_seconds", "RTP interarrival jitter (RFC 3550 6.4.1).", "gauge");
        m.sample("ostrel_rtp_jitter_seconds", f.rtp.jitter / 90000.0);
    }
    if (drops != nullptr) {
        m.family("ostrel_socket_dropped_datagrams_total", "Datagrams the socket dropped for want of buffer.", "counter");
        m.sample("ostrel_socket_dropped_datagrams_total", static_cast<double>(*drops));
    }
}

}  // namespace

void put_srt_series(MetricsText& m, const SrtLinkFigures& l)
{
    if (!l.known)
        return;
    const struct {
        const char* name;
        const char* help;
        const char* type;
        double value;
    } series[] = {
        {"ostrel_srt_rtt_seconds", "SRT round-trip time, the latest.", "gauge", l.rtt_last_ms / 1e3},
        {"ostrel_srt_rtt_max_seconds", "SRT round-trip time, the highest sampled (once a second).", "gauge", l.rtt_max_ms / 1e3},
        {"ostrel_srt_received_packets_total", "SRT packets received.", "counter", static_cast<double>(l.received)},
        {"ostrel_srt_lost_packets_total", "SRT packets lost (receiver side).", "counter", static_cast<double>(l.lost)},
        {"ostrel_srt_retransmitted_packets_total", "SRT retransmitted packets received.", "counter", static_cast<double>(l.retransmitted)},
        {"ostrel_srt_dropped_packets_total", "SRT packets dropped for arriving too late to play.", "counter", static_cast<double>(l.dropped)},
        {"ostrel_srt_undecrypted_packets_total", "SRT packets that could not be decrypted.", "counter", static_cast<double>(l.undecrypted)},
        {"ostrel_srt_receive_buffer_seconds", "SRT receive buffer, undelivered time span.", "gauge", l.buffer_ms / 1e3},
        {"ostrel_srt_bandwidth_bits_per_second", "SRT estimated link bandwidth.", "gauge", l.bandwidth_mbps * 1e6},
    };
    for (const auto& s : series) {
        m.family(s.name, s.help, s.type);
        m.sample(s.name, s.value);
    }
}

std::string masked_input(const std::string& input)
{
    std::string out = input;
    for (std::size_t at = 0; (at = out.find("passphrase=", at)) != std::string::npos;) {
        at += 11;
        const std::size_t end = out.find('&', at);
        out.replace(at, (end == std::string::npos ? out.size() : end) - at, "***");
    }
    return out;
}

MetricsTap::MetricsTap(MetricsServer& to, std::string input, const char* version, unsigned priority)
    : server(to), input_name(masked_input(input)), version_text(version)
{
    // Before the first packet: the run is up, what it reads, and no error yet
    // of the indicators it will check, so that increase() works from the start.
    MetricsText m;
    put_identity(m);
    m.family("ostrel_tr101290_errors_total", errors_help, "counter");
    for (unsigned i = 0; i < indicator_count; ++i) {
        const auto indicator = static_cast<Indicator>(i);
        if (indicator_priority(indicator) <= priority)
            m.sample("ostrel_tr101290_errors_total", 0,
                     {{"indicator", indicator_name(indicator)},
                      {"priority", std::to_string(indicator_priority(indicator))}});
    }
    server.publish(std::move(m.text));
}

void MetricsTap::put_identity(MetricsText& m) const
{
    m.family("ostrel_up", "1 while the run goes on.", "gauge");
    m.sample("ostrel_up", 1);
    m.family("ostrel_info", "The input read and the program's version.", "gauge");
    m.sample("ostrel_info", 1, {{"input", input_name}, {"version", version_text}});
}

MetricsTap::~MetricsTap() = default;

void MetricsTap::begin(const Analysis& a)
{
    current_ = &a;
    base_ = RateBase{};
    publish(a);
}

void MetricsTap::moves(const Analysis& a)
{
    const WallClock::time_point now = WallClock::now();
    if (now - last_ >= publish_every)
        publish(a);
}

void MetricsTap::end(const Analysis& a)
{
    publish(a);
    current_ = nullptr;
}

void MetricsTap::quiet()
{
    if (current_ != nullptr && WallClock::now() - last_ >= publish_every)
        publish(*current_);
}

void MetricsTap::publish(const Analysis& a)
{
    const WallClock::time_point now = WallClock::now();
    last_ = now;
    const std::uint64_t packets = packets_so_far(a);
    if (!base_.known || now - base_.at >= rate_window) {  // the rates of the second just ended
        if (base_.known) {
            const double seconds = std::chrono::duration<double>(now - base_.at).count();
            bytes_per_second_ = static_cast<double>((packets - base_.packets) * packet_size) / seconds;
            pid_rates_.fill(0);
            for_each_used_pid(a, [&](unsigned pid, const PidState& s) {
                pid_rates_[pid] = static_cast<double>((s.packets - base_.pid_packets[pid]) * packet_size) / seconds;
            });
        }
        base_.known = true;
        base_.at = now;
        base_.packets = packets;
        for_each_used_pid(a, [&](unsigned pid, const PidState& s) { base_.pid_packets[pid] = s.packets; });
    }
    if (packets != last_packets_) {
        last_packets_ = packets;
        last_change_ = now;
    } else if (now - last_change_ >= rate_window) {  // nothing for a second: the input has stopped
        bytes_per_second_ = 0;
        pid_rates_.fill(0);
    }
    MetricsText m;
    put_identity(m);
    put_stream(m, a, packets, bytes_per_second_);
    put_pids(m, a, pid_rates_);
    put_indicators(m, a);
    if (dvb_ == nullptr)
        dvb_ = std::make_unique<DvbText>();
    put_programs_and_pcrs(m, a, *dvb_);
    if (flow != nullptr && flow->figures != nullptr)
        put_network(m, *flow->figures, socket_drops);
    if (extra)
        extra(m);
    server.publish(std::move(m.text));
}

}  // namespace ostrel
