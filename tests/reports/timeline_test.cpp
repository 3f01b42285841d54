// --timeline: the intervals of stream time. The synthetic stream: 2,000
// packets, 1 ms each (the PCRs of PID 0100 in every 10th packet, 10 ms
// apart), in runs of ten: the PCR packet and four more of 0100, then five of
// 0200 in the first second and null packets in the second; every 10th run
// carries a PAT and a PMT in its last two packets.
// So every 0.1 s holds 100 packets: 50 of 0100, 1 PAT, 1 PMT, and 48 of
// 0200 (first second) or of 1FFF (second).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/capture_writer.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

constexpr unsigned packets_total = 2000;

Bytes stopping_stream()
{
    const Bytes pat = section_packets(0x0000, long_section(0x00, 1, 0, {0x00, 0x01, 0xF0, 0x00}));
    const Bytes pmt = section_packets(
        0x1000, long_section(0x02, 1, 0, {0xE1, 0x00, 0xF0, 0x00, 0x1B, 0xE1, 0x00, 0xF0, 0x00, 0x06, 0xE2, 0x00, 0xF0, 0x00}));
    Bytes s;
    unsigned video = 0, other = 0, tables = 0;
    for (unsigned n = 0; n < packets_total; ++n) {
        const unsigned k = n % 10;
        Bytes p;
        if (k == 0)
            p = pcr_packet(0x0100, video++ % 16, std::uint64_t{n} * 27'000);  // 1 ms a packet
        else if (k < 5)
            p = packet({.pid = 0x0100, .counter = video++ % 16});
        else if (k >= 8 && (n / 10) % 10 == 0)
            p = k == 8 ? pat : pmt;
        else if (n < packets_total / 2)
            p = packet({.pid = 0x0200, .counter = other++ % 16});
        else
            p = packet({.pid = 0x1FFF});
        if (k >= 8 && (n / 10) % 10 == 0)
            p[3] = static_cast<unsigned char>((p[3] & 0xF0) | (tables / 2 % 16));
        tables += k >= 8 && (n / 10) % 10 == 0;
        s.insert(s.end(), p.begin(), p.end());
    }
    return s;
}

std::vector<nlohmann::json> json_lines(const std::string& text)
{
    std::vector<nlohmann::json> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        rows.push_back(nlohmann::json::parse(line));
    return rows;
}

// The constant-rate stream's datagrams captured at `time_ns(d)` (-1: not
// captured), its timeline with `options` as JSON rows.
std::vector<nlohmann::json> capture_rows(unsigned datagrams, const std::function<std::int64_t(unsigned)>& time_ns,
                                         const std::string& options)
{
    const Bytes stream = constant_rate_stream(datagrams, 10);
    std::vector<Frame> frames;
    for (unsigned d = 0; d < datagrams; ++d) {
        const Bytes payload(stream.begin() + d * datagram_bytes, stream.begin() + (d + 1) * datagram_bytes);
        if (time_ns(d) >= 0)
            frames.push_back(Frame{time_ns(d), ethernet_frame(Route{}, payload)});
    }
    const std::string path = temp_path("paced.pcap");
    write_file(path, pcap_file(frames));
    const Result r = run_program("\"$OSTREL\" '" + path + "' --json " + options);
    EXPECT_EQ(r.status, 0) << r.err;
    return json_lines(r.out);
}

std::vector<nlohmann::json> rows_of(const Bytes& s, double interval)
{
    RunOptions o;
    o.timeline_mode = true;
    o.timeline_interval = interval;
    o.json = true;
    const Result r = run_report(s, o);
    EXPECT_EQ(r.status, 0) << r.err;
    return json_lines(r.out);
}

// Packets of `pid` in a row; -1 when the row has no column for it.
long long pid_packets(const nlohmann::json& row, unsigned pid)
{
    for (const auto& p : row["pids"]) {
        if (p["pid"] == pid)
            return p["packets"].get<long long>();
    }
    return -1;
}

TEST(Timeline, IntervalsOfASyntheticStreamWhoseThirdPidStops)
{
    const std::vector<nlohmann::json> rows = rows_of(stopping_stream(), 0.1);
    ASSERT_EQ(rows.size(), 20u);
    for (unsigned i = 0; i < rows.size(); ++i) {
        const nlohmann::json& r = rows[i];
        SCOPED_TRACE(i);
        EXPECT_NEAR(r["start_s"].get<double>(), 0.1 * i, 1e-9);
        EXPECT_NEAR(r["duration_s"].get<double>(), 0.1, 1e-9);
        EXPECT_EQ(r["packets"], 100);
        EXPECT_NEAR(r["bitrate_bps"].get<double>(), 1'504'000, 1e-3);  // 188 bytes a ms
        EXPECT_EQ(pid_packets(r, 0x0100), 50);
        EXPECT_EQ(pid_packets(r, 0x0000), 1);
        EXPECT_EQ(pid_packets(r, 0x0200), i < 10 ? 48 : 0);
        EXPECT_EQ(pid_packets(r, 0x1FFF), i < 10 ? -1 : 48);  // a column from its first packet on
        EXPECT_EQ(r["pcrs"], 10);
        EXPECT_NEAR(r["pcr_interval_max_ms"].get<double>(), 10, 1e-9);
        EXPECT_NEAR(r["pcr_accuracy_max_ns"].get<double>(), 0, 1);
        EXPECT_EQ(r["findings"], (nlohmann::json{{"1", 0}, {"2", 0}, {"3", 0}}));
        EXPECT_TRUE(r["df_ms"].is_null());
        EXPECT_TRUE(r["mlr"].is_null());
    }
}

struct Damage {
    const char* name;
    std::size_t packet;  // from 1: the packet damaged, a 0100 packet without PCR
    bool counter;        // its continuity counter moved on (two findings), else its transport_error_indicator set
    unsigned row;        // the 0.1 s interval of its time: (packet - 1) ms
    unsigned priority;
    unsigned findings;
};

TEST(Timeline, FindingsLandInTheIntervalsOfTheirTimes)
{
    const Damage cases[] = {
        {"a counter at 0.251 s", 252, true, 2, 1, 2},
        {"a counter at 1.733 s", 1734, true, 17, 1, 2},
        {"transport_error_indicator at 0.992 s", 993, false, 9, 2, 1},
        {"transport_error_indicator at 1.002 s", 1003, false, 10, 2, 1},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.name);
        Bytes s = stopping_stream();
        unsigned char* p = at(s, d.packet);
        ASSERT_EQ(packet_pid_of(p), 0x0100u);
        ASSERT_EQ(p[3] & 0x20, 0);
        if (d.counter)
            p[3] = static_cast<unsigned char>((p[3] & 0xF0) | ((p[3] + 5) & 0x0F));
        else
            p[1] |= 0x80;
        const std::vector<nlohmann::json> rows = rows_of(s, 0.1);
        ASSERT_EQ(rows.size(), 20u);
        for (unsigned i = 0; i < rows.size(); ++i) {
            const unsigned expected = i == d.row ? d.findings : 0;
            EXPECT_EQ(rows[i]["findings"][std::to_string(d.priority)], expected) << "row " << i;
        }
    }
}

