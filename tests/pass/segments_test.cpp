// What the pass measures of a playlist's segments, on two segments built
// here packet by packet: a PAT, a PMT (program 1, H.264 on PID 0100, its
// PCR_PID) and PES packets whose PTS, pictures and counters each row sets.
#include <gtest/gtest.h>

#include <vector>

#include "pass/pass.hpp"
#include "pass/segments.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

// Segments in memory, each entry logged before its first byte is handed on.
struct MemorySegments final : ByteSource {
    std::vector<Bytes> parts;
    std::vector<bool> restart;
    SegmentLog log;
    std::size_t part = 0, at = 0;
    std::uint64_t handed = 0;
    std::size_t read(unsigned char* into, std::size_t size) override
    {
        for (; part < parts.size(); ++part, at = 0) {
            if (at == 0) {
                SegmentEntry e;
                e.offset = handed;
                e.number = part;
                e.restart = restart[part];
                log.push(e);
            }
            const std::size_t n = std::min(size, parts[part].size() - at);
            if (n > 0) {
                std::copy_n(parts[part].data() + at, n, into);
                at += n;
                handed += n;
                return n;
            }
        }
        return 0;
    }
    SegmentLog* segments() override { return &log; }
};

struct Figures final : PassListener {
    std::vector<SegmentFigures> got;
    void segment(const Analysis&, const SegmentFigures& f) override { got.push_back(f); }
};

constexpr std::uint64_t wrap = std::uint64_t{1} << 33;

// A PES packet on PID 0100 with `pts`, its payload an access unit delimiter
// and a slice NAL unit of `nal` (0x65 IDR, 0x41 non-IDR); `rai` sets random_access_indicator.
Bytes pes(unsigned counter, std::uint64_t pts, unsigned nal, bool rai = false)
{
    Bytes p = packet({.pid = 0x100, .start = 1, .adaptation = rai ? 3u : 1u, .counter = counter,
                      .adaptation_length = rai ? 1u : 0u});
    const std::size_t at = rai ? 6 : 4;
    if (rai)
        p[5] = 0x40;
    put_bytes(p, at, {0, 0, 1, 0xE0, 0, 0, 0x80, 0x80, 5,
                      static_cast<unsigned>(0x21 | ((pts >> 29) & 0x0E)), static_cast<unsigned>((pts >> 22) & 0xFF),
                      static_cast<unsigned>(((pts >> 14) & 0xFE) | 1), static_cast<unsigned>((pts >> 7) & 0xFF),
                      static_cast<unsigned>(((pts << 1) & 0xFE) | 1), 0, 0, 0, 1, 0x09, 0xF0, 0, 0, 1, nal});
    return p;
}

Bytes pat(unsigned counter) { return section_packets(0, long_section(0x00, 1, 0, {0, 1, 0xF0, 0x00}), counter); }
Bytes pmt(unsigned counter)
{
    return section_packets(0x1000, long_section(0x02, 1, 0, {0xE1, 0x00, 0xF0, 0x00, 0x1B, 0xE1, 0x00, 0xF0, 0x00}),
                           counter);
}

struct SegmentRun {
    std::vector<SegmentFigures> figures;
    std::uint64_t cc_errors;
};

SegmentRun run_segments(const Bytes& first, const Bytes& second, bool restart)
{
    MemorySegments source;
    source.parts = {first, second};
    source.restart = {false, restart};
    Figures sink;
    Analysis* a = new_analysis(&sink);
    static unsigned char block[188 * 16];
    const PacketInput in{nullptr, block, sizeof block, sizeof block, true, nullptr, &source};
    std::FILE* quiet = std::fopen("/dev/null", "w");
    run_pass(in, *a, quiet);
    std::fclose(quiet);
    const SegmentRun r{sink.got, a->counts[static_cast<unsigned>(Indicator::continuity_count_error)]};
    delete_analysis(a);
    return r;
}

