// --write: cutting real streams by program, PIDs and windows, one elementary
// stream, and the ways a write can fail, run as a user would.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>

#include "support.hpp"

namespace ostrel::test {
namespace {

std::set<unsigned> pids_of(const Bytes& s)
{
    std::set<unsigned> pids;
    for (std::size_t i = 0; i + 188 <= s.size(); i += 188)
        pids.insert(packet_pid_of(&s[i]));
    return pids;
}

Result cut(const std::string& input, const std::string& options)
{
    return run_program("cd \"$(dirname \"$0\")\" && \"$OSTREL\" '" + input + "' " + options);
}

TEST(Write, AProgramOutOfTwo)
{
    const std::string out = temp_path("program7.ts");
    const Result r = cut(fixture_path("gst_two_programs.ts"), "--write:" + out + " --program:7");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(pids_of(read_bytes(out)), (std::set<unsigned>{0x0000, 0x0020, 0x0481}));
    const Result summary = run_program("\"$OSTREL\" '" + out + "' --summary --json");
    const auto json = nlohmann::json::parse(summary.out);
    ASSERT_EQ(json["programs"].size(), 1u);
    EXPECT_EQ(json["programs"][0]["program_number"], 7);
    EXPECT_EQ(json["programs"][0]["streams"][0]["codec"], "h264");
    EXPECT_EQ(json["crc_errors"], 0);  // the PAT rewritten with its CRC_32
}

TEST(Write, PidsAndWindows)
{
    const Bytes sample = read_bytes(sample_path("sample.ts"));
    const std::string out = temp_path("cut.ts");
    // PIDs 0000 (9 packets) and 0100 (74) of the sample
    ASSERT_EQ(cut(sample_path("sample.ts"), "--write:" + out + " --PIDS:0000,100").status, 0);
    const Bytes two = read_bytes(out);
    EXPECT_EQ(two.size(), (9u + 74u) * 188);
    EXPECT_EQ(pids_of(two), (std::set<unsigned>{0x0000, 0x0100}));
    // packets 10 to 20, inclusive: bytes 9 x 188 to 20 x 188 as they are
    ASSERT_EQ(cut(sample_path("sample.ts"), "--write:" + out + " --from:10 --to:20").status, 0);
    EXPECT_EQ(read_bytes(out), Bytes(sample.begin() + 9 * 188, sample.begin() + 20 * 188));
    // to standard output, the same bytes
    const Result piped = cut(sample_path("sample.ts"), "--write:- --from:10 --to:20");
    EXPECT_EQ(piped.out, std::string(sample.begin() + 9 * 188, sample.begin() + 20 * 188));
    // a window in seconds: every PID starts at a unit start
    ASSERT_EQ(cut(sample_path("sample.ts"), "--write:" + out + " --from:0.3s --to:0.7s").status, 0);
    const Bytes window = read_bytes(out);
    ASSERT_FALSE(window.empty());
    std::set<unsigned> seen;
    for (std::size_t i = 0; i < window.size(); i += 188) {
        const unsigned pid = packet_pid_of(&window[i]);
        if (seen.insert(pid).second) {
            EXPECT_TRUE(window[i + 1] & 0x40) << "PID " << pid;
        }
    }
    EXPECT_LT(window.size(), sample.size() / 2);
}

// The sample's AAC as ADTS frames, one after the other to the last byte.
TEST(Write, ElementaryStream)
{
    const std::string out = temp_path("audio.aac");
    const Result r = cut(sample_path("sample.ts"), "--write:" + out + " --es:0101");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Bytes es = read_bytes(out);
    std::size_t at = 0, frames = 0;
    while (at + 7 <= es.size() && es[at] == 0xFF && (es[at + 1] & 0xF6) == 0xF0) {
        at += static_cast<std::size_t>((es[at + 3] & 0x03) << 11 | es[at + 4] << 3 | es[at + 5] >> 5);
        ++frames;
    }
    EXPECT_EQ(at, es.size());
    EXPECT_GT(frames, 40u);  // 0.96 s at 48 kHz, 1024 samples a frame: about 45
}

TEST(Write, FailuresLeaveNoFile)
{
    const std::string folder = temp_path("failures");
    const Result setup = run_program("mkdir -p '" + folder + "' && cp \"$SAMPLES/sample.ts\" '" + folder +
                                     "/in.ts' && printf old > '" + folder + "/out.ts'");
    ASSERT_EQ(setup.status, 0);
    const Result same = cut(folder + "/in.ts", "--write:" + folder + "/in.ts");
    EXPECT_EQ(same.status, 1);
    EXPECT_EQ(same.err, "Output file is the input file: " + folder + "/in.ts\n");
    EXPECT_EQ(read_bytes(folder + "/in.ts"), read_bytes(sample_path("sample.ts")));
    const Result full = cut(folder + "/in.ts", "--write:/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "Write failed on output file : /dev/full\nostrel: No space left on device\n");
    // A read that fails (the input is a folder): the file there stays as it was, nothing else is left.
    const Result unread = cut(folder, "--write:" + folder + "/out.ts");
    EXPECT_EQ(unread.status, 1);
    EXPECT_EQ(read_file(folder + "/out.ts"), "old");
    EXPECT_EQ(run_program("ls -A '" + folder + "'").out, "in.ts\nout.ts\n");
    const Result bad = cut(folder + "/in.ts", "--write:x.ts --pids:0100,zz");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Invalid option value: --pids:0100,zz\n");
}

// A cut that selects nothing is a failure: a line of why, status 1, FILE as it was.
TEST(Write, NothingSelectedLeavesTheFile)
{
    const std::string folder = temp_path("nothing");
    ASSERT_EQ(run_program("mkdir -p '" + folder + "' && printf old > '" + folder + "/out.ts'").status, 0);
    const struct {
        const char* options;
        const char* err;
    } cases[] = {
        {"--program:99", "ostrel: no program 99 in the stream; nothing written\n"},
        {"--from:5s --to:1s", "ostrel: no packet in the selection and window; nothing written\n"},
        {"--from:99s", "ostrel: no packet in the selection and window; nothing written\n"},
        {"--pids:1234", "ostrel: no packet in the selection and window; nothing written\n"},
    };
    for (const auto& c : cases) {
        const Result r = cut(fixture_path("gst_two_programs.ts"), "--write:" + folder + "/out.ts " + c.options);
        EXPECT_EQ(r.status, 1) << c.options;
        EXPECT_EQ(r.err, c.err) << c.options;
        EXPECT_EQ(read_file(folder + "/out.ts"), "old") << c.options;
    }
    EXPECT_EQ(run_program("ls -A '" + folder + "'").out, "out.ts\n");
}

// The first PAT of gst_many_programs.ts lists 46 programs over two packets:
// program 1 is known only at the second, and the cut still starts with a PAT,
// one for every PAT of the input.
TEST(Write, AProgramWhosePatSpansTwoPackets)
{
    const Bytes in = read_bytes(fixture_path("gst_many_programs.ts"));
    unsigned pats = 0;
    for (std::size_t i = 0; i + 188 <= in.size(); i += 188)
        pats += packet_pid_of(&in[i]) == 0 && (in[i + 1] & 0x40) != 0;
    const std::string out = temp_path("first.ts");
    ASSERT_EQ(cut(fixture_path("gst_many_programs.ts"), "--write:" + out + " --program:1").status, 0);
    const Bytes written = read_bytes(out);
    ASSERT_GE(written.size(), 188u);
    EXPECT_EQ(packet_pid_of(&written[0]), 0u);
    unsigned written_pats = 0;
    for (std::size_t i = 0; i + 188 <= written.size(); i += 188)
        written_pats += packet_pid_of(&written[i]) == 0;
    EXPECT_EQ(written_pats, pats);
}

// FILE through a link, a file-size limit, a signal, a capture read short.
TEST(Write, LinksLimitsSignalsAndShortCaptures)
{
    const std::string folder = temp_path("targets");
    const std::string setup = "rm -rf '" + folder + "' && mkdir -p '" + folder + "' && cd '" + folder +
                              "' && cp \"$SAMPLES/sample.ts\" in.ts && printf old > real.ts && ln -s real.ts link.ts && ";
    Result r = run_program(setup + "\"$OSTREL\" in.ts --write:link.ts && test -L link.ts && cmp in.ts real.ts && echo same");
    EXPECT_EQ(r.out, "same\n") << r.err;
    r = run_program(setup + "(ulimit -f 10; \"$OSTREL\" in.ts --write:big.ts); echo \"status $?\"; ls -A");
    EXPECT_EQ(r.out, "status 1\nin.ts\nlink.ts\nreal.ts\n");
    EXPECT_EQ(r.err, "Write failed on output file : big.ts\nostrel: File too large\n");
    // The input a FIFO that stays open: the run waits for more when the signal
    // comes. (SIGINT takes the same way; a shell starts background jobs with it ignored.)
    for (const auto& [signal, status] : {std::pair{"TERM", "143"}, std::pair{"HUP", "129"}}) {
        r = run_program(setup + "mkfifo slow && { { cat in.ts; sleep 2; } > slow & } && "
                        "{ \"$OSTREL\" slow --write:out.ts & pid=$!; sleep 0.5; kill -" + signal +
                        " $pid; wait $pid; echo \"status $?\"; wait; ls -A; }");
        EXPECT_EQ(r.out, std::string("status ") + status + "\nin.ts\nlink.ts\nreal.ts\nslow\n") << signal;
    }
    r = run_program(setup + "head -c 30000 '" OSTREL_SOURCE_DIR "/tests/fixtures/lo_plain.pcap' > cut.pcap && "
                    "\"$OSTREL\" cut.pcap --write:real.ts; echo \"status $?\"; cat real.ts");
    EXPECT_EQ(r.out, "status 1\nold");
    EXPECT_EQ(r.err.rfind("Capture read failed after frame 21: truncated dump file", 0), 0u) << r.err;
}

// A window in seconds gives each packet its time between the PCRs around it,
// as every report does: PCRs 10 packets apart, 10 ms for the first ten, then
// 100 ms for the next ten (a variable rate). Packet n of the second stretch
// (11 to 21) is at 0.01 + (n - 11) x 0.01 s, so --to:0.055s ends with
// packet 15 (0.05 s); the clock as it stood (its mean rate so far, 1 ms a
// packet) would have put packets up to 20 in.
TEST(Write, AWindowInSecondsTimesPacketsBetweenTheirPcrs)
{
    Bytes s;
    const std::uint64_t ms = 27'000;
    const std::uint64_t pcr_at[] = {0, 10 * ms, 110 * ms, 210 * ms};
    for (unsigned n = 1; n <= 31; ++n) {
        const Bytes p = (n - 1) % 10 == 0 ? pcr_packet(0x0100, (n - 1) % 16, pcr_at[(n - 1) / 10])
                                          : packet({.pid = 0x0100, .counter = (n - 1) % 16});
        s.insert(s.end(), p.begin(), p.end());
    }
    const std::string in = temp_path("vbr.ts"), out = temp_path("vbr_cut.ts");
    write_file(in, s);
    const Result r = cut(in, "--write:" + out + " --pids:0100 --to:0.055s");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(out), Bytes(s.begin(), s.begin() + 15 * 188));
}

}  // namespace
}  // namespace ostrel::test