TEST(Timeline, RowsOfAConstantRateStreamCarryItsMuxRate)
{
    // ffmpeg_cbr.ts: 323 packets muxed at 400 kbit/s; at 0.01 s, 2.66 packets
    // an interval, so that runs of null packets (up to 5) are split.
    const Bytes s = read_bytes(fixture_path("ffmpeg_cbr.ts"));
    for (const double interval : {0.01, 0.05, 0.1, 0.3, 1.0}) {
        SCOPED_TRACE(interval);
        const std::vector<nlohmann::json> rows = rows_of(s, interval);
        std::uint64_t packets = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            packets += rows[i]["packets"].get<std::uint64_t>();
            if (i + 1 < rows.size()) {  // the last is shorter
                EXPECT_NEAR(rows[i]["bitrate_bps"].get<double>(), 400'000, 188 * 8 / interval) << "row " << i;
            }
        }
        EXPECT_EQ(packets, 323u);
        // 323 x 188 bytes at 400 kbit/s: 1.21448 s.
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(std::ceil(323 * 188 * 8 / 400'000.0 / interval)));
    }
}

TEST(Timeline, WithoutAnyPcrOneRowOfUnknownTime)
{
    Bytes s = stopping_stream();
    for (std::size_t n = 1; n <= packets_total; n += 10)
        at(s, n)[5] = 0x00;  // the PCR flag cleared
    const std::vector<nlohmann::json> rows = rows_of(s, 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0]["start_s"].is_null());
    EXPECT_TRUE(rows[0]["duration_s"].is_null());
    EXPECT_TRUE(rows[0]["bitrate_bps"].is_null());
    EXPECT_EQ(rows[0]["packets"], packets_total);
    EXPECT_EQ(rows[0]["pcrs"], 0);
    EXPECT_TRUE(rows[0]["pcr_interval_max_ms"].is_null());
}

TEST(Timeline, TextRepeatsItsHeaderWhenAPidJoins)
{
    RunOptions o;
    o.timeline_mode = true;
    o.timeline_interval = 0.5;
    const Result r = run_report(stopping_stream(), o);
    EXPECT_EQ(r.status, 0);
    const std::string header = "      Start s Length s   Packets    Bitrate    '0000'h    '0100'h    '0200'h    '1000'h";
    EXPECT_EQ(r.out.find("=> Timeline:           intervals of '0.500000'd s"), 0u) << r.out;
    const std::size_t first = r.out.find(header + "   PCRs");
    const std::size_t second = r.out.find(header + "    '1FFF'h   PCRs");
    EXPECT_NE(first, std::string::npos) << r.out;
    EXPECT_NE(second, std::string::npos) << r.out;
    EXPECT_LT(first, second);
    // 5 PAT, 250 of 0100, 240 of 0200, 5 PMT in 0.5 s.
    EXPECT_NE(r.out.find("        0.500    0.500       500    1504000      15040     752000     721920      15040     50     "
                         "10.000           0    0    0    0\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("=> Intervals:          '4'd of '0.500000'd s\n=> Timed by:           the PCRs of PID '0100'h\n"),
              std::string::npos);
}

// A capture of the constant-rate stream: 3,000 datagrams of seven packets,
// one every 0.7 ms (2.1 s), the 1,501st (at 1.05 s) missing.
TEST(Timeline, ArrivalTimeDelayFactorAndLossOfACapture)
{
    const std::vector<nlohmann::json> rows = capture_rows(
        3000, [](unsigned d) { return d == 1500 ? -1 : d * datagram_ns; }, "--timeline");
    ASSERT_EQ(rows.size(), 3u);
    // Each datagram raises the virtual buffer by 1,316 bytes, drained at
    // 1,880,000 bytes a second: 0.7 ms; the missing one adds another 0.7 ms.
    // The rate is the PCRs' mean so far, which counts the missing bytes'
    // time: from then on the buffer drifts up by 1,316 bytes over the PCR
    // span (2.0993 s at the end), 62.2 bytes over the last 0.0993 s: 0.0331 ms.
    const double df[] = {0.7, 1.4, 0.7331};
    const unsigned lost[] = {0, 7, 0};
    for (unsigned i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(rows[i]["df_ms"].get<double>(), df[i], 0.001);
        EXPECT_EQ(rows[i]["mlr"], lost[i]);
        EXPECT_EQ(rows[i]["findings"]["1"], lost[i] > 0 ? 1 : 0);  // the one continuity gap
    }
    EXPECT_NEAR(rows[2]["duration_s"].get<double>(), 2.0993 - 2.0, 1e-9);  // to the last datagram's arrival
}

// Two bursts of 70 ms of the constant-rate stream, 1,000 s apart: at 0.01 s
// rows, 7 of each; the silence of 100,000 intervals between gets none.
TEST(Timeline, ALongSilenceGetsNoEmptyRows)
{
    const std::vector<nlohmann::json> rows = capture_rows(
        200, [](unsigned d) { return d * datagram_ns + (d < 100 ? 0 : 1'000'000'000'000 - 100 * datagram_ns); },
        "--timeline:0.01");
    std::vector<double> starts;
    for (const nlohmann::json& row : rows)
        starts.push_back(row["start_s"].get<double>());
    ASSERT_EQ(starts.size(), 14u);
    for (unsigned i = 0; i < 14; ++i)
        EXPECT_NEAR(starts[i], (i < 7 ? 0 : 1000) + 0.01 * (i % 7), 1e-9) << i;
}

// Which report a command line gets: --check and --summary win over
// --timeline; --html: writes its page and prints nothing.
TEST(Timeline, ReportChosenBesideTheOthers)
{
    const std::string sample = "'" + sample_path("sample.ts") + "'";
    const std::string page = temp_path("page.html");
    struct Case {
        const char* name;
        std::string options;
        const char* out_starts;  // "" for nothing printed
        int status;
    };
    const Case cases[] = {
        {"timeline alone", "--timeline", "=> Timeline:", 0},
        {"summary wins", "--timeline --summary", "=> File:", 0},
        {"check wins", "--timeline:0.5 --check", "packet ", 1},
        {"the page, nothing printed", "--html:'" + page + "' --check --timeline", "", 0},
        {"the page on standard output", "--html:- --summary", "<!DOCTYPE html>\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = run_program("\"$OSTREL\" " + sample + " " + c.options);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out.substr(0, std::strlen(c.out_starts)), c.out_starts);
        if (*c.out_starts == 0) {
            EXPECT_EQ(r.out, "");
        }
    }
    EXPECT_EQ(read_file(page).substr(0, 16), "<!DOCTYPE html>\n");
    const Result onto_input = run_program("\"$OSTREL\" " + sample + " --html:" + sample);
    EXPECT_EQ(onto_input.status, 1);
    EXPECT_EQ(onto_input.err, "Output file is the input file: " + sample_path("sample.ts") + "\n");
}

// The page's bitrate chart draws the PIDs with the most bytes, whenever they
// first came: twelve PIDs of one packet each come first, then PID 0200 with
// most of the stream; 0100 (the PCRs) second; the small ones past eleven
// series share "every other PID". The check's "=> Not shown:" line wraps at
// 100 columns.
TEST(Timeline, PageChartsTheLargestPidsAndNotShownWraps)
{
    Bytes s;
    for (unsigned k = 0; k < 12; ++k) {
        const Bytes p = packet({.pid = 0x0301 + k});
        s.insert(s.end(), p.begin(), p.end());
    }
    unsigned big = 0;
    for (unsigned n = 0; n < 5000; ++n) {
        // 1 ms a packet; eight PIDs of 14 packets whose counters skip a value each time: 13 gaps on each
        const Bytes p = n % 10 == 0 ? pcr_packet(0x0100, n / 10 % 16, std::uint64_t{n} * 27'000)
                        : n < 1120 && n % 10 == 5 ? packet({.pid = 0x0401 + n / 10 % 8, .counter = n / 80 * 2 % 16})
                                                  : packet({.pid = 0x0200, .counter = big++ % 16});
        s.insert(s.end(), p.begin(), p.end());
    }
    RunOptions page;
    page.html_mode = true;
    page.html_path = temp_path("largest.html");
    ASSERT_EQ(run_report(s, page).status, 0);  // the page written, whatever it shows
    const std::string html = read_file(page.html_path);
    const std::size_t legend = html.find("<ul class=\"legend\">");
    ASSERT_NE(legend, std::string::npos);
    const std::size_t first = html.find("PID 0x", legend);
    EXPECT_EQ(html.substr(first, 10), "PID 0x0200");
    EXPECT_EQ(html.substr(html.find("PID 0x", first + 1), 10), "PID 0x0100");
    EXPECT_NE(html.find("every other PID", legend), std::string::npos);
    RunOptions check;
    check.check_mode = true;
    const std::string text = run_report(s, check).out;
    const std::size_t at = text.find("=> Not shown:");
    ASSERT_NE(at, std::string::npos) << text;
    std::istringstream lines(text.substr(at));
    unsigned count = 0;
    for (std::string line; std::getline(lines, line) && (count == 0 || line.rfind("   ", 0) == 0); ++count)
        EXPECT_LE(line.size(), 100u) << line;
    EXPECT_GT(count, 1u);
}

}  // namespace
}  // namespace ostrel::test
