// The packet report over synthetic packets: every line as the report lays it out.
#include <gtest/gtest.h>

#include "support.hpp"

namespace ostrel::test {
namespace {

const std::string separator =
    "\n===============================================================================\n\n";
const std::string ff16 = "FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:";

// `count` full dump lines of FF bytes, none of them the last of its dump.
std::string ff_rows(int count, const std::string& indent = "   ")
{
    std::string rows;
    for (int i = 0; i < count; ++i)
        rows += indent + ff16 + "\n";
    return rows;
}

RunOptions every_packet() { return RunOptions{}; }

TEST(PacketReport, PayloadOnlyPacket)
{
    const Bytes file = packet({.pid = 0x0100, .counter = 5}, {0x12, 0x34});
    const Result r = run_report(file, every_packet());
    EXPECT_EQ(r.out,
              "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n"
              "=> Transport Error Indicator:    '0'b, No Error\n"
              "=> Payload Unit Start Indicator: '0'b, Intermediate\n"
              "=> Transport Priority:           '0'b, Low\n"
              "=> PID:                          '0100'h, User Defined (NIT, PMT or PES)\n"
              "=> Transport Scrambling Control: '00'b, Not Scrambled\n"
              "=> Adaptation Field Control:     '01'b, No Adaptation Field, Payload only\n"
              "=> Continuity Counter:           '5'd\n"
              "=> Adaptation Field Length:      '0'd\n"
              "=> Payload Length:               '184'd\n"
              "=> Payload (hex values)\n"
              "   12:34:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:\n" +
                  ff_rows(10) + "   FF:FF:FF:FF:FF:FF:FF:FF\n" + separator);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(PacketReport, AdaptationFieldFollowedByPayloadWithEveryFlagSet)
{
    const Bytes file = packet({.pid = 0x1FFF,
                               .start = 1,
                               .error = 1,
                               .priority = 1,
                               .scrambling = 2,
                               .adaptation = 3,
                               .counter = 15,
                               .adaptation_length = 170},
                              {0x10, 0x20});
    const Result r = run_report(file, every_packet());
    EXPECT_EQ(r.out,
              "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n"
              "=> Transport Error Indicator:    '1'b, Error\n"
              "=> Payload Unit Start Indicator: '1'b, start\n"
              "=> Transport Priority:           '1'b, High\n"
              "=> PID:                          '1FFF'h, Null Packet\n"
              "=> Transport Scrambling Control: '10'b, User Defined\n"
              "=> Adaptation Field Control:     '11'b, Adaptation Field followed by Payload\n"
              "=> Continuity Counter:           '15'd\n"
              "=> Adaptation Field Length:      '170'd\n"
              "=> Adaptation Field\n"
              "   10:20:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:\n" +
                  ff_rows(9) +
                  "   FF:FF:FF:FF:FF:FF:FF:FF:FF:FF\n"
                  "=> Payload Length:               '13'd\n"
                  "=> Payload (hex values)\n"
                  "   FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF\n" +
                  separator);
}

TEST(PacketReport, AdaptationFieldOfZeroLengthLeavesPayloadFromByteFive)
{
    Bytes p = packet({.pid = 0x0001, .scrambling = 1, .adaptation = 3, .adaptation_length = 0}, {0xAA});
    const Result r = run_report(p, every_packet());
    EXPECT_EQ(r.out,
              "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n"
              "=> Transport Error Indicator:    '0'b, No Error\n"
              "=> Payload Unit Start Indicator: '0'b, Intermediate\n"
              "=> Transport Priority:           '0'b, Low\n"
              "=> PID:                          '0001'h, Conditional Access Table (CAT))\n"
              "=> Transport Scrambling Control: '01'b, User Defined\n"
              "=> Adaptation Field Control:     '11'b, Adaptation Field followed by Payload\n"
              "=> Continuity Counter:           '0'd\n"
              "=> Adaptation Field Length:      '0'd\n"
              "=> Payload Length:               '183'd\n"
              "=> Payload (hex values)\n"
              "   AA:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:\n" +
                  ff_rows(10) + "   FF:FF:FF:FF:FF:FF:FF\n" + separator);
}

// adaptation_field_control 2 with the longest field the packet holds, and with
// lengths that claim more: the dump shows the 183 bytes there are, no payload.
TEST(PacketReport, AdaptationFieldOnlyUpToAndPastThePacketEnd)
{
    for (unsigned length : {183u, 184u, 255u}) {
        Bytes p = packet({.pid = 0x0002, .scrambling = 3, .adaptation = 2, .adaptation_length = length}, {0x01});
        p[187] = 0xEE;
        const Result r = run_report(p, every_packet());
        EXPECT_EQ(r.out,
                  "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n"
                  "=> Transport Error Indicator:    '0'b, No Error\n"
                  "=> Payload Unit Start Indicator: '0'b, Intermediate\n"
                  "=> Transport Priority:           '0'b, Low\n"
                  "=> PID:                          '0002'h, Transport Stream Description Table (TSDT)\n"
                  "=> Transport Scrambling Control: '11'b, User Defined\n"
                  "=> Adaptation Field Control:     '10'b, Adaptation Field only, No Payload\n"
                  "=> Continuity Counter:           '0'd\n"
                  "=> Adaptation Field Length:      '" +
                      std::to_string(length) +
                      "'d\n"
                      "=> Adaptation Field\n"
                      "   01:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:FF:\n" +
                      ff_rows(10) +
                      "   FF:FF:FF:FF:FF:FF:EE\n"
                      "=> Payload Length:               '0'd\n" +
                      separator)
            << length;
        EXPECT_EQ(r.status, 0);
    }
}

TEST(PacketReport, ReservedAdaptationFieldControlReadsLikePayloadOnly)
{
    const Bytes p = packet({.pid = 0x0005, .adaptation = 0, .fill = 0x00}, {0x47});
    const Result r = run_report(p, every_packet());
    const std::string zero16 = "00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:";
    std::string rows;
    for (int i = 0; i < 10; ++i)
        rows += "   " + zero16 + "\n";
    EXPECT_EQ(r.out,
              "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n"
              "=> Transport Error Indicator:    '0'b, No Error\n"
              "=> Payload Unit Start Indicator: '0'b, Intermediate\n"
              "=> Transport Priority:           '0'b, Low\n"
              "=> PID:                          '0005'h, Reserved\n"
              "=> Transport Scrambling Control: '00'b, Not Scrambled\n"
              "=> Adaptation Field Control:     '00'b, Reserved\n"
              "=> Continuity Counter:           '0'd\n"
              "=> Adaptation Field Length:      '0'd\n"
              "=> Payload Length:               '184'd\n"
              "=> Payload (hex values)\n"
              "   47:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:\n" +
                  rows + "   00:00:00:00:00:00:00:00\n" + separator);
}

// A packet whose PID text and block are known; only its number varies.
std::string short_block(unsigned number, const std::string& pid_line, const std::string& end = separator)
{
    return "=> Sync Byte:                    '47'h, TS Packet (No. " + std::to_string(number) +
           ")\n"
           "=> Transport Error Indicator:    '0'b, No Error\n"
           "=> Payload Unit Start Indicator: '0'b, Intermediate\n"
           "=> Transport Priority:           '0'b, Low\n" +
           pid_line +
           "=> Transport Scrambling Control: '00'b, Not Scrambled\n"
           "=> Adaptation Field Control:     '10'b, Adaptation Field only, No Payload\n"
           "=> Continuity Counter:           '0'd\n"
           "=> Adaptation Field Length:      '182'd\n"
           "=> Adaptation Field\n" +
           ff_rows(11) +
           "   FF:FF:FF:FF:FF:FF\n"
           "=> Payload Length:               '1'd\n"
           "=> Payload (hex values)\n"
           "   FF\n" +
           end;
}

Bytes short_packet(unsigned pid) { return packet({.pid = pid, .adaptation = 2, .adaptation_length = 182}); }

const std::string pid_0100 = "=> PID:                          '0100'h, User Defined (NIT, PMT or PES)\n";
const std::string pid_0200 = "=> PID:                          '0200'h, User Defined (NIT, PMT or PES)\n";
const std::string pid_0000 = "=> PID:                          '0000'h, Program Association Table (PAT)\n";

TEST(PacketReport, PidSelectionKeepsNumberingOverTheWholeFile)
{
    const Bytes file = join({short_packet(0x0100), short_packet(0x0200), short_packet(0x0100), short_packet(0)});
    RunOptions options;
    options.pid_filter = 0x0100;
    EXPECT_EQ(run_report(file, options).out, short_block(1, pid_0100) + short_block(3, pid_0100));
    options.pid_filter = 0x0000;
    EXPECT_EQ(run_report(file, options).out, short_block(4, pid_0000));
    options.pid_filter = 0x0300;
    const Result none = run_report(file, options);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.status, 0);
    options.pid_filter = 0xFFFF;
    EXPECT_EQ(run_report(file, options).out, short_block(1, pid_0100) + short_block(2, pid_0200) +
                                                 short_block(3, pid_0100) + short_block(4, pid_0000));
}

TEST(PacketReport, TrailingPieceIsIgnored)
{
    Bytes file = join({short_packet(0x0100), short_packet(0x0200)});
    file.resize(188 + 187);
    const Result r = run_report(file, every_packet());
    EXPECT_EQ(r.out, short_block(1, pid_0100));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST(PacketReport, EmptyAndShortFilesPrintNothing)
{
    for (std::size_t size : {0u, 1u, 187u}) {
        Bytes file = short_packet(0x0100);
        file.resize(size);
        for (const char* option : {"", "--pat", "--pmt:0100", "--pid:0100", "-walk"}) {
            RunOptions options;
            apply_option(options, option);
            const Result r = run_report(file, options);
            EXPECT_EQ(r.out, "") << option;
            EXPECT_EQ(r.err, "") << option;
        }
    }
}

TEST(PacketReport, BadSyncByteStopsTheReport)
{
    Bytes bad = short_packet(0x0100);
    bad[0] = 0x48;
    const Bytes file = join({short_packet(0x0100), short_packet(0x0200), bad, short_packet(0x0100)});
    const Result r = run_report(file, every_packet());
    EXPECT_EQ(r.out, short_block(1, pid_0100) + short_block(2, pid_0200));
    EXPECT_EQ(r.err, invalid_sync_message);
    EXPECT_EQ(r.status, 1);

    // A stream of 204-byte packets loses step after the first one.
    Bytes first = short_packet(0x0100);
    first.resize(204, 0x00);
    const Result shifted = run_report(join({first, first}), every_packet());
    EXPECT_EQ(shifted.out, short_block(1, pid_0100));
    EXPECT_EQ(shifted.err, invalid_sync_message);
}

TEST(PacketReport, BadSyncByteStopsAReportThatPassesPacketsBy)
{
    // The packets a PID selection or a table search passes by have their
    // sync bytes checked all the same: the report stops at packet 5 (inside
    // the second read of three packets), never showing packet 6.
    Bytes bad = short_packet(0x0100);
    bad[0] = 0x48;
    const Bytes file = join({short_packet(0x0100), short_packet(0x0200), short_packet(0x0100), short_packet(0x0100), bad,
                             short_packet(0x0200), packet({.pid = 0, .start = 1})});
    struct Row {
        const char* option;
        std::string out;
    } rows[] = {
        {"--pid:0200", short_block(2, pid_0200)},
        {"--pid:0300", ""},
        {"--pat", ""},  // packet 7 would start its PAT
    };
    for (const Row& row : rows) {
        RunOptions options;
        apply_option(options, row.option);
        const Result r = run_report(file, options);
        EXPECT_EQ(r.out, row.out) << row.option;
        EXPECT_EQ(r.err, invalid_sync_message) << row.option;
        EXPECT_EQ(r.status, 1) << row.option;
    }
}

TEST(PacketReport, StepModePromptsAfterEveryPacket)
{
    const std::string prompt = "Press \"enter\" to continue...\n";
    const Bytes file = join({short_packet(0x0100), short_packet(0x0200), short_packet(0x0100)});
    RunOptions options;
    options.step_mode = true;
    const std::string expected =
        short_block(1, pid_0100, prompt) + short_block(2, pid_0200, prompt) + short_block(3, pid_0100, prompt);
    // Enough lines, too few lines, none at all, and text without a final newline:
    // the end of the keys counts as Enter.
    for (const char* keys : {"\n\n\n", "\n", "", "typed text\nmore"}) {
        const Result r = run_report(file, options, keys);
        EXPECT_EQ(r.out, expected) << keys;
        EXPECT_EQ(r.status, 0);
    }
}

}  // namespace
}  // namespace ostrel::test
