// What the --summary PID table says each PID carries, on a synthetic stream:
// three programs in the PAT (1 on 1000, 2 on 1001, 3 on 1002), the video 0100
// in programs 1 and 2, program 2's PCRs on 0200 with no payload, program 3's
// only PMT with a wrong CRC_32, and SI sections on 0010 to 0014.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support.hpp"

namespace ostrel::test {
namespace {

Bytes pat()
{
    return long_section(0x00, 1, 0, {0x00, 0x01, 0xF0, 0x00, 0x00, 0x02, 0xF0, 0x01, 0x00, 0x03, 0xF0, 0x02});
}

// program_number, PCR_PID, then (stream_type, PID) pairs without descriptors.
Bytes pmt(unsigned program, unsigned pcr_pid, std::initializer_list<std::pair<unsigned, unsigned>> streams)
{
    Bytes body{static_cast<unsigned char>(0xE0 | pcr_pid >> 8), static_cast<unsigned char>(pcr_pid), 0xF0, 0x00};
    for (const auto& [type, pid] : streams) {
        for (const unsigned b : {type, 0xE0 | pid >> 8, pid & 0xFF, 0xF0u, 0x00u})
            body.push_back(static_cast<unsigned char>(b));
    }
    return long_section(0x02, program, 0, body);
}

Bytes stream()
{
    Bytes wrong_pmt = pmt(3, 0x0300, {{0x1B, 0x0300}});
    wrong_pmt.back() ^= 0x01;
    Bytes wrong_eit = long_section(0x4E, 1, 0, Bytes(11, 0x00));
    wrong_eit.back() ^= 0x01;
    const Bytes pcr_only = packet({.pid = 0x0200, .adaptation = 2, .adaptation_length = 183}, {0x10, 0, 0, 0, 0, 0x7E, 0});
    return join({section_packets(0x0000, pat()), section_packets(0x1000, pmt(1, 0x0100, {{0x1B, 0x0100}, {0x0F, 0x0101}})),
                 section_packets(0x1001, pmt(2, 0x0200, {{0x1B, 0x0100}})), section_packets(0x1002, wrong_pmt),
                 section_packets(0x0010, long_section(0x40, 1, 0, {0xF0, 0x00, 0xF0, 0x00})),
                 section_packets(0x0011, long_section(0x42, 1, 0, {0x00, 0x01, 0xFF})),
                 section_packets(0x0012, wrong_eit),
                 section_packets(0x0014, short_section(0x70, {0xE3, 0x6A, 0x12, 0x34, 0x56}, false)),
                 packet({.pid = 0x0100}), packet({.pid = 0x0101}), pcr_only, packet({.pid = 0x1FFF})});
}

struct Carries {
    unsigned pid;
    const char* carries;
    std::vector<unsigned> programs;
};

TEST(Summary, WhatEachPidCarries)
{
    const std::string avc = "AVC video stream as defined in ITU-T Rec. H.264 | ISO/IEC 14496-10 Video";
    const Carries cases[] = {
        {0x0000, "PAT", {}},
        {0x0010, "NIT", {}},
        {0x0011, "SDT/BAT", {}},
        {0x0012, "User Defined (NIT, PMT or PES)", {}},  // its only section's CRC_32 is wrong
        {0x0014, "TDT/TOT", {}},                          // a TDT has no CRC_32
        {0x0100, "AVC video stream as defined in ITU-T Rec. H.264 | ISO/IEC 14496-10 Video, programs 1, 2", {1, 2}},
        {0x0101, "ISO/IEC 13818-7 Audio with ADTS transport syntax, program 1", {1}},
        {0x0200, "PCR only, program 2", {2}},
        {0x1000, "PMT of program 1", {1}},
        {0x1001, "PMT of program 2", {2}},
        {0x1002, "PMT of program 3", {3}},
        {0x1FFF, "Null packets", {}},
    };
    RunOptions summary;
    summary.summary_mode = true;
    summary.json = true;
    const auto json = nlohmann::json::parse(run_report(stream(), summary).out);
    ASSERT_EQ(json["pids"].size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& pid = json["pids"][i];
        EXPECT_EQ(pid["pid"], cases[i].pid);
        EXPECT_EQ(pid["carries"], cases[i].carries) << cases[i].pid;
        EXPECT_EQ(pid["program_numbers"], nlohmann::json(cases[i].programs)) << cases[i].pid;
    }
    EXPECT_EQ(json["programs"][2]["pmt_crc_errors"], 1);
    summary.json = false;
    const std::string text = run_report(stream(), summary).out;
    EXPECT_NE(text.find("   Program Number:     '3'd\n   PMT PID:            '1002'h\n"
                        "   PCR PID:            no map section with a correct CRC_32 ('1'd with a wrong one)\n"),
              std::string::npos)
        << text;
}

// ffmpeg without -muxrate, six audio streams: the audio left after the last
// PCR comes in one burst, timed at the mean rate, and no PTS is late.
TEST(Summary, VariableRateMultiAudioHasNoLatePts)
{
    RunOptions check;
    check.check_mode = true;
    const Result r = run_report(read_bytes(fixture_path("ffmpeg_multi_audio.ts")), check);
    EXPECT_EQ(r.out.find("PTS_error:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   PTS_error                          '2'd      '0'd\n"), std::string::npos);
}

}  // namespace
}  // namespace ostrel::test
