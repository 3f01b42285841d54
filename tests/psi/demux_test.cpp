// The section demux on its own: sections in, complete tables out, as the
// versioning of ISO/IEC 13818-1 2.4.4 makes them: a table is new when its
// version_number changes or, within one version, when its content does.
#include <gtest/gtest.h>

#include "psi/demux.hpp"
#include "support.hpp"

namespace ostrel {
namespace {

using test::Bytes;
using test::long_section;

struct Heard final : TableListener {
    struct Table {
        unsigned pid, table_id, extension, version;
        std::vector<unsigned> numbers;  // section_number of each section, in the order handed on
    };
    std::vector<Table> tables;
    unsigned copies = 0;
    void table(const TableEvent& t) override
    {
        Table seen{t.pid, t.table_id, t.extension, t.version, {}};
        for (unsigned i = 0; i < t.count; ++i)
            seen.numbers.push_back(t.sections[i].data[6]);
        tables.push_back(seen);
    }
    void copy(unsigned, std::uint64_t) override { ++copies; }
};

struct Fed {
    unsigned pid;
    Bytes section;
    bool crc_ok = true;
};

// An SDT actual of transport stream 1: a section of two, `body` its first byte after the header.
Bytes sdt(unsigned version, unsigned number, unsigned last, unsigned char body = 0x11)
{
    return long_section(0x42, 0x0001, version, {0x00, 0x01, 0xFF, body}, number, last);
}

Bytes pat(unsigned version, unsigned program = 1)
{
    return long_section(0x00, 0x0001, version, {0x00, static_cast<unsigned char>(program), 0xE1, 0x00});
}

Bytes not_current(Bytes s)
{
    s[5] &= 0xFE;  // current_next_indicator 0 (its CRC_32 is not looked at here)
    return s;
}

TEST(SectionDemux, TablesAsTheirVersionsAndContentsMakeThem)
{
    struct Case {
        const char* name;
        std::vector<Fed> fed;
        std::vector<unsigned> versions;  // of the tables handed on, in order
        unsigned copies;                 // complete copies, new or not
        std::uint64_t stats_versions, crc_errors;
    };
    const Case cases[] = {
        {"one table, twice", {{0, pat(0)}, {0, pat(0)}}, {0}, 2, 1, 0},
        {"a new version", {{0, pat(0)}, {0, pat(1)}, {0, pat(1)}}, {0, 1}, 3, 2, 0},
        {"back to an old version", {{0, pat(3)}, {0, pat(4)}, {0, pat(3)}}, {3, 4, 3}, 3, 3, 0},
        {"content changed within a version", {{0, pat(2, 1)}, {0, pat(2, 9)}}, {2, 2}, 2, 1, 0},
        {"a wrong CRC_32", {{0, pat(0), false}, {0, pat(0)}}, {0}, 1, 1, 1},
        {"not yet applicable", {{0, not_current(pat(0))}}, {}, 0, 0, 0},
        {"sections out of order", {{0x11, sdt(0, 1, 1)}, {0x11, sdt(0, 0, 1)}}, {0}, 1, 1, 0},
        {"a section past the last", {{0x11, sdt(0, 2, 1)}, {0x11, sdt(0, 0, 1)}}, {}, 0, 0, 0},
        {"a section changes before the table is whole",
         {{0x11, sdt(0, 0, 1, 0x11)}, {0x11, sdt(0, 0, 1, 0x22)}, {0x11, sdt(0, 1, 1)}},
         {0},
         1,
         1,
         0},
    };
    for (const Case& c : cases) {
        Heard heard;
        SectionDemux demux(heard);
        std::uint64_t packet = 0;
        for (const Fed& f : c.fed) {
            ++packet;
            demux.section(f.pid, f.section.data(), f.section.size(), f.crc_ok, packet, packet * 188);
        }
        std::vector<unsigned> versions;
        for (const Heard::Table& t : heard.tables)
            versions.push_back(t.version);
        EXPECT_EQ(versions, c.versions) << c.name;
        EXPECT_EQ(heard.copies, c.copies) << c.name;
        const unsigned pid = c.fed[0].pid;
        const TableStats* stats = demux.find_stats(pid, c.fed[0].section[0], 0x0001);
        ASSERT_NE(stats, nullptr) << c.name;
        EXPECT_EQ(stats->versions, c.stats_versions) << c.name;
        EXPECT_EQ(stats->crc_errors, c.crc_errors) << c.name;
        for (const Heard::Table& t : heard.tables) {
            if (t.table_id == 0x42) {
                EXPECT_EQ(t.numbers, (std::vector<unsigned>{0, 1})) << c.name << ": sections in section_number order";
            }
        }
    }
}

TEST(SectionDemux, LastCopyIsTheLatestTable)
{
    Heard heard;
    SectionDemux demux(heard);
    const Bytes first = pat(0, 1), second = pat(1, 2);
    demux.section(0, first.data(), first.size(), true, 1, 0);
    demux.section(0, second.data(), second.size(), true, 2, 188);
    std::vector<SectionBytes> sections;
    ASSERT_TRUE(demux.last_copy(0, 0x00, 0x0001, sections));
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(Bytes(sections[0].data, sections[0].data + sections[0].size), second);
    EXPECT_FALSE(demux.last_copy(0, 0x00, 0x0002, sections));
    EXPECT_EQ(demux.find_stats(0, 0x02, 1), nullptr);
}

}  // namespace
}  // namespace ostrel
