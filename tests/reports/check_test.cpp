// --check on a real stream muxed to meet TR 101 290 (ffmpeg, a PCR every
// 20 ms, PAT and PMT every 0.1 s), and on copies damaged to fail each
// indicator. Packet n of the fixture starts at byte (n - 1) x 188; the
// expected findings were worked out from its bytes: its PCRs run from 0.70 s
// at packet 4 in steps of 20 ms on PID 0100; a packet's time runs linearly
// between the PCRs around it, counted from the first.
#include <gtest/gtest.h>

#include <functional>

#include "support.hpp"

namespace ostrel::test {
namespace {

void make_null(Bytes& s, std::size_t n)
{
    at(s, n)[1] = 0x1F;
    at(s, n)[2] = 0xFF;
}
void set_counter(Bytes& s, std::size_t n, unsigned cc) { at(s, n)[3] = static_cast<unsigned char>((at(s, n)[3] & 0xF0) | cc); }
unsigned pid_of(const unsigned char* p) { return (p[1] & 0x1Fu) << 8 | p[2]; }
std::size_t payload_at(const unsigned char* p) { return (p[3] & 0x20) ? 5u + p[4] : 4u; }

struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* findings;
    const char* last_line;
};

const Case cases[] = {
    {"clean", [](Bytes&) {}, "", "OK"},
    {"a lost packet", [](Bytes& s) { drop(s, 6); },
     "packet 6, byte 940, PID '0100'h, Continuity_count_error: continuity_counter 3, expected 2\n", "1 error"},
    {"a packet twice", [](Bytes& s) { repeat(s, 6, 1); }, "", "OK"},
    {"a packet three times", [](Bytes& s) { repeat(s, 6, 2); },
     "packet 8, byte 1316, PID '0100'h, Continuity_count_error: third copy of a packet, continuity_counter 2, "
     "expected 3\n",
     "1 error"},
    {"a counter repeated on another packet",
     [](Bytes& s) {
         repeat(s, 6, 1);
         at(s, 7)[100] ^= 0xFF;
     },
     "packet 7, byte 1128, PID '0100'h, Continuity_count_error: continuity_counter 2 repeated on a different packet, "
     "expected 3\n",
     "1 error"},
    {"transport_error_indicator", [](Bytes& s) { at(s, 37)[1] |= 0x80; },
     "packet 37, byte 6768, PID '0101'h, Transport_error: transport_error_indicator 1, expected 0\n", "1 error"},
    {"a scrambled PAT packet", [](Bytes& s) { at(s, 15)[3] |= 0x40; },
     "packet 15, byte 2632, PID '0000'h, PAT_error: transport_scrambling_control '01'b on the PAT PID, expected "
     "'00'b\n"
     "packet 15, byte 2632, PID '0000'h, CAT_error: scrambled packet and no CAT section before it\n",
     "2 errors"},
    {"a scrambled PMT packet", [](Bytes& s) { at(s, 16)[3] |= 0x80; },
     "packet 16, byte 2820, PID '1000'h, PMT_error: transport_scrambling_control '10'b on a PMT PID, expected "
     "'00'b\n"
     "packet 16, byte 2820, PID '1000'h, CAT_error: scrambled packet and no CAT section before it\n",
     "2 errors"},
    {"a CRC_32 byte rewritten", [](Bytes& s) { at(s, 15)[20] ^= 0x01; },
     "packet 15, byte 2632, PID '0000'h, CRC_error: CRC_32 0x2AB104B3 in a section with table_id 0x00, computed "
     "0x2AB104B2\n",
     "1 error"},
    // PATs at packets 15 (0.100 s after the first PCR) and 91 (0.900 s) only
    {"PATs stripped for 0.8 s",
     [](Bytes& s) {
         for (const std::size_t n : {22, 29, 45, 53, 60, 68, 84})
             make_null(s, n);
         set_counter(s, 91, 2);
     },
     "packet 91, byte 16920, PID '0000'h, PAT_error: no PAT section for 0.800 s, limit 0.5 s\n", "1 error"},
    {"PMTs stripped for 0.8 s",
     [](Bytes& s) {
         for (const std::size_t n : {23, 30, 46, 54, 61, 69, 85})
             make_null(s, n);
         set_counter(s, 92, 2);
     },
     "packet 92, byte 17108, PID '1000'h, PMT_error: no PMT section of program 1 for 0.800 s, limit 0.5 s\n",
     "1 error"},
    // PCRs of 0.80 to 1.08 s removed: 0.78 s at packet 14, then 1.10 s at packet 47
    {"PCRs removed from a stretch",
     [](Bytes& s) {
         for (std::size_t n = 17; n <= 35; ++n)
             if (pid_of(at(s, n)) == 0x0100)
                 at(s, n)[5] &= 0xEF;
     },
     "packet 47, byte 8648, PID '0100'h, PCR_discontinuity_indicator_error: PCR difference 320.000 ms without "
     "discontinuity_indicator, expected 0 to 100 ms\n"
     "packet 47, byte 8648, PID '0100'h, PCR_repetition_error: PCRs 320.000 ms apart, limit 40 ms\n",
     "2 errors"},
    // PTS in the video PES headers of packets 5 to 88 marked absent: 0.000 s at packet 4, then 0.860 s at 89
    {"no PTS for 0.86 s",
     [](Bytes& s) {
         for (std::size_t n = 5; n <= 88; ++n)
             if (pid_of(at(s, n)) == 0x0100 && (at(s, n)[1] & 0x40))
                 at(s, n)[payload_at(at(s, n)) + 7] &= 0x7F;
     },
     "packet 89, byte 16544, PID '0100'h, PTS_error: PTS 860.000 ms apart, limit 700 ms\n", "1 error"},
    {"a sync byte flipped", [](Bytes& s) { at(s, 50)[0] ^= 0x01; },
     "packet 50, byte 9212, no PID, Sync_byte_error: byte 0x46 where the sync byte 0x47 belongs\n", "1 error"},
    // packets 50 and 51 lost (PCRs 1.16 and 1.18 s): 1.14 s, then 1.20 s at packet 55, now numbered 53
    // 376 bytes from 9212 to 9588: ceil(376 / 188) = 2 positions without 0x47, one loss.
    {"two sync bytes flipped",
     [](Bytes& s) {
         at(s, 50)[0] ^= 0x01;
         at(s, 51)[0] ^= 0x01;
     },
     "packet 50, byte 9212, no PID, Sync_byte_error: byte 0x46 where the sync byte 0x47 belongs\n"
     "packet 50, byte 9212, no PID, TS_sync_loss: sync lost, 376 bytes skipped\n"
     "packet 51, byte 9400, no PID, Sync_byte_error: no sync byte 0x47 at this packet position of the loss\n"
     "packet 53, byte 10152, PID '0100'h, PCR_repetition_error: PCRs 60.000 ms apart, limit 40 ms\n",
     "4 errors"},
    {"an SDT on the CAT PID",
     [](Bytes& s) {
         at(s, 1)[1] = 0x40;
         at(s, 1)[2] = 0x01;
     },
     "packet 1, byte 0, PID '0001'h, CAT_error: table_id 0x42 on the CAT PID, expected 0x01\n", "1 error"},
    // packets 24 to 28 dropped (PCRs 0.90 to 0.98 s); packet 31 follows, now numbered 26
    {"a counter jump with discontinuity_indicator",
     [](Bytes& s) {
         at(s, 31)[5] |= 0x80;
         for (int i = 0; i < 5; ++i)
             drop(s, 24);
     },
     "", "OK"},
    {"the same jump without it",
     [](Bytes& s) {
         for (int i = 0; i < 5; ++i)
             drop(s, 24);
     },
     "packet 26, byte 4700, PID '0100'h, PCR_discontinuity_indicator_error: PCR difference 120.000 ms without "
     "discontinuity_indicator, expected 0 to 100 ms\n"
     "packet 26, byte 4700, PID '0100'h, PCR_repetition_error: PCRs 120.000 ms apart, limit 40 ms\n"
     "packet 26, byte 4700, PID '0100'h, Continuity_count_error: continuity_counter 5, expected 0\n",
     "3 errors"},
    // The audio last seen at packet 105 (byte 19552), with its last PTS at packet 98 (18236), both
    // between the PCRs 0.98 s (18048) and 1.00 s (20304, in the 2nd play): 0.993 s and 0.982 s;
    // then at packet 36 of the 7th play (125020), between 6.38 s (124832) and 6.40 s (127088):
    // 6.382 s. Its counter is 6 x 26 = 156 (12 mod 16) on from 0.
    {"a PID absent for 5 s", [](Bytes& s) { s = looped(s); },
     "packet 666, byte 125020, PID '0101'h, Continuity_count_error: continuity_counter 12, expected 10\n"
     "packet 666, byte 125020, PID '0101'h, PID_error: PID absent for 5.388 s, limit 5 s\n"
     "packet 666, byte 125020, PID '0101'h, PTS_error: PTS 5400.000 ms apart, limit 700 ms\n",
     "3 errors"},
    // The same with no PCR from 0.98 s (18048) to 6.40 s (127088): one stretch of 5.42 s in which
    // the audio's gap of 105468 bytes takes 5.242 s and its PTS 106784 bytes, 5307.862 ms; the gap
    // is found when the stretch ends, and told at its packet.
    // 105 packets, then the first 50 bytes of a 106th: counted, never dropped in silence
    {"the file ends inside a packet", [](Bytes& s) { s.insert(s.end(), s.begin(), s.begin() + 50); },
     "packet 106, byte 19740, no PID, Sync_byte_error: the file ends 50 bytes into a packet of 188\n", "1 error"},
    {"a PID absent for 5 s between two PCRs", [](Bytes& s) { s = looped(s, 47); },
     "packet 666, byte 125020, PID '0101'h, Continuity_count_error: continuity_counter 12, expected 10\n"
     "packet 666, byte 125020, PID '0101'h, PTS_error: PTS 5307.862 ms apart, limit 700 ms\n"
     "packet 666, byte 125020, PID '0101'h, PID_error: PID absent for 5.242 s, limit 5 s\n"
     "packet 677, byte 127088, PID '0100'h, PCR_discontinuity_indicator_error: PCR difference 5420.000 ms "
     "without discontinuity_indicator, expected 0 to 100 ms\n"
     "packet 677, byte 127088, PID '0100'h, PCR_repetition_error: PCRs 5420.000 ms apart, limit 40 ms\n",
     "5 errors"},
};

struct Split {
    std::string findings;
    std::string last_line;
};

Split split(const std::string& out)
{
    const std::size_t table = out.find("=> Indicator");
    const std::size_t last = out.rfind('\n', out.size() - 2);
    return {without_times(out.substr(0, table)), out.substr(last + 1, out.size() - last - 2)};
}

TEST(Check, EachIndicatorOnADamagedCopyOfARealStream)
{
    const Bytes clean = read_bytes(fixture_path("ffmpeg_clean.ts"));
    ASSERT_EQ(clean.size(), 105u * 188);
    RunOptions check;
    check.check_mode = true;
    for (const Case& c : cases) {
        Bytes s = clean;
        c.damage(s);
        const Result r = run_report(s, check);
        const Split got = split(r.out);
        EXPECT_EQ(got.findings, c.findings) << c.name;
        EXPECT_EQ(got.last_line, c.last_line) << c.name;
        EXPECT_EQ(r.status, std::string(c.last_line) == "OK" ? 0 : 1) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
    }
}

// 192-byte packets whose arrival time stamps follow the PCRs exactly; then
// one of them 1 us late.
TEST(Check, PcrAccuracyAgainstArrivalTimeStamps)
{
    const Bytes clean = read_bytes(fixture_path("ffmpeg_clean.ts"));
    Bytes m2ts;
    std::uint64_t arrival = 0;
    for (std::size_t i = 0; i < clean.size(); i += 188) {
        const unsigned char* p = &clean[i];
        if ((p[3] & 0x20) && p[4] >= 7 && (p[5] & 0x10)) {
            const std::uint64_t base = std::uint64_t{p[6]} << 25 | std::uint64_t{p[7]} << 17 | p[8] << 9 | p[9] << 1 | p[10] >> 7;
            arrival = base * 300 + ((p[10] & 1u) << 8 | p[11]);
            if (i / 188 + 1 == 47)
                arrival += 27;  // 1 us
        }
        const auto a = static_cast<std::uint32_t>(arrival & 0x3FFFFFFF);
        m2ts.insert(m2ts.end(), {static_cast<unsigned char>(a >> 24), static_cast<unsigned char>(a >> 16),
                                 static_cast<unsigned char>(a >> 8), static_cast<unsigned char>(a)});
        m2ts.insert(m2ts.end(), p, p + 188);
    }
    RunOptions check;
    check.check_mode = true;
    const Result r = run_report(m2ts, check);
    EXPECT_EQ(split(r.out).findings,
              "packet 47, byte 8832, PID '0100'h, PCR_accuracy_error: PCR off the arrival time stamps by -1000 ns, "
              "limit 500 ns\n"
              "packet 48, byte 9024, PID '0100'h, PCR_accuracy_error: PCR off the arrival time stamps by 1000 ns, "
              "limit 500 ns\n");
    EXPECT_NE(r.out.find("   PCR_accuracy_error                 '2'd      '2'd\n"), std::string::npos);
}

}  // namespace
}  // namespace ostrel::test
