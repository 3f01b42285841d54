#include <gtest/gtest.h>

#include "support.hpp"

namespace ostrel::test {
namespace {

RunOptions pat_options()
{
    RunOptions o;
    o.pat_mode = true;
    return o;
}

// A PAT packet: pointer field 0, then the section from table_id on.
Bytes pat_packet(std::initializer_list<unsigned> section)
{
    Bytes p = packet({.pid = 0x0000, .start = 1}, {0x00});
    put_bytes(p, 5, section);
    return p;
}

TEST(PatReport, OneProgram)
{
    const Bytes file = pat_packet({0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC3, 0x00, 0x00,  //
                                   0x00, 0x01, 0xF0, 0x00, 0x2A, 0xB1, 0x04, 0xB2});
    const Result r = run_report(file, pat_options());
    EXPECT_EQ(r.out,
              "=> Pointer Field:     '0'd\n"
              "=> Table ID:          '00'h, program_association_section\n"
              "=> Section Length:    '13'd\n"
              "=> Version Number:    '1'd\n"
              "=> Total Programs:    '1'd\n"
              "   Program Number[0]: '1'd\n"
              "   PMT PID[0]:        '1000'h\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(PatReport, ProgramZeroNamesTheNetworkPid)
{
    const Bytes file = pat_packet({0x00, 0xB0, 0x11, 0x00, 0x01, 0xFF, 0x00, 0x00,  //
                                   0x00, 0x00, 0xE0, 0x10, 0x12, 0x34, 0xFF, 0xFE});
    EXPECT_EQ(run_report(file, pat_options()).out,
              "=> Pointer Field:     '0'd\n"
              "=> Table ID:          '00'h, program_association_section\n"
              "=> Section Length:    '17'd\n"
              "=> Version Number:    '31'd\n"
              "=> Total Programs:    '2'd\n"
              "   Program Number[0]: '0'd\n"
              "   NIT PID[0]:        '0010'h\n"
              "   Program Number[1]: '4660'd\n"
              "   PMT PID[1]:        '1FFE'h\n");
}

TEST(PatReport, ShortSectionLengthsListNoProgram)
{
    for (unsigned length : {5u, 9u, 12u}) {
        const Bytes file = pat_packet({0x4A, 0xB0, length, 0x00, 0x01, 0xC1, 0x00, 0x00});
        const Result r = run_report(file, pat_options());
        EXPECT_EQ(r.out, "=> Pointer Field:     '0'd\n"
                         "=> Table ID:          '4a'h, ITU-T Rec. H.222.0 | ISO/IEC 13818-1 reserved, User private or "
                         "Forbidden\n"
                         "=> Section Length:    '" +
                             std::to_string(length) +
                             "'d\n"
                             "=> Version Number:    '0'd\n"
                             "=> Total Programs:    '" +
                             (length == 5 ? std::string("-1") : std::string("0")) + "'d\n");
        EXPECT_EQ(r.status, 0);
    }
}

TEST(PatReport, PointerFieldBehindAnAdaptationFieldAndPassedOverPackets)
{
    Bytes with_field = packet({.pid = 0x0000, .start = 1, .adaptation = 3, .adaptation_length = 100});
    put_bytes(with_field, 105, {0x02, 0xEE, 0xEE, 0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x07, 0xE1,
                                0x00});
    Bytes errored = pat_packet({0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x09, 0xE9, 0x99});
    errored[1] |= 0x80;
    Bytes continued = errored;
    continued[1] = 0x00;
    const Result r = run_report(join({errored, continued, with_field}), pat_options());
    EXPECT_EQ(r.out,
              "=> Pointer Field:     '2'd\n"
              "=> Table ID:          '00'h, program_association_section\n"
              "=> Section Length:    '13'd\n"
              "=> Version Number:    '0'd\n"
              "=> Total Programs:    '1'd\n"
              "   Program Number[0]: '7'd\n"
              "   PMT PID[0]:        '0100'h\n");
}

TEST(PatReport, PatWinsOverPmt)
{
    const Bytes file = pat_packet({0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00});
    RunOptions both = pat_options();
    apply_option(both, "--pmt:1000");
    EXPECT_EQ(run_report(file, both).out, run_report(file, pat_options()).out);
}

TEST(PatReport, NotFoundAndBadSync)
{
    Result r = run_report(packet({.pid = 0x0000}), pat_options());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 1);
    Bytes bad = pat_packet({0x00});
    bad[0] = 0x46;
    r = run_report(join({packet({.pid = 0x0100}), bad}), pat_options());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, invalid_sync_message);
    EXPECT_EQ(r.status, 1);
}

const std::string past = "Section continues past this packet\n";

TEST(PatReport, StopsBeforeTheFirstFieldPastThePacket)
{
    // pointer_field past the packet: a 183-byte adaptation field, and one of 250
    for (unsigned length : {183u, 250u}) {
        const Result r = run_report(packet({.pid = 0, .start = 1, .adaptation = 3, .adaptation_length = length}),
                                    pat_options());
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, past);
        EXPECT_EQ(r.status, 1);
    }
    // table_id past the packet: the pointer points at byte 188
    Bytes p = packet({.pid = 0, .start = 1}, {183});
    Result r = run_report(p, pat_options());
    EXPECT_EQ(r.out, "=> Pointer Field:     '183'd\n");
    EXPECT_EQ(r.err, past);
    // section_length cut: table_id at byte 187
    p = packet({.pid = 0, .start = 1, .fill = 0}, {182});
    r = run_report(p, pat_options());
    EXPECT_EQ(r.out, "=> Pointer Field:     '182'd\n"
                     "=> Table ID:          '00'h, program_association_section\n");
    EXPECT_EQ(r.err, past);
    // version_number cut: table_id at byte 183, its byte 5 would be 188
    p = packet({.pid = 0, .start = 1, .fill = 0}, {178});
    put_bytes(p, 183, {0x00, 0xB0, 0x0D, 0x00, 0x01});
    r = run_report(p, pat_options());
    EXPECT_EQ(r.out, "=> Pointer Field:     '178'd\n"
                     "=> Table ID:          '00'h, program_association_section\n"
                     "=> Section Length:    '13'd\n");
    EXPECT_EQ(r.err, past);
    EXPECT_EQ(r.status, 1);
}

TEST(PatReport, ProgramsThatContinueInTheNextPacket)
{
    // 45 programs announced; entries 0..43 fill bytes 13..188 short of one byte.
    Bytes p = pat_packet({0x00, 0xB0, 9 + 45 * 4, 0x00, 0x01, 0xC1, 0x00, 0x00});
    std::string expected = "=> Pointer Field:     '0'd\n"
                           "=> Table ID:          '00'h, program_association_section\n"
                           "=> Section Length:    '189'd\n"
                           "=> Version Number:    '0'd\n"
                           "=> Total Programs:    '45'd\n";
    for (unsigned n = 0; n < 44; ++n) {
        if (13 + 4 * n + 3 > 187)
            break;
        put_bytes(p, 13 + 4 * n, {0x00, n + 1, 0xE0, 0x20 + n});
        char lines[128];
        std::snprintf(lines, sizeof lines, "   Program Number[%u]: '%u'd\n   PMT PID[%u]:        '%04X'h\n", n, n + 1,
                      n, 0x20 + n);
        expected += lines;
    }
    const Result r = run_report(p, pat_options());
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, past);
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace ostrel::test
