// Sections gathered across packets: lengths, CRC_32 and the cases where a
// section is dropped.
#include "psi/section_assembler.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ts/crc32.hpp"

namespace ostrel {
namespace {

using Bytes = std::vector<unsigned char>;

// A section with syntax indicator 1: table_id, length, `body`, then its CRC_32.
Bytes section(unsigned table_id, const Bytes& body)
{
    const std::size_t length = body.size() + 4;
    Bytes s(3 + body.size());
    s[0] = static_cast<unsigned char>(table_id);
    s[1] = static_cast<unsigned char>(0xB0 | length >> 8);
    s[2] = static_cast<unsigned char>(length & 0xFF);
    std::copy(body.begin(), body.end(), s.begin() + 3);
    const std::uint32_t crc = crc32_update(crc32_initial, s.data(), s.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        s.push_back(static_cast<unsigned char>(crc >> shift));
    return s;
}

struct Piece {
    Bytes payload;
    bool unit_start;
    bool gap_before;  // a lost packet before this one
};

struct Seen {
    std::vector<std::size_t> lengths;
    std::vector<bool> crc_ok;
};

struct Collect final : SectionDone {
    Seen& seen;
    explicit Collect(Seen& into) : seen(into) {}
    void section(const AssembledSection& s) override
    {
        seen.lengths.push_back(s.length);
        seen.crc_ok.push_back(crc_correct(s));
    }
};


Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t to) { return Bytes(b.begin() + from, b.begin() + to); }

TEST(SectionAssembler, GathersSectionsAcrossPackets)
{
    const Bytes big = section(0x02, Bytes(400, 0x5A));  // 407 bytes: three payloads
    const Bytes a = section(0x00, Bytes(9, 1));         // 16 bytes
    const Bytes b = section(0x00, Bytes(20, 2));        // 27 bytes
    Bytes bad = a;
    bad[5] ^= 0x01;
    struct Case {
        const char* name;
        std::vector<Piece> pieces;
        std::vector<std::size_t> lengths;
        std::vector<bool> crc_ok;
    };
    const Case cases[] = {
        {"across three packets",
         {{cat({{0}, slice(big, 0, 183)}), true, false}, {slice(big, 183, 367), false, false},
          {cat({slice(big, 367, 407), Bytes(144, 0xFF)}), false, false}},
         {407}, {true}},
        {"two in one packet, then stuffing", {{cat({{0}, a, b, Bytes(10, 0xFF)}), true, false}}, {16, 27}, {true, true}},
        // the pointer_field skips the end of `b` that began in the packet before
        {"pointer_field past the end of the previous one",
         {{cat({{0}, slice(b, 0, 20)}), true, false}, {cat({{7}, slice(b, 20, 27), a}), true, false}}, {27, 16},
         {true, true}},
        {"a lost packet in the middle",
         {{cat({{0}, slice(big, 0, 183)}), true, false}, {slice(big, 183, 367), false, true},
          {cat({slice(big, 367, 407), Bytes(144, 0xFF)}), false, false}},
         {}, {}},
        {"the CRC_32 does not match", {{cat({{0}, bad}), true, false}}, {16}, {false}},
        {"a section length past 4096", {{Bytes{0, 0x02, 0xBF, 0xFF, 1, 2, 3}, true, false}}, {}, {}},
        {"header cut at the end of the payload",
         {{cat({{0}, a, slice(b, 0, 2)}), true, false}, {cat({slice(b, 2, 27)}), false, false}}, {16, 27},
         {true, true}},
    };
    for (const Case& c : cases) {
        SectionSlot slot{};
        Seen seen;
        for (const Piece& p : c.pieces) {
            if (p.gap_before)
                abandon_section(slot);
            Collect collect{seen};
            assemble_sections(slot, p.payload.data(), p.payload.size(), p.unit_start, collect);
        }
        EXPECT_EQ(seen.lengths, c.lengths) << c.name;
        EXPECT_EQ(seen.crc_ok, c.crc_ok) << c.name;
    }
}

TEST(SectionAssembler, Crc32OfMpeg2)
{
    const unsigned char text[] = "123456789";
    EXPECT_EQ(crc32_update(crc32_initial, text, 9), 0x0376E6E7u);  // the CRC-32/MPEG-2 check value
}

}  // namespace
}  // namespace ostrel
