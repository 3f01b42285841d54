// Captures written here with chosen capture times: the figures of the flow
// (inter-arrival, RTP order, MDI, PCR jitter and accuracy) against values
// worked out by hand from the datagrams and their times.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "pass/network/flow_figures.hpp"
#include "support/capture_writer.hpp"

namespace ostrel::test {
namespace {

constexpr std::int64_t start_ns = 1'700'000'000'000'000'000;
constexpr unsigned datagrams = 3000;  // 2.1 s
constexpr unsigned rtp_step = 63;     // 0.7 ms at 90 kHz

struct Sent {
    unsigned datagram;  // its place in the stream
    std::int64_t time_ns;
    Transport transport = Transport::udp;
    unsigned sequence = ~0u;  // the RTP sequence_number, when not the datagram's place
};

// The stream's datagrams in the order and at the times `sent` gives, as RTP
// in Ethernet frames on `route`; `extra` adds frames of other traffic.
Bytes capture_of(const Bytes& ts, const std::vector<Sent>& sent, const Route& route = {},
                 const std::vector<Frame>& extra = {})
{
    std::vector<Frame> frames;
    for (const Sent& s : sent) {
        const Bytes chunk(ts.begin() + static_cast<long>(s.datagram * datagram_bytes),
                          ts.begin() + static_cast<long>((s.datagram + 1) * datagram_bytes));
        const Bytes rtp = rtp_packet(s.sequence != ~0u ? s.sequence : s.datagram, s.datagram * rtp_step, chunk);
        if (s.transport == Transport::fragment_first) {  // in two pieces of 1000 bytes and the rest
            const Bytes head(rtp.begin(), rtp.begin() + 1000), tail(rtp.begin() + 1000, rtp.end());
            frames.push_back({s.time_ns, ethernet_frame(route, head, Transport::fragment_first)});
            frames.push_back({s.time_ns, ethernet_frame(route, tail, Transport::fragment_rest)});
            continue;
        }
        frames.push_back({s.time_ns, ethernet_frame(route, rtp)});
    }
    for (const Frame& f : extra) {
        auto at = frames.begin();
        while (at != frames.end() && at->time_ns <= f.time_ns)
            ++at;
        frames.insert(at, f);
    }
    return pcap_file(frames);
}

std::vector<Sent> on_time()
{
    std::vector<Sent> sent;
    for (unsigned d = 0; d < datagrams; ++d)
        sent.push_back({d, start_ns + d * datagram_ns});
    return sent;
}

nlohmann::json summary_of(const Bytes& capture, const std::string& extra = "")
{
    RunOptions options;
    apply_option(options, "--summary");
    apply_option(options, "--json");
    if (!extra.empty())
        apply_option(options, extra.c_str());
    const Result r = run_report(capture, options);
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out);
}

std::uint64_t mlr_total(const nlohmann::json& network)
{
    std::uint64_t total = 0;
    for (const auto& second : network["mdi"])
        total += second["mlr"].get<std::uint64_t>();
    return total;
}

TEST(CaptureFigures, ArrivalAndLossAsWorkedOutByHand)
{
    const Bytes ts = constant_rate_stream(datagrams, 10);
    struct Case {
        const char* name;
        std::function<void(std::vector<Sent>&, std::vector<Frame>&, Route&)> edit;
        std::uint64_t lost, duplicates, reordered;
        double iat_min_ms, iat_max_ms, df_ms;
        std::uint64_t mlr, tcp, fragments;
    };
    const Case cases[] = {
        // One datagram every 0.7 ms drained at the same rate: the buffer
        // swings by one datagram, 1316 bytes, which drain in 0.7 ms.
        {"on time", [](auto&, auto&, auto&) {}, 0, 0, 0, 0.7, 0.7, 0.7, 0, 0, 0},
        // Datagram 1001 lost: a 1.4 ms gap, two datagrams drained before the
        // next, its seven packets missing from the counters.
        {"one lost", [](auto& s, auto&, auto&) { s.erase(s.begin() + 1001); }, 1, 0, 0, 0.7, 1.4, 1.4, 7, 0, 0},
        // 1001 and 1002 swapped, times kept: 1002 comes with 1001 missing
        // (RFC 4445: its 7 packets out of order), then 1001 late, no loss.
        {"two swapped", [](auto& s, auto&, auto&) { std::swap(s[1001].datagram, s[1002].datagram); }, 0, 0, 1, 0.7,
         0.7, 0.7, 7, 0, 0},
        // 1001 sent twice, 0.1 ms apart: a duplicate, neither lost nor out of
        // order; the buffer holds one datagram more from then on: a swing of 2632 bytes.
        {"one twice", [](auto& s, auto&, auto&) { s.insert(s.begin() + 1002, Sent{1001, s[1001].time_ns + 100'000}); },
         0, 1, 0, 0.1, 0.7, 1.4, 0, 0, 0},
        // 1001 to 1005 lost: 35 packets, more than the 16 counter values a gap can show.
        {"five lost", [](auto& s, auto&, auto&) { s.erase(s.begin() + 1001, s.begin() + 1006); }, 5, 0, 0, 0.7, 4.2,
         4.2, 35, 0, 0},
        // 1001 to 1029 held back to 20 ms after 1001's time (720.7 ms), then
        // all at once: 20.7 ms without data, the buffer 37,600 bytes under
        // its lowest, the burst fills it to 564 bytes, drained by 1030 at 721.0 ms.
        {"burst 20 ms late",
         [](auto& s, auto&, auto&) {
             const std::int64_t late = s[1001].time_ns + 20'000'000;
             for (unsigned d = 1001; d <= 1029; ++d)
                 s[d].time_ns = late;
         },
         0, 0, 0, 0, 20.7, 20.7, 0, 0, 0},
        {"two VLAN tags", [](auto&, auto&, auto& r) { r.vlans = {100, 200}; }, 0, 0, 0, 0.7, 0.7, 0.7, 0, 0, 0},
        {"IPv6", [](auto&, auto&, auto& r) { r.ipv6 = true; }, 0, 0, 0, 0.7, 0.7, 0.7, 0, 0, 0},
        {"TCP beside",
         [](auto&, auto& extra, auto& r) {
             for (unsigned i = 0; i < 30; ++i)
                 extra.push_back({start_ns + i * 70'000'000 + 1, ethernet_frame(r, Bytes(100, 0x47), Transport::tcp)});
         },
         0, 0, 0, 0.7, 0.7, 0.7, 0, 30, 0},
        // 1001 in two IP fragments: both left out, so it is lost as above.
        {"one fragmented", [](auto& s, auto&, auto&) { s[1001].transport = Transport::fragment_first; }, 1, 0, 0, 0.7,
         1.4, 1.4, 7, 0, 2},
    };
    for (const Case& c : cases) {
        std::vector<Sent> sent = on_time();
        std::vector<Frame> extra;
        Route route;
        c.edit(sent, extra, route);
        const Bytes capture = capture_of(ts, sent, route, extra);
        const nlohmann::json j = summary_of(capture);
        // --flows works the losses out by itself, without the summary's pass.
        RunOptions flows;
        apply_option(flows, "--flows");
        apply_option(flows, "--json");
        const auto listed = nlohmann::json::parse(run_report(capture, flows).out)["flows"];
        EXPECT_EQ(mlr_total(listed[0]["network"]), c.mlr) << c.name;
        const nlohmann::json& n = j["network"];
        EXPECT_EQ(n["rtp_lost"], c.lost) << c.name;
        EXPECT_EQ(n["rtp_duplicates"], c.duplicates) << c.name;
        EXPECT_EQ(n["rtp_reordered"], c.reordered) << c.name;
        EXPECT_NEAR(n["iat_min_ms"].get<double>(), c.iat_min_ms, 1e-6) << c.name;
        EXPECT_NEAR(n["iat_max_ms"].get<double>(), c.iat_max_ms, 1e-6) << c.name;
        double worst = 0;
        for (const auto& second : n["mdi"])
            worst = std::max(worst, second["df_ms"].get<double>());
        EXPECT_NEAR(worst, c.df_ms, 0.002) << c.name;  // the rate of a flow with a loss is 0.03 % lower
        EXPECT_EQ(mlr_total(n), c.mlr) << c.name;
        EXPECT_EQ(n["mdi"].size(), 3u) << c.name;
        EXPECT_EQ(j["other_traffic"]["tcp"], c.tcp) << c.name;
        EXPECT_EQ(j["other_traffic"]["fragments"], c.fragments) << c.name;
        EXPECT_EQ(j["packets"], 7u * (datagrams - c.lost + c.duplicates)) << c.name;
    }
}

// RFC 3550 A.1: a jump of MAX_DROPOUT (3000) or more is a restart of the
// sequence once the next datagram follows it, a stray datagram otherwise;
// neither is loss. Sequence numbers wrap at 65536.
TEST(CaptureFigures, SequenceJumpsAreRestartsNotLoss)
{
    const Bytes ts = constant_rate_stream(datagrams, 10);
    struct Case {
        const char* name;
        std::function<void(std::vector<Sent>&)> edit;
        std::uint64_t lost, reordered, restarts, mlr;
    };
    const Case cases[] = {
        {"from 1001 on, 20000 further", [](auto& s) { for (unsigned d = 1001; d < datagrams; ++d) s[d].sequence = d + 20000; },
         0, 0, 1, 0},
        {"1001 alone 30000 off", [](auto& s) { s[1001].sequence = 31001; }, 1, 0, 0, 7},
        {"wrapping past 65535", [](auto& s) { for (unsigned d = 0; d < datagrams; ++d) s[d].sequence = (d + 64000) & 0xFFFF; },
         0, 0, 0, 0},
        {"2999 missing: a gap, not a jump", [](auto& s) { for (unsigned d = 1001; d < datagrams; ++d) s[d].sequence = d + 2998; },
         2998, 0, 0, 2998 * 7},
    };
    for (const Case& c : cases) {
        std::vector<Sent> sent = on_time();
        c.edit(sent);
        const nlohmann::json n = summary_of(capture_of(ts, sent))["network"];
        EXPECT_EQ(n["rtp_lost"], c.lost) << c.name;
        EXPECT_EQ(n["rtp_reordered"], c.reordered) << c.name;
        EXPECT_EQ(n["rtp_restarts"], c.restarts) << c.name;
        EXPECT_EQ(mlr_total(n), c.mlr) << c.name;
        EXPECT_EQ(n["mlr_from"], "rtp_sequence") << c.name;
    }
}

// A PCR in every datagram, two datagrams swapped (times kept): the PCRs step
// back by one datagram, then on by two. The drain rate, the PCRs' span over
// their bytes, stays the flow's, so the delay factor stays one datagram
// (0.7 ms) in every second, not only outside the second of the swap.
TEST(CaptureFigures, ASwapMovesNoDelayFactorOutsideItsSecond)
{
    const Bytes ts = constant_rate_stream(datagrams, 1);
    std::vector<Sent> sent = on_time();
    std::swap(sent[1000].datagram, sent[1001].datagram);
    const nlohmann::json n = summary_of(capture_of(ts, sent))["network"];
    ASSERT_EQ(n["mdi"].size(), 3u);
    for (const auto& second : n["mdi"])
        EXPECT_NEAR(second["df_ms"].get<double>(), 0.7, 0.002) << second;
    EXPECT_EQ(n["rtp_reordered"], 1);
}

TEST(CaptureFigures, OnePcrTwoMicrosecondsOff)
{
    // The PCR of datagram 1000 (packet 7000) 54 ticks late: off a constant
    // rate by 2 us in the capture and in the file alike, and 2 us off its
    // arrival once the line through the other 299 PCRs is taken out.
    Bytes ts = constant_rate_stream(datagrams, 10);
    unsigned char* p = at(ts, 7001);
    p[11] = static_cast<unsigned char>(p[11] + 54);  // the extension's low byte: 0 + 54 < 300
    const Bytes capture = capture_of(ts, on_time());
    RunOptions check;
    apply_option(check, "--check");
    for (const Bytes* input : {static_cast<const Bytes*>(&ts), &capture}) {
        const Result r = run_report(*input, check);
        EXPECT_NE(r.out.find("packet 7001, byte 1316000"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("PCR_accuracy_error: PCR off a constant rate by 2000 ns, limit 500 ns"), std::string::npos);
        EXPECT_NE(r.out.find("PCR_accuracy_error                 '2'd      '1'd"), std::string::npos) << r.out;
    }
    const nlohmann::json jitter = summary_of(capture)["pcr_jitter"];
    ASSERT_EQ(jitter.size(), 1u);
    EXPECT_EQ(jitter[0]["pid"], 0x100);
    EXPECT_NEAR(jitter[0]["max_us"].get<double>(), 2.0, 0.02);
    EXPECT_NEAR(jitter[0]["min_us"].get<double>(), 0.0, 0.02);
}

// A lost packet takes 188 bytes out of the count between two PCRs: the
// line starts again after it, and PCR accuracy goes on being measured (the
// PCR 2 us off after the loss is found), not given up as a variable rate.
TEST(CaptureFigures, PcrAccuracyResumesAfterALoss)
{
    Bytes ts = constant_rate_stream(datagrams, 10);
    unsigned char* p = at(ts, 14001);  // the PCR of datagram 2000
    p[11] = static_cast<unsigned char>(p[11] + 54);
    drop(ts, 500);  // a packet of PID 0100 between two PCRs
    RunOptions check;
    apply_option(check, "--check");
    const Result r = run_report(ts, check);
    EXPECT_NE(r.out.find("Continuity_count_error"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PCR_accuracy_error: PCR off a constant rate by 2000 ns, limit 500 ns"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("PCR_accuracy_error                 '2'd      '1'd"), std::string::npos) << r.out;
    apply_option(check, "--json");
    const std::string json = run_report(ts, check).out;
    const auto summary = nlohmann::json::parse(json.substr(json.rfind("{\"summary\"")))["summary"];
    // 300 PCRs; the first two of each line cannot be measured, nor the one across the loss
    EXPECT_EQ(summary["pcr_accuracy_pcrs"]["pcrs"], 300);
    EXPECT_EQ(summary["pcr_accuracy_pcrs"]["measured"], 300 - 2 - 2);
}

TEST(CaptureFigures, VariableRateIsNotCheckedForAccuracy)
{
    // The PCR of every 20th datagram 256 ticks late: its pairs 0.14 % off the line.
    Bytes ts = constant_rate_stream(300, 10);
    for (unsigned d = 20; d < 300; d += 20) {
        unsigned char* p = at(ts, 7 * d + 1);
        p[10] = static_cast<unsigned char>(p[10] | 0x01);  // bit 8 of the extension
    }
    RunOptions check;
    apply_option(check, "--check");
    const Result r = run_report(ts, check);
    EXPECT_NE(r.out.find("PCR_accuracy_error                 '2'd      not checked (variable rate)"), std::string::npos)
        << r.out;
}

// A live flow keeps the buffers of its last 60 seconds: memory stays flat
// however long it runs, and the worst second and the count take in the rest.
// 10 minutes of one datagram a second, the 100th second's datagram twice.
TEST(CaptureFigures, LiveFlowKeepsItsLastSecondsOnly)
{
    const Bytes ts = constant_rate_stream(7, 10);
    FlowFigures f{};
    figures_start(f);
    f.bounded = true;
    for (unsigned second = 0; second < 600; ++second) {
        const TsPayload payload{ts.data(), 7 * 188, false, 0, 0, 0, 0};
        figures_take(f, std::int64_t{second} * 1'000'000'000, payload);
        if (second == 100)
            figures_take(f, std::int64_t{second} * 1'000'000'000 + 1000, payload);
        EXPECT_LE(f.seconds.size(), mdi_kept_seconds);
    }
    const std::vector<MdiFigure> kept = mdi_figures(f);
    EXPECT_EQ(kept.size(), mdi_kept_seconds);
    EXPECT_EQ(mdi_second_count(f, kept), 600u);
    const auto worst = mdi_worst(f, kept);
    ASSERT_TRUE(worst.has_value());
    EXPECT_EQ(worst->second, 100);
}

}  // namespace
}  // namespace ostrel::test
