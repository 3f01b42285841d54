// The one time model of --summary and --check on damaged and spliced copies
// of a real stream, and which PIDs the PCR and PTS indicators look at.
// ffmpeg_clean.ts: 105 packets; PCRs on PID 0100 every 20 ms from packet 4
// (byte 564, 0.70 s) to packet 97 (byte 18048, 1.68 s), 50 of them, mostly
// one packet (188 bytes) apart; PAT on 0000, PMT on 1000 naming the video
// 0100 (0x1B) and the audio 0101 (0x0F).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>

#include "support.hpp"

namespace ostrel::test {
namespace {

void flip_pcr_high_bit(Bytes& s, std::size_t n)
{
    ASSERT_TRUE((at(s, n)[3] & 0x20) && (at(s, n)[5] & 0x10)) << "packet " << n << " has no PCR";
    at(s, n)[6] ^= 0x40;  // bit 31 of program_clock_reference_base: 2^31 / 90 kHz = 23860.9 s on
}

nlohmann::json summary_of(const Bytes& s)
{
    RunOptions summary;
    summary.summary_mode = true;
    summary.json = true;
    return nlohmann::json::parse(run_report(s, summary).out);
}

struct Timing {
    const char* name;
    std::function<Bytes(const Bytes&)> make;
    double duration;  // s
    double bytes;     // between the first and the last PCR of PID 0100
};

TEST(TimeModel, DurationOfDamagedAndSplicedStreams)
{
    const Bytes clean = read_bytes(fixture_path("ffmpeg_clean.ts"));
    const Timing cases[] = {
        {"clean", [](const Bytes& s) { return s; }, 0.98, 17484},
        // Packet 57's PCR 23860.9 s on: the intervals 56-57 and 57-58 (188 bytes each) do not
        // count and are timed at the rate before, 188 bytes a 20 ms: 0.94 + 0.04 s.
        {"one PCR's high bit flipped, steady rate",
         [](const Bytes& s) {
             Bytes d = s;
             flip_pcr_high_bit(d, 57);
             return d;
         },
         0.98, 17484},
        // Packet 55: the intervals 51-55 (752 bytes) and 55-56 (188) at 188 bytes a 20 ms
        // (51 before): 0.94 + 940 / 188 x 0.02 = 1.04 s.
        {"one PCR's high bit flipped after a burst",
         [](const Bytes& s) {
             Bytes d = s;
             flip_pcr_high_bit(d, 55);
             return d;
         },
         1.04, 17484},
        // Two plays, the second's first PCR (packet 109, byte 20304) with discontinuity_indicator:
        // 0.98 s, the join of 20304 - 18048 = 2256 bytes at the 188 bytes a 20 ms before it
        // (0.24 s), 0.98 s; bytes from 564 to 19740 + 18048.
        {"two plays spliced",
         [](const Bytes& s) {
             Bytes d = join({s, s});
             at(d, 105 + 4)[5] |= 0x80;
             return d;
         },
         2.20, 37224},
    };
    for (const Timing& c : cases) {
        const auto json = summary_of(c.make(clean));
        ASSERT_TRUE(json["duration_s"].is_number()) << c.name;
        EXPECT_NEAR(json["duration_s"].get<double>(), c.duration, 1e-9) << c.name;
        EXPECT_NEAR(json["bitrate_bps"].get<double>(), c.bytes * 8 / c.duration, 1e-6) << c.name;
        EXPECT_EQ(json["pcr_pid"], 0x0100) << c.name;
    }
}

// A PMT on 1000 like the fixture's, with `audio_info` as the ES_info of the audio 0101.
Bytes pmt_section(const Bytes& audio_info)
{
    Bytes body{0xE1, 0x00, 0xF0, 0x00, 0x1B, 0xE1, 0x00, 0xF0, 0x00, 0x0F, 0xE1, 0x01,
               static_cast<unsigned char>(0xF0 | audio_info.size() >> 8), static_cast<unsigned char>(audio_info.size())};
    body.insert(body.end(), audio_info.begin(), audio_info.end());
    return long_section(0x02, 1, 0, body);
}

// Every PMT packet of the stream carries `section` instead, its counter kept.
void replace_pmt(Bytes& s, const Bytes& section)
{
    for (std::size_t i = 0; i < s.size(); i += 188) {
        if (((s[i + 1] & 0x1F) << 8 | s[i + 2]) != 0x1000)
            continue;
        Bytes p = section_packets(0x1000, section, s[i + 3] & 0x0F);
        ASSERT_EQ(p.size(), 188u);
        std::copy(p.begin(), p.end(), s.begin() + static_cast<long>(i));
    }
}

// The stream played 7 times, the audio gone from the 2nd to the 6th (its
// PTS 5.4 s apart across the gap), its PMT entry holding `info`.
Bytes audio_gap(const Bytes& s, const Bytes& info)
{
    Bytes d = looped(s);
    replace_pmt(d, pmt_section(info));
    return d;
}

// As in the check test "a PID absent for 5 s".
const std::string audio_gap_findings =
    "packet 666, byte 125020, PID '0101'h, Continuity_count_error: continuity_counter 12, expected 10\n"
    "packet 666, byte 125020, PID '0101'h, PID_error: PID absent for 5.388 s, limit 5 s\n";

struct Looked {
    const char* name;
    std::function<Bytes(const Bytes&)> make;
    std::string findings;
};

TEST(TimeModel, IndicatorsLookAtTheStreamsTheyAreMeantFor)
{
    const Bytes clean = read_bytes(fixture_path("ffmpeg_clean.ts"));
    // An adaptation-only packet on 0200 with a PCR.
    const auto pcr_packet = [](unsigned counter, unsigned base_high) {
        return packet({.pid = 0x0200, .adaptation = 2, .counter = counter, .adaptation_length = 183},
                      {0x10, base_high, 0, 0, 0, 0x7E, 0});
    };
    const Looked cases[] = {
        // PCRs 2^25 / 90 kHz = 373 s apart on a PID no PMT names: not checked.
        {"PCRs on a PID that no program names",
         [&](const Bytes& s) {
             Bytes d = s;
             const Bytes first = pcr_packet(0, 0x01), second = pcr_packet(1, 0x02);
             d.insert(d.begin() + 60 * 188, second.begin(), second.end());
             d.insert(d.begin() + 10 * 188, first.begin(), first.end());
             return d;
         },
         ""},
        // PTS 5.4 s apart: checked on audio, not once its PMT entry says subtitles or teletext.
        {"an audio stream absent for 5.4 s", [](const Bytes& s) { return audio_gap(s, {}); }, audio_gap_findings +
         "packet 666, byte 125020, PID '0101'h, PTS_error: PTS 5400.000 ms apart, limit 700 ms\n"},
        {"a subtitle stream absent for 5.4 s",
         [](const Bytes& s) { return audio_gap(s, descriptor(0x59, {'e', 'n', 'g', 0x10, 0x00, 0x01, 0x00, 0x01})); },
         audio_gap_findings},
        {"a teletext stream absent for 5.4 s",
         [](const Bytes& s) { return audio_gap(s, descriptor(0x56, {'e', 'n', 'g', 0x09, 0x00})); }, audio_gap_findings},
    };
    RunOptions check;
    check.check_mode = true;
    for (const Looked& c : cases) {
        const Result r = run_report(c.make(clean), check);
        EXPECT_EQ(without_times(r.out.substr(0, r.out.find("=> Indicator"))), c.findings) << c.name;
        EXPECT_EQ(r.out.find("\nOK\n") != std::string::npos, c.findings.empty()) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
    }
}

}  // namespace
}  // namespace ostrel::test
