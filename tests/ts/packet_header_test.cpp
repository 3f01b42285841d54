#include "ts/packet_header.hpp"
#include "ts/reader.hpp"

#include <gtest/gtest.h>

#include "sources/packet_scan.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

TEST(PacketHeader, DecodesEveryField)
{
    const Bytes p = packet({.pid = 0x1ABC,
                            .start = 1,
                            .error = 0,
                            .priority = 1,
                            .scrambling = 2,
                            .adaptation = 3,
                            .counter = 9,
                            .adaptation_length = 77});
    const PacketHeader h = decode_header(p.data());
    EXPECT_EQ(h.sync_byte, 0x47u);
    EXPECT_EQ(h.transport_error_indicator, 0u);
    EXPECT_EQ(h.payload_unit_start_indicator, 1u);
    EXPECT_EQ(h.transport_priority, 1u);
    EXPECT_EQ(h.PID, 0x1ABCu);
    EXPECT_EQ(h.transport_scrambling_control, 2u);
    EXPECT_EQ(h.adaptation_field_control, 3u);
    EXPECT_EQ(h.continuity_counter, 9u);
    EXPECT_EQ(h.adaptation_field_length, 77u);
    EXPECT_EQ(payload_start(h), 82u);
}

TEST(PacketHeader, AdaptationFieldLengthOnlyWithAnAdaptationField)
{
    for (unsigned control : {0u, 1u}) {
        const Bytes p = packet({.adaptation = control}, {0x99});
        const PacketHeader h = decode_header(p.data());
        EXPECT_EQ(h.adaptation_field_length, 0u);
        EXPECT_EQ(payload_start(h), 4u);
    }
}

TEST(PacketHeader, SectionStartFollowsThePointerField)
{
    Bytes p = packet({.adaptation = 1}, {3});
    EXPECT_EQ(section_start(p.data(), decode_header(p.data())), 8u);
    p = packet({.adaptation = 3, .adaptation_length = 10}, {});
    p[15] = 200;
    EXPECT_EQ(section_start(p.data(), decode_header(p.data())), 216u);  // not wrapped
    // A 250-byte adaptation field leaves the pointer field past the packet.
    p = packet({.adaptation = 2, .adaptation_length = 250});
    EXPECT_EQ(payload_start(decode_header(p.data())), 255u);
    EXPECT_EQ(section_start(p.data(), decode_header(p.data())), packet_size);
}

TEST(PacketHeader, ByteOffsetReadsNeverPassTheEnd)
{
    const Bytes p = packet({}, {});
    const Reader r{p.data(), p.size()};
    EXPECT_EQ(r.u8_at(187), 0xFFu);
    EXPECT_EQ(r.u8_at(188), 0u);
    EXPECT_EQ(r.u8_at(100000), 0u);
    EXPECT_EQ(r.u16_at(186), 0xFFFFu);
    EXPECT_EQ(r.u16_at(187), 0xFF00u);  // the byte past the end reads as 0
    EXPECT_EQ(r.from(180).size, 8u);
    EXPECT_EQ(r.from(189).size, 0u);
    EXPECT_EQ(r.from(100).first(500).size, 88u);
}

unsigned find(const Bytes& file, unsigned pid, Bytes& found, ScanEnd& end)
{
    std::FILE* f = std::tmpfile();
    std::fwrite(file.data(), 1, file.size(), f);
    std::rewind(f);
    unsigned char block[6 * packet_size];
    found.assign(packet_size, 0);
    char text[16];
    Output out{nullptr, text, sizeof text, 0, false};
    SyncLog log{out, stderr};
    // reads of two packets: the search crosses them
    end = find_section_packet(PacketInput{f, block, sizeof block, 2 * packet_size, false, nullptr}, pid, found.data(), log);
    std::fclose(f);
    return found[3];
}

TEST(PacketScan, FindSectionPacketPassesOverErrorsAndContinuations)
{
    const Bytes file = join({packet({.pid = 0x0000, .start = 1, .error = 1, .counter = 1}),
                             packet({.pid = 0x0000, .start = 0, .counter = 2}),
                             packet({.pid = 0x0020, .start = 1, .counter = 3}),
                             packet({.pid = 0x0000, .start = 1, .counter = 4}),
                             packet({.pid = 0x0000, .start = 1, .counter = 5})});
    Bytes found;
    ScanEnd end;
    EXPECT_EQ(find(file, 0x0000, found, end) & 0x0F, 4u);
    EXPECT_EQ(end, ScanEnd::stopped);
    EXPECT_EQ(find(file, 0x0020, found, end) & 0x0F, 3u);
    EXPECT_EQ(end, ScanEnd::stopped);
    find(file, 0x0021, found, end);
    EXPECT_EQ(end, ScanEnd::end_of_file);
    // Compared in 16 bits: 0x2000 is not PID 0x0000.
    find(file, 0x2000, found, end);
    EXPECT_EQ(end, ScanEnd::end_of_file);

    Bytes broken = file;
    broken[3 * packet_size] = 0x00;
    find(broken, 0x0000, found, end);
    EXPECT_EQ(end, ScanEnd::bad_sync);
}

}  // namespace
}  // namespace ostrel::test
