// Captures run through the program: the TS of a flow reads as the same TS
// in a file does, the flow asked for is the one read, and a capture that
// cannot be read, or holds no flow, says so.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/capture_writer.hpp"

namespace ostrel::test {
namespace {

TEST(CaptureRun, FlowsOfLoopbackCapturesReadAsTheFileDoes)
{
    const std::string file = fixture_path("ffmpeg_cbr.ts");
    for (const char* capture : {"lo_plain.pcap", "lo_rtp.pcapng"}) {
        for (const char* option : {"", "--decode", "--pat", "--pmt:1000", "--pid:0100 --decode", "--cues"}) {
            const Result from_file = run_program("\"$OSTREL\" '" + file + "' " + option);
            const Result from_capture = run_program("\"$OSTREL\" '" + fixture_path(capture) + "' " + option);
            EXPECT_EQ(from_capture.status, from_file.status) << capture << " " << option;
            EXPECT_EQ(without_frame_lines(from_capture.out), from_file.out) << capture << " " << option;
            EXPECT_EQ(from_capture.err, from_file.err) << capture << " " << option;
        }
        // From a pipe, which cannot seek: the same.
        const Result piped = run_program("cat '" + fixture_path(capture) + "' | \"$OSTREL\" /dev/stdin --pmt:1000");
        EXPECT_EQ(piped.out, run_program("\"$OSTREL\" '" + file + "' --pmt:1000").out) << capture << piped.err;
        // --write: takes the flow's TS out unchanged.
        const std::string written = temp_path("flow.ts");
        EXPECT_EQ(run_program("\"$OSTREL\" '" + fixture_path(capture) + "' --write:'" + written + "'").status, 0);
        EXPECT_EQ(read_bytes(written), read_bytes(file)) << capture;
    }
}

TEST(CaptureRun, LoopbackCapturesMatchTheirGoldenReports)
{
    struct Case {
        const char* capture;
        const char* option;
        const char* golden;
    };
    const Case cases[] = {
        {"lo_rtp.pcapng", "--flows", "lo_rtp_flows.txt"},
        {"lo_plain.pcap", "--summary", "lo_plain_summary.txt"},
        {"lo_plain.pcap", "--check", "lo_plain_check.txt"},
    };
    for (const Case& c : cases) {
        const Result r = run_program("cd '" OSTREL_SOURCE_DIR "/tests/fixtures' && \"$OSTREL\" " + std::string(c.capture) +
                                     " " + c.option);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, golden(c.golden)) << c.capture << " " << c.option;
    }
}

// Two flows, IPv4 to 239.1.1.1:5000 and IPv6 to [ff02::2]:5000, the IPv6 one
// with PID 0200 instead of 0100.
Bytes two_flows()
{
    Route v6;
    v6.ipv6 = true;
    v6.last_byte = 2;
    const Bytes ts = constant_rate_stream(20, 10);
    std::vector<Frame> frames;
    for (unsigned d = 0; d < 20; ++d) {
        Bytes chunk(ts.begin() + d * datagram_bytes, ts.begin() + (d + 1) * datagram_bytes);
        frames.push_back({1'000'000'000 + d * datagram_ns, ethernet_frame({}, chunk)});
        for (std::size_t at = 0; at < chunk.size(); at += 188)
            chunk[at + 1] = 0x02;
        frames.push_back({1'000'000'000 + d * datagram_ns + 1000, ethernet_frame(v6, rtp_packet(d, 0, chunk))});
    }
    return pcap_file(frames);
}

TEST(CaptureRun, TheFlowAskedForIsTheOneRead)
{
    const Bytes capture = two_flows();
    struct Case {
        std::vector<const char*> options;
        const char* pid;  // in the summary's PID table
        std::uint64_t other_flow_datagrams;
    };
    const Case cases[] = {
        {{}, "0100", 20},
        {{"--flow:239.1.1.1:5000"}, "0100", 20},
        {{"--FLOW:[FF02::2]:5000"}, "0200", 20},
    };
    for (const Case& c : cases) {
        RunOptions options;
        for (const char* o : c.options)
            apply_option(options, o);
        apply_option(options, "--summary");
        apply_option(options, "--json");
        const Result r = run_report(capture, options);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["pids"][0]["pid"], std::stoul(c.pid, nullptr, 16));
        EXPECT_EQ(j["packets"], 140u);
        EXPECT_EQ(j["other_traffic"]["other_flow_datagrams"], c.other_flow_datagrams);
    }
    // The flow's last datagram, then a larger one of another flow and one
    // without TS: nothing of them comes into the flow.
    Route other;
    other.last_byte = 9;
    const Bytes ts = constant_rate_stream(4, 10);
    const Bytes seven(ts.begin(), ts.begin() + datagram_bytes), fourteen(ts.begin(), ts.begin() + 2 * datagram_bytes);
    const Bytes tail = pcap_file({{1000, ethernet_frame({}, seven)},
                                  {2000, ethernet_frame(other, fourteen)},
                                  {3000, ethernet_frame(other, Bytes(100, 0))}});
    RunOptions summary;
    apply_option(summary, "--summary");
    apply_option(summary, "--json");
    EXPECT_EQ(nlohmann::json::parse(run_report(tail, summary).out)["packets"], 7u);
    RunOptions flows;
    apply_option(flows, "--flows");
    apply_option(flows, "--json");
    const auto listed = nlohmann::json::parse(run_report(capture, flows).out)["flows"];
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["destination"], "239.1.1.1:5000");
    EXPECT_EQ(listed[0]["rtp"], false);
    EXPECT_EQ(listed[1]["destination"], "[ff02::2]:5000");
    EXPECT_EQ(listed[1]["ssrc"], 0x0BADCAFE);
    EXPECT_EQ(listed[1]["ts_packets"], 140u);
}

TEST(CaptureRun, CapturesThatCannotBeReadOrHoldNoFlow)
{
    const Bytes good = two_flows();
    Bytes cut = good;
    cut.resize(cut.size() - 100);  // the last frame's record ends early
    Bytes tcp_only = pcap_file({{1, ethernet_frame({}, Bytes(376, 0x47), Transport::tcp)}});
    Bytes token_ring = pcap_file({{1, Bytes(100, 0)}}, true, 6);
    Bytes header_only(good.begin(), good.begin() + 24);
    struct Case {
        const char* name;
        Bytes input;
        std::vector<const char*> options;
        int status;
        const char* err;    // the start of standard error
        bool report;        // standard output has the report
    };
    const Case cases[] = {
        {"a flow that is not there", good, {"--summary", "--flow:239.1.1.9:5000"}, 1,
         "No flow to 239.1.1.9:5000 carries TS in the capture: input.ts\n", false},
        {"no UDP at all", tcp_only, {"--summary"}, 1, "No UDP flow carries TS in the capture: input.ts\n", false},
        {"no frames", header_only, {"--check"}, 1, "No UDP flow carries TS in the capture: input.ts\n", false},
        {"a link type without IP", token_ring, {"--summary"}, 1, "Capture link type 6 (IEEE802) is not read", false},
        {"cut in its last frame", cut, {"--summary"}, 1, "Capture read failed after frame 39: ", true},
        {"--flows of a TS file", join({packet({})}), {"--flows"}, 1, "Not a network capture (pcap or pcapng): input.ts\n",
         false},
        {"a flow name that is none", good, {"--flow:example.org:5000"}, 1,
         "Invalid option value: --flow:example.org:5000\n", false},
    };
    for (const Case& c : cases) {
        RunOptions options;
        for (const char* o : c.options)
            apply_option(options, o);
        Result r;
        if (!options.option_error.empty())
            r = Result{"", options.option_error + "\n", 1};  // as the command line stops
        else
            r = run_report(c.input, options);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.err.substr(0, std::string(c.err).size()), c.err) << c.name << ": " << r.err;
        EXPECT_EQ(!r.out.empty(), c.report) << c.name;
    }
}

TEST(CaptureRun, IntervalsAreTimedByArrival)
{
    // The loopback stream's datagrams, the second half 2 s later than sent:
    // by its PCRs the file has no gap, by arrival the PAT is 2 s away.
    const Bytes ts = read_bytes(fixture_path("ffmpeg_cbr.ts"));
    std::vector<Frame> frames;
    const std::size_t count = (ts.size() + datagram_bytes - 1) / datagram_bytes;
    for (std::size_t d = 0; d < count; ++d) {
        const std::size_t end = std::min(ts.size(), (d + 1) * datagram_bytes);
        const Bytes chunk(ts.begin() + static_cast<long>(d * datagram_bytes), ts.begin() + static_cast<long>(end));
        const std::int64_t late = d >= count / 2 ? 2'000'000'000 : 0;
        frames.push_back({5'000'000'000 + static_cast<std::int64_t>(d) * 26'320'000 + late, ethernet_frame({}, chunk)});
    }
    RunOptions check;
    apply_option(check, "--check");
    const Result file = run_report(ts, check);
    const Result capture = run_report(pcap_file(frames), check);
    EXPECT_EQ(file.status, 0) << file.out;
    EXPECT_EQ(capture.status, 1);
    EXPECT_NE(capture.out.find("PAT_error: no PAT section for 2."), std::string::npos) << capture.out;
    EXPECT_NE(capture.out.find("=> Intervals timed by arrival time\n"), std::string::npos);
}

}  // namespace
}  // namespace ostrel::test