TEST(Segments, StartsBoundariesAndTimeStamps)
{
    // Segment 1: PCR at 1 s, a PES at PTS 90000 and one 3600 later (40 ms).
    const Bytes first = join({pat(0), pmt(0), pcr_packet(0x100, 0, 27000000), pes(1, 90000, 0x65), pes(2, 93600, 0x41)});
    struct Row {
        const char* name;
        Bytes second;
        bool restart;
        bool pat, pmt, rap, cc_break;
        double pcr_step;         // s
        std::int64_t pts_low;    // unwrapped, against segment 1's
        std::uint64_t cc_errors;  // --check's, over both
    };
    const Row rows[] = {
        {"PAT, PMT, IDR", join({pat(1), pmt(1), pcr_packet(0x100, 3, 27000000 + 1080000), pes(4, 97200, 0x65)}),
         false, true, true, true, false, 0.04, 97200, 0},
        {"PMT after the PES", join({pat(1), pcr_packet(0x100, 3, 27000000 + 1080000), pes(4, 97200, 0x65), pmt(1)}),
         false, true, false, true, false, 0.04, 97200, 0},
        {"a P picture first", join({pat(1), pmt(1), pcr_packet(0x100, 3, 27000000 + 1080000), pes(4, 97200, 0x41)}),
         false, true, true, false, false, 0.04, 97200, 0},
        {"random_access_indicator", join({pat(1), pmt(1), pcr_packet(0x100, 3, 28080000), pes(4, 97200, 0x41, true)}),
         false, true, true, true, false, 0.04, 97200, 0},
        // Counter 7 where 3 follows 2 (the PCR packet has a payload): a break at the boundary, a finding of --check.
        {"counter jumps", join({pat(1), pmt(1), pcr_packet(0x100, 7, 28080000), pes(8, 97200, 0x65)}),
         false, true, true, true, true, 0.04, 97200, 1},
        // The same marked as a discontinuity: --check starts again there.
        {"counter jumps, restart", join({pat(1), pmt(1), pcr_packet(0x100, 7, 28080000), pes(8, 97200, 0x65)}),
         true, true, true, true, true, 0.04, 97200, 0},
        // The first PCR 5400000 ticks of 27 MHz after the last: 0.2 s.
        {"PCR 0.2 s on", join({pat(1), pmt(1), pcr_packet(0x100, 3, 27000000 + 5400000), pes(4, 97200, 0x65)}),
         false, true, true, true, false, 0.2, 97200, 0},
    };
    for (const Row& row : rows) {
        const SegmentRun r = run_segments(first, row.second, row.restart);
        ASSERT_EQ(r.figures.size(), 2u) << row.name;
        const SegmentFigures& s1 = r.figures[0];
        const SegmentFigures& s2 = r.figures[1];
        EXPECT_TRUE(s1.pat && s1.pmt && s1.rap && s1.video) << row.name;
        EXPECT_EQ(s1.bytes, first.size()) << row.name;
        EXPECT_EQ(s1.pts.low, 90000) << row.name;
        EXPECT_EQ(s1.pts.high, 93600) << row.name;
        EXPECT_EQ(s2.pat, row.pat) << row.name;
        EXPECT_EQ(s2.pmt, row.pmt) << row.name;
        EXPECT_EQ(s2.rap, row.rap) << row.name;
        EXPECT_EQ(s2.cc_break, row.cc_break) << row.name;
        EXPECT_TRUE(s2.pcr_step_known) << row.name;
        EXPECT_NEAR(s2.pcr_step, row.pcr_step, 1e-9) << row.name;
        EXPECT_EQ(s2.pts.low, row.pts_low) << row.name;
        EXPECT_EQ(r.cc_errors, row.cc_errors) << row.name;
    }
    // PTS that wrap: segment 1 at 2^33 - 1800 and 2^33 - 1800 + 3600 (= 1800), segment 2 at 5400.
    const Bytes wrapping = join({pat(0), pmt(0), pcr_packet(0x100, 0, 27000000), pes(1, wrap - 1800, 0x65),
                                 pes(2, 1800, 0x41)});
    const SegmentRun r = run_segments(wrapping, join({pat(1), pmt(1), pes(3, 5400, 0x65)}), false);
    ASSERT_EQ(r.figures.size(), 2u);
    EXPECT_EQ(r.figures[0].pts.high - r.figures[0].pts.low, 3600);
    EXPECT_EQ(r.figures[1].pts.low - r.figures[0].pts.high, 3600);
}

}  // namespace
}  // namespace ostrel::test
