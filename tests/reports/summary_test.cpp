// --summary: real streams against their golden summaries (checked by eye
// against the stream bytes and ffprobe's view of the same files: codec,
// profile, level, size, frame rate, field order, sample rate, channels and
// bitrate, service name and provider), damage
// counted in the JSON form, and JSON that stays valid for any file name.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "support.hpp"

namespace ostrel::test {
namespace {

TEST(Summary, RealStreamsMatchTheirGoldenSummaries)
{
    const char* const cases[][2] = {
        {"samples/sample.ts", "sample_summary.txt"},
        {"tests/fixtures/ffmpeg_ac3.ts", "ffmpeg_ac3_summary.txt"},
        {"tests/fixtures/gst_two_programs.ts", "gst_two_programs_summary.txt"},
        {"tests/fixtures/gst_many_programs.ts", "gst_many_programs_summary.txt"},  // a PAT across two packets
        {"tests/fixtures/ffmpeg_codecs.ts", "ffmpeg_codecs_summary.txt"},          // formats as ffprobe shows them
    };
    for (const auto& c : cases) {
        const Result r = run_program(std::string("cd '" OSTREL_SOURCE_DIR "' && \"$OSTREL\" ") + c[0] + " --summary");
        EXPECT_EQ(r.out, golden(c[1])) << c[0];
        EXPECT_EQ(r.err, "") << c[0];
        EXPECT_EQ(r.status, 0) << c[0];
    }
}

struct Damage {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* key;
    int count;
};

TEST(Summary, DamageIsCountedAndTheStatusStaysZero)
{
    const Damage cases[] = {
        {"a lost packet", [](Bytes& s) { drop(s, 6); }, "cc_errors", 1},
        {"a packet three times", [](Bytes& s) { repeat(s, 6, 2); }, "cc_errors", 1},
        {"a packet twice", [](Bytes& s) { repeat(s, 6, 1); }, "cc_errors", 0},
        {"transport_error_indicator", [](Bytes& s) { at(s, 37)[1] |= 0x80; }, "transport_errors", 1},
        {"a scrambled packet", [](Bytes& s) { at(s, 37)[3] |= 0x40; }, "scrambled", 1},
        {"a CRC_32 byte rewritten", [](Bytes& s) { at(s, 15)[20] ^= 0x01; }, "crc_errors", 1},
        {"a counter jump with discontinuity_indicator",
         [](Bytes& s) {
             at(s, 31)[5] |= 0x80;
             for (int i = 0; i < 5; ++i)
                 drop(s, 24);
         },
         "cc_errors", 0},
        {"the file ends 50 bytes into a packet", [](Bytes& s) { s.insert(s.end(), s.begin(), s.begin() + 50); },
         "skipped_bytes", 50},
        {"a sync byte flipped", [](Bytes& s) { at(s, 50)[0] ^= 0x01; }, "sync_losses", 1},
        {"a capture cut 77 bytes into its first packet", [](Bytes& s) { s.erase(s.begin(), s.begin() + 77); },
         "skipped_bytes", 111},
    };
    const Bytes clean = read_bytes(fixture_path("ffmpeg_clean.ts"));
    RunOptions summary;
    summary.summary_mode = true;
    summary.json = true;
    for (const Damage& c : cases) {
        Bytes s = clean;
        c.damage(s);
        const Result r = run_report(s, summary);
        const auto json = nlohmann::json::parse(r.out);
        EXPECT_EQ(json[c.key], c.count) << c.name;
        EXPECT_EQ(r.status, 0) << c.name;
    }
    // The PID table and the programs, read off the clean stream.
    const auto json = nlohmann::json::parse(run_report(clean, summary).out);
    EXPECT_EQ(json["packets"], 105);
    EXPECT_EQ(json["duration_s"], 0.98);  // PCRs from 0.70 to 1.68 s
    EXPECT_EQ(json["programs"][0]["pcr_pid"], 0x0100);
    EXPECT_EQ(json["programs"][0]["streams"][1]["stream_type_text"], "ISO/IEC 13818-7 Audio with ADTS transport syntax");
    EXPECT_EQ(json["pids"][2]["carries"],
              "AVC video stream as defined in ITU-T Rec. H.264 | ISO/IEC 14496-10 Video, program 1");
    EXPECT_EQ(json["pids"][2]["program_numbers"], nlohmann::json::array({1}));
    EXPECT_EQ(json["pids"][2]["pcrs"], 50);
}

TEST(Summary, JsonStaysValidForAnyFileName)
{
    const Result r = run_program(
        "cd \"$(dirname \"$0\")\" && cp \"$SAMPLES/sample.ts\" \"$(printf 'a\\377\"\\\\b.ts')\" && "
        "\"$OSTREL\" a*.ts --summary --json | python3 -m json.tool > /dev/null && "
        "\"$OSTREL\" a*.ts --CHECK --Json | python3 -c 'import json, sys; [json.loads(l) for l in sys.stdin]' && "
        "echo valid");
    EXPECT_EQ(r.out, "valid\n");
    EXPECT_EQ(r.err, "");
}

// Stream types named by today's table, and the language of a subtitle or
// teletext stream taken from its own descriptor when no ISO_639 one is there.
TEST(Summary, StreamTypeNamesAndLanguagesOfEveryKind)
{
    const Bytes pmt_body = join({Bytes{0xE1, 0x01, 0xF0, 0x00, 0x24, 0xE1, 0x01, 0xF0, 0x00, 0x06, 0xE1, 0x02, 0xF0, 0x0A},
                                 descriptor(0x59, {'e', 'n', 'g', 0x10, 0x00, 0x01, 0x00, 0x02}),
                                 Bytes{0x06, 0xE1, 0x03, 0xF0, 0x07}, descriptor(0x56, {'d', 'e', 'u', 0x11, 0x50}),
                                 Bytes{0x04, 0xE1, 0x04, 0xF0, 0x06}, descriptor(0x0A, {'f', 'r', 'a', 0x00})});
    const Bytes stream = join({section_packets(0x0000, long_section(0x00, 1, 0, {0x00, 0x01, 0xE1, 0x00})),
                               section_packets(0x0100, long_section(0x02, 1, 0, pmt_body))});
    RunOptions summary;
    summary.summary_mode = true;
    summary.json = true;
    const Result r = run_report(stream, summary);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json streams = nlohmann::json::parse(r.out)["programs"][0]["streams"];
    ASSERT_EQ(streams.size(), 4u) << r.out;
    const char* const expected[][2] = {{"HEVC video (ITU-T H.265 | ISO/IEC 23008-2)", nullptr},
                                       {"ITU-T Rec. H.222.0 | ISO/IEC 13818-1 PES packets containing private data", "eng"},
                                       {"ITU-T Rec. H.222.0 | ISO/IEC 13818-1 PES packets containing private data", "deu"},
                                       {"ISO/IEC 13818-3 Audio", "fra"}};
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(streams[i]["stream_type_text"], expected[i][0]) << i;
        EXPECT_EQ(streams[i]["language"], expected[i][1] ? nlohmann::json(expected[i][1]) : nlohmann::json()) << i;
    }
}

TEST(Summary, NothingToSumUp)
{
    RunOptions summary;
    summary.summary_mode = true;
    const Result junk = run_report(Bytes(1000, 0), summary);
    EXPECT_EQ(junk.out, "");
    EXPECT_EQ(junk.err, "No packets found\n");
    EXPECT_EQ(junk.status, 1);
    const Result help = run_program("\"$OSTREL\" --help | head -1; \"$OSTREL\" --version");
    EXPECT_EQ(help.out, "Usage: ostrel FILE [OPTION...]\nostrel 0.1.0\n");
}

}  // namespace
}  // namespace ostrel::test
