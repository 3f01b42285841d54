// The decoded structs of the PAT, the PMT and the CA_descriptor, and the
// table registry, from sections built here byte by byte (ISO/IEC 13818-1
// 2.4.4.3, 2.4.4.8, 2.6.16; EN 300 468 5.1.3).
#include <gtest/gtest.h>

#include "psi/model/cat.hpp"
#include "psi/model/pat.hpp"
#include "psi/model/pmt.hpp"
#include "psi/table_registry.hpp"
#include "support.hpp"

namespace ostrel {
namespace {

using test::Bytes;
using test::long_section;

SectionBytes bytes_of(const Bytes& s) { return SectionBytes{s.data(), s.size()}; }

TEST(PatModel, EntriesAndTheEntryCutShort)
{
    struct Case {
        const char* name;
        Bytes body;  // after the 8-byte header, before the CRC_32
        unsigned count, tail;
        std::vector<PatEntry> entries;
        unsigned cut_program;  // the program_number of the entry cut short, when 2 or 3 bytes of it are there
    };
    const Case cases[] = {
        {"no entry", {}, 0, 0, {}, 0},
        {"network and one program", {0x00, 0x00, 0xE0, 0x10, 0x00, 0x07, 0xE4, 0x81}, 2, 0,
         {{0, 0x0010}, {7, 0x0481}}, 0},
        {"one byte over", {0x00, 0x01, 0xF0, 0x00, 0x12}, 1, 1, {{1, 0x1000}}, 0},
        {"two bytes over", {0x00, 0x01, 0xF0, 0x00, 0x12, 0x34}, 1, 2, {{1, 0x1000}}, 0x1234},
        {"three bytes over", {0x00, 0x01, 0xF0, 0x00, 0x00, 0x09, 0xE1}, 1, 3, {{1, 0x1000}}, 9},
        {"reserved bits are not the PID", {0x00, 0x02, 0x1F, 0xFF}, 1, 0, {{2, 0x1FFF}}, 0},
    };
    for (const Case& c : cases) {
        const Bytes s = long_section(0x00, 0x0431, 5, c.body);
        PatSection pat;
        decode_pat(bytes_of(s), pat);
        EXPECT_EQ(pat.table_id, 0u) << c.name;
        EXPECT_EQ(pat.section_length, 9 + c.body.size()) << c.name;
        EXPECT_EQ(pat.transport_stream_id, 0x0431u) << c.name;
        EXPECT_EQ(pat.version_number, 5u) << c.name;
        EXPECT_EQ(pat.current_next_indicator, 1u) << c.name;
        ASSERT_EQ(pat.count, c.count) << c.name;
        EXPECT_EQ(pat.tail, c.tail) << c.name;
        for (unsigned k = 0; k < c.count; ++k) {
            EXPECT_EQ(pat.entries[k].program_number, c.entries[k].program_number) << c.name << " " << k;
            EXPECT_EQ(pat.entries[k].pid, c.entries[k].pid) << c.name << " " << k;
        }
        if (c.tail >= 2) {
            EXPECT_EQ(pat.entries[c.count].program_number, c.cut_program) << c.name;
        }
    }
}

TEST(PatModel, StartOfASectionAsAPacketHoldsIt)
{
    // The 12 bits after the flags hold 0xD0D: their low 10 bits are 0x10D = 269,
    // (269 - 9) / 4 = 65 entries declared.
    Bytes s = {0x00, 0xBD, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xE1, 0x00, 0x00, 0x02, 0xE2};
    struct Case {
        const char* name;
        std::size_t held;
        long declared;
        unsigned count;
    };
    const Case cases[] = {
        {"the header cut", 5, 65, 0},
        {"one entry whole, one cut", 15, 65, 1},
    };
    for (const Case& c : cases) {
        PatSection pat;
        decode_pat_start(s.data(), c.held, pat);
        EXPECT_EQ(pat.section_length, 0x10Du) << c.name;
        EXPECT_EQ(pat_declared_entries(pat), c.declared) << c.name;
        EXPECT_EQ(pat.count, c.count) << c.name;
        EXPECT_TRUE(pat_holds(pat, c.held - 1)) << c.name;
        EXPECT_FALSE(pat_holds(pat, c.held)) << c.name;
    }
    // A section_length below 9 declares no entry, whatever the bytes hold.
    s[1] = 0xB0;
    s[2] = 5;
    PatSection pat;
    decode_pat_start(s.data(), s.size(), pat);
    EXPECT_EQ(pat_declared_entries(pat), -1);
    EXPECT_EQ(pat.count, 0u);
}

// A stream entry: stream_type, reserved and elementary_PID, reserved and ES_info_length, its descriptors.
Bytes stream_entry(unsigned type, unsigned pid, const Bytes& info)
{
    const auto byte = [](std::size_t v) { return static_cast<unsigned char>(v); };
    Bytes e = {byte(type), byte(0xE0 | pid >> 8), byte(pid & 0xFF), byte(0xF0 | info.size() >> 8), byte(info.size() & 0xFF)};
    e.insert(e.end(), info.begin(), info.end());
    return e;
}

TEST(PmtModel, HowMuchOfEachEntryTheBytesHold)
{
    const Bytes language = test::descriptor(0x0A, {'e', 'n', 'g', 0});
    const Bytes info = test::descriptor(0x05, {'H', 'D', 'M', 'V'});
    // PCR_PID 0x0100, program_info_length 6 (the registration descriptor).
    Bytes header = {0xE1, 0x00, 0xF0, 0x06};
    header.insert(header.end(), info.begin(), info.end());
    const Bytes video = stream_entry(0x1B, 0x0100, {});
    const Bytes audio = stream_entry(0x0F, 0x0101, language);
    struct Case {
        const char* name;
        Bytes loop;
        unsigned count, streams;  // entries, and those whose ES_info_length is held
        PmtHeld last;
    };
    const auto cut = [](Bytes b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); };
    const Case cases[] = {
        {"two whole", test::join({video, audio}), 2, 2, PmtHeld::whole},
        {"stream_type alone", test::join({video, cut(audio, 2)}), 2, 1, PmtHeld::type},
        {"without ES_info_length", test::join({video, cut(audio, 4)}), 2, 1, PmtHeld::pid},
        {"descriptors cut", test::join({video, cut(audio, 7)}), 2, 2, PmtHeld::info_cut},
        {"no stream", {}, 0, 0, PmtHeld::whole},
    };
    for (const Case& c : cases) {
        const Bytes s = long_section(0x02, 0x0001, 3, test::join({header, c.loop}));
        PmtSection pmt;
        decode_pmt(bytes_of(s), pmt);
        EXPECT_EQ(pmt.program_number, 1u) << c.name;
        EXPECT_EQ(pmt.version_number, 3u) << c.name;
        EXPECT_TRUE(pmt.pcr_known && pmt.info_known) << c.name;
        EXPECT_EQ(pmt.pcr_pid, 0x0100u) << c.name;
        EXPECT_EQ(pmt.program_info_length, 6u) << c.name;
        EXPECT_EQ(pmt.program_info_held, 6u) << c.name;
        ASSERT_EQ(pmt.count, c.count) << c.name;
        EXPECT_EQ(pmt_stream_count(pmt), c.streams) << c.name;
        if (c.count == 0)
            continue;
        EXPECT_EQ(pmt.streams[0].stream_type, 0x1Bu) << c.name;
        EXPECT_EQ(pmt.streams[0].elementary_pid, 0x0100u) << c.name;
        EXPECT_EQ(pmt.streams[1].stream_type, 0x0Fu) << c.name;
        EXPECT_EQ(pmt.streams[1].held, c.last) << c.name;
        if (c.last >= PmtHeld::pid) {
            EXPECT_EQ(pmt.streams[1].elementary_pid, 0x0101u) << c.name;
        }
        if (c.last >= PmtHeld::info_cut) {
            EXPECT_EQ(pmt.streams[1].es_info_length, 6u) << c.name;
        }
    }
}

TEST(PmtModel, HeaderAndProgramInfoCutShort)
{
    struct Case {
        const char* name;
        Bytes body;
        bool pcr_known, info_known;
        std::size_t info_held;
    };
    const Case cases[] = {
        {"empty body", {}, false, false, 0},
        {"PCR_PID alone", {0xE1, 0x00}, true, false, 0},
        {"program_info past the section", {0xE1, 0x00, 0xF0, 0x09, 0x05, 0x04}, true, true, 2},
    };
    for (const Case& c : cases) {
        const Bytes s = long_section(0x02, 0x0001, 0, c.body);
        PmtSection pmt;
        decode_pmt(bytes_of(s), pmt);
        EXPECT_EQ(pmt.pcr_known, c.pcr_known) << c.name;
        EXPECT_EQ(pmt.pcr_pid, c.pcr_known ? 0x0100u : 0x1FFFu) << c.name;
        EXPECT_EQ(pmt.info_known, c.info_known) << c.name;
        EXPECT_EQ(pmt.program_info_held, c.info_held) << c.name;
        EXPECT_EQ(pmt.count, 0u) << c.name;
        PmtStream e;
        Reader loop = pmt.loop;
        EXPECT_FALSE(next_pmt_stream(loop, e)) << c.name;
    }
}

TEST(PmtModel, StartOfASectionWalksTheLoopSectionLengthGives)
{
    // section_length 23: 9 + program_info 0 + two 5-byte entries + CRC_32.
    const Bytes s = {0x02, 0xB0, 23,   0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00,
                     0x02, 0xE1, 0x00, 0xF0, 0x00, 0x04, 0xE1, 0x01, 0xF0, 0x00};
    struct Case {
        const char* name;
        std::size_t held;
        unsigned count;
        bool loop_cut;
    };
    const Case cases[] = {
        {"both entries", s.size(), 2, false},
        {"the second entry cut", s.size() - 1, 1, true},
        {"the loop's start cut", 13, 0, true},
    };
    for (const Case& c : cases) {
        PmtSection pmt;
        decode_pmt_start(s.data(), c.held, pmt);
        EXPECT_EQ(pmt.section_length, 23u) << c.name;
        EXPECT_EQ(pmt.pcr_pid, 0x0100u) << c.name;
        EXPECT_EQ(pmt.count, c.count) << c.name;
        EXPECT_EQ(pmt.loop_cut, c.loop_cut) << c.name;
        if (c.count == 2) {
            EXPECT_EQ(pmt.streams[1].elementary_pid, 0x0101u) << c.name;
        }
    }
}

TEST(CaDescriptor, FieldsAsTheBytesHoldThem)
{
    struct Case {
        Bytes bytes;
        bool system_known, pid_known;
        unsigned system, pid;
        std::size_t private_length;
    };
    const Case cases[] = {
        {{0x0B}, false, false, 0, 0, 0},
        {{0x0B, 0x00, 0xE1}, true, false, 0x0B00, 0, 0},
        {{0x0B, 0x00, 0xE1, 0x23}, true, true, 0x0B00, 0x0123, 0},
        {{0x17, 0x02, 0xFF, 0xFF, 0xAA, 0xBB}, true, true, 0x1702, 0x1FFF, 2},
    };
    for (const Case& c : cases) {
        const CaDescriptor d = decode_ca_descriptor(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(d.system_known, c.system_known) << c.bytes.size();
        EXPECT_EQ(d.pid_known, c.pid_known) << c.bytes.size();
        if (d.system_known) {
            EXPECT_EQ(d.ca_system_id, c.system) << c.bytes.size();
        }
        if (d.pid_known) {
            EXPECT_EQ(d.ca_pid, c.pid) << c.bytes.size();
        }
        EXPECT_EQ(d.private_length, c.private_length) << c.bytes.size();
    }
    // The walk over a loop names the CA_PIDs of whole CA_descriptors only.
    const Bytes loop = test::join({test::descriptor(0x09, {0x0B, 0x00, 0xE1, 0x23}), test::descriptor(0x0A, {1, 2, 3, 4}),
                                   test::descriptor(0x09, {0x0B, 0x00}), test::descriptor(0x09, {0x01, 0x00, 0xE0, 0x50})});
    std::vector<unsigned> pids;
    for_each_ca_pid(loop.data(), loop.size(), [&](unsigned pid) { pids.push_back(pid); });
    EXPECT_EQ(pids, (std::vector<unsigned>{0x0123, 0x0050}));
}

TEST(TableRegistry, TableIdsOnThePidsTheirStandardsGiveThem)
{
    struct Case {
        unsigned pid, table_id;
        bool own;
    };
    const Case cases[] = {
        {0x0000, 0x00, true},  {0x0000, 0x02, false}, {0x0001, 0x01, true},  {0x0010, 0x40, true},
        {0x0010, 0x41, true},  {0x0010, 0x42, false}, {0x0011, 0x42, true},  {0x0011, 0x46, true},
        {0x0011, 0x4A, true},  {0x0012, 0x4E, true},  {0x0012, 0x6F, true},  {0x0012, 0x70, false},
        {0x0013, 0x71, true},  {0x0014, 0x70, true},  {0x0014, 0x73, true},  {0x0014, 0x72, false},
        {0x0100, 0x02, false}, {0x0100, 0xFC, false}, {0x0020, 0x00, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(own_table(c.pid, c.table_id), c.own) << std::hex << c.pid << " " << c.table_id;
    EXPECT_EQ(table_kind(0x02)->standard, TableStandard::mpeg);
    EXPECT_EQ(table_kind(0x55)->standard, TableStandard::dvb);
    EXPECT_EQ(table_kind(0xFC)->standard, TableStandard::scte35);
    EXPECT_EQ(table_kind(0x72), nullptr);  // stuffing: no syntax of its own
    EXPECT_EQ(table_kind(0xFF), nullptr);
}

}  // namespace
}  // namespace ostrel
