#include <gtest/gtest.h>

#include "support.hpp"

namespace ostrel::test {
namespace {

RunOptions pmt_options(unsigned pid)
{
    RunOptions o;
    o.pmt_mode = true;
    o.pmt_pid = static_cast<std::uint16_t>(pid);
    return o;
}

// A packet on `pid` with pointer field 0, then the section from table_id on.
Bytes section_packet(unsigned pid, std::initializer_list<unsigned> section)
{
    Bytes p = packet({.pid = pid, .start = 1}, {0x00});
    put_bytes(p, 5, section);
    return p;
}

const std::string header_lines_18 = "=> Pointer Field:       '0'd\n"
                                    "=> Table ID:            '02'h, TS_program_map_section\n"
                                    "=> Section Length:      '18'd\n"
                                    "=> Program Number:      '1'd\n"
                                    "=> Version Number:      '0'd\n"
                                    "=> PCR PID:             '0100'h\n"
                                    "=> Program Info Length: '0'd\n"
                                    "=> Elementary Streams\n";

TEST(PmtReport, OneAvcStream)
{
    const Bytes file = section_packet(0x1000, {0x02, 0xB0, 0x12, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00,
                                               0x1B, 0xE1, 0x00, 0xF0, 0x00, 0x11, 0x22, 0x33, 0x44});
    const Result r = run_report(file, pmt_options(0x1000));
    EXPECT_EQ(r.out, header_lines_18 +
                         "   Stream Type[0]:      '1B'h, AVC video stream as defined in ITU-T Rec. H.264 | ISO/IEC "
                         "14496-10 Video\n"
                         "   Elementary PID[0]:   '0100'h\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(PmtReport, NoStreams)
{
    const Bytes file =
        section_packet(0x0042, {0x02, 0xB0, 0x0D, 0x12, 0x34, 0xC5, 0x00, 0x00, 0xFF, 0xFF, 0xF0, 0x00});
    const Result r = run_report(file, pmt_options(0x0042));
    EXPECT_EQ(r.out, "=> Pointer Field:       '0'd\n"
                     "=> Table ID:            '02'h, TS_program_map_section\n"
                     "=> Section Length:      '13'd\n"
                     "=> Program Number:      '4660'd\n"
                     "=> Version Number:      '2'd\n"
                     "=> PCR PID:             '1FFF'h\n"
                     "=> Program Info Length: '0'd\n"
                     "=> Elementary Streams\n");
    EXPECT_EQ(r.status, 0);
}

TEST(PmtReport, DescriptorsShiftTheStreamsAndAreSkipped)
{
    // program_info_length 6; stream 0 carries 3 bytes of ES info.
    const Bytes file = section_packet(
        0x0020, {0x02, 0xB0, 0x22, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x01, 0xF0, 0x06, 0x0A, 0x04, 0x65, 0x6E,
                 0x67, 0x00, 0x24, 0xE1, 0x01, 0xF0, 0x03, 0x01, 0x02, 0x03, 0x7F, 0xE1, 0x02, 0xF0, 0x00,
                 0x81, 0xFF, 0xFF, 0xF0, 0x00, 0xAA, 0xBB, 0xCC, 0xDD});
    EXPECT_EQ(run_report(file, pmt_options(0x0020)).out,
              "=> Pointer Field:       '0'd\n"
              "=> Table ID:            '02'h, TS_program_map_section\n"
              "=> Section Length:      '34'd\n"
              "=> Program Number:      '1'd\n"
              "=> Version Number:      '0'd\n"
              "=> PCR PID:             '0101'h\n"
              "=> Program Info Length: '6'd\n"
              "=> Elementary Streams\n"
              "   Stream Type[0]:      '24'h, ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Reserved\n"
              "   Elementary PID[0]:   '0101'h\n"
              "   Stream Type[1]:      '7F'h, IPMP stream\n"
              "   Elementary PID[1]:   '0102'h\n"
              "   Stream Type[2]:      '81'h, User Private\n"
              "   Elementary PID[2]:   '1FFF'h\n");
}

TEST(PmtReport, FirstSectionOnThePidMustBeAMap)
{
    const Bytes pat = section_packet(0x0000, {0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00});
    const Bytes pmt = section_packet(0x0000, {0x02, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00});
    const Result r = run_report(join({pat, pmt}), pmt_options(0x0000));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Invalid PMT PID\n");
    EXPECT_EQ(r.status, 1);
}

TEST(PmtReport, PidAboveTheRangeNeverMatches)
{
    const Bytes pmt = section_packet(0x0000, {0x02, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00});
    for (unsigned pid : {0x2000u, 0xFFFFu}) {
        const Result r = run_report(pmt, pmt_options(pid));
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 1);
    }
}

const std::string past = "Section continues past this packet\n";

// A map section whose table_id stands at byte `at`, with the packet filled by
// a section of one stream as far as it goes.
Result cut_at(std::size_t at)
{
    Bytes p = packet({.pid = 0x0100, .start = 1, .fill = 0x00}, {static_cast<unsigned>(at - 5)});
    const unsigned section[] = {0x02, 0xB0, 0x12, 0x00, 0x01, 0xC1, 0x00, 0x00,
                                0xE1, 0x00, 0xF0, 0x00, 0x1B, 0xE1, 0x00, 0xF0, 0x00};
    for (std::size_t i = 0; i < std::size(section) && at + i < 188; ++i)
        p[at + i] = static_cast<unsigned char>(section[i]);
    return run_report(p, pmt_options(0x0100));
}

TEST(PmtReport, StopsBeforeTheFirstFieldPastThePacket)
{
    const std::string lines[] = {"=> Pointer Field:       '",
                                 "=> Table ID:            '02'h, TS_program_map_section\n",
                                 "=> Section Length:      '18'd\n",
                                 "=> Program Number:      '1'd\n",
                                 "=> Version Number:      '0'd\n",
                                 "=> PCR PID:             '0100'h\n",
                                 "=> Program Info Length: '0'd\n=> Elementary Streams\n",
                                 "   Stream Type[0]:      '1B'h, AVC video stream as defined in ITU-T Rec. H.264 | "
                                 "ISO/IEC 14496-10 Video\n   Elementary PID[0]:   '0100'h\n"};
    // Where table_id stands, and how many of the lines above are printed before the stop.
    const struct {
        std::size_t at;
        std::size_t printed;
    } cuts[] = {{188, 0}, {187, 2}, {185, 3}, {183, 4}, {182, 5}, {178, 6}, {176, 7}, {172, 7}};
    for (const auto& cut : cuts) {
        const Result r = cut_at(cut.at);
        std::string expected;
        for (std::size_t i = 0; i < cut.printed; ++i)
            expected += i == 0 ? lines[0] + std::to_string(cut.at - 5) + "'d\n" : lines[i];
        EXPECT_EQ(r.out, expected) << cut.at;
        EXPECT_EQ(r.err, past) << cut.at;
        EXPECT_EQ(r.status, 1);
    }
    // Table id at 171: the stream entry ends at byte 187; the CRC is never read.
    const Result fits = cut_at(171);
    EXPECT_EQ(fits.out, "=> Pointer Field:       '166'd\n" + lines[1] + lines[2] + lines[3] + lines[4] + lines[5] +
                            lines[6] + lines[7]);
    EXPECT_EQ(fits.err, "");
    EXPECT_EQ(fits.status, 0);
}

TEST(PmtReport, PointerFieldPastThePacketPrintsNothing)
{
    const Result r = run_report(packet({.pid = 0x0100, .start = 1, .adaptation = 2, .adaptation_length = 200}),
                                pmt_options(0x0100));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, past);
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace ostrel::test
