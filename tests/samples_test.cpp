// Real streams from real muxers against their golden outputs, checked by eye
// against the stream bytes when they were written.
#include <gtest/gtest.h>

#include "support.hpp"

namespace ostrel::test {
namespace {

struct GoldenCase {
    const char* stream;  // under the source tree
    const char* option;
    const char* golden;
    const char* err;
    int status;
};

const GoldenCase cases[] = {
    {"samples/sample.ts", "", "sample.txt", "", 0},
    {"samples/sample.ts", "--pat", "sample_pat.txt", "", 0},
    {"samples/sample.ts", "--pmt:1000", "sample_pmt_1000.txt", "", 0},
    // AC-3 as private_stream_1, language descriptors, custom PIDs
    {"tests/fixtures/ffmpeg_ac3.ts", "--pmt:0200", "ffmpeg_ac3_pmt_0200.txt", "", 0},
    {"tests/fixtures/ffmpeg_ac3.ts", "--pid:0301", "ffmpeg_ac3_pid_0301.txt", "", 0},
    // tables behind adaptation-field stuffing, two programs
    {"tests/fixtures/gst_two_programs.ts", "--pat", "gst_two_programs_pat.txt", "", 0},
    {"tests/fixtures/gst_two_programs.ts", "--pmt:0020", "gst_two_programs_pmt_0020.txt", "", 0},
    {"tests/fixtures/gst_two_programs.ts", "--pmt:0021", "gst_two_programs_pmt_0021.txt", "", 0},
    {"tests/fixtures/gst_two_programs.ts", "--pid:0000", "gst_two_programs_pid_0000.txt", "", 0},
    // a PAT that continues in the next packet
    {"tests/fixtures/gst_many_programs.ts", "--pat", "gst_many_programs_pat.txt",
     "Section continues past this packet\n", 1},
    // 192-byte packets (ffmpeg's .m2ts form) and 204-byte packets: stopped at
    // byte 0 without --resync, read whole with it; tables read as from 188 bytes
    {"tests/fixtures/ffmpeg_m2ts.m2ts", "", nullptr,
     "Invalid sync_byte\nostrel: the file holds 192-byte packets; --resync reads them\n", 1},
    {"tests/fixtures/ffmpeg_m2ts.m2ts", "--resync --pid:0000", "ffmpeg_m2ts_pid_0000.txt", "", 0},
    {"tests/fixtures/gst_two_programs_204.ts", "--pid:0000 --RESYNC", "gst_two_programs_204_pid_0000.txt", "", 0},
    {"tests/fixtures/gst_two_programs_204.ts", "--resync --pat", "gst_two_programs_pat.txt", "", 0},
    {"tests/fixtures/gst_two_programs_204.ts", "--pmt:0021 --resync", "gst_two_programs_pmt_0021.txt", "", 0},
    // 400 kbit/s: 53 or 54 packets a 0.2 s, PAT and PMT every 0.1 s, PCRs 6 to 8 packets apart
    {"tests/fixtures/ffmpeg_cbr.ts", "--timeline:0.2", "ffmpeg_cbr_timeline.txt", "", 0},
};

TEST(RealStreams, MatchTheirGoldenOutputs)
{
    for (const GoldenCase& c : cases) {
        const Result r =
            run_program(std::string("\"$OSTREL\" '" OSTREL_SOURCE_DIR "/") + c.stream + "' " + c.option);
        EXPECT_EQ(r.out, c.golden ? golden(c.golden) : "") << c.stream << " " << c.option;
        EXPECT_EQ(r.err, c.err) << c.stream << " " << c.option;
        EXPECT_EQ(r.status, c.status) << c.stream << " " << c.option;
    }
}

}  // namespace
}  // namespace ostrel::test
