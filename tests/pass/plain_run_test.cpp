// Plain packets taken as a run leave the analysis exactly as the same packets
// taken one at a time: every PID's counts, counter state, kept packet and
// gaps, and the findings queued. Streams built from real fixtures with the
// damage that ends a run placed inside runs of one PID.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "pass/packet_path.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

struct Analyzed final : PassListener {
    std::unique_ptr<Analysis, void (*)(Analysis*)> a{nullptr, delete_analysis};
    unsigned findings = 0;
    std::size_t taken = 0;  // packets the runs took
    void finding(const Finding&) override { ++findings; }
};

// `runs`: after each packet, the plain ones after it go through
// analyze_plain_run. A packet without its sync byte is passed over, as the
// packet loop would (it goes on at the next packet that fits).
void analyze(const Bytes& s, unsigned size, bool runs, Analyzed& out)
{
    out.a.reset(new_analysis(&out));
    Analysis& a = *out.a;
    const unsigned sync_at = size == 192 ? 4 : 0;
    const std::size_t count = s.size() / size;
    for (std::size_t k = 0; k < count;) {
        const unsigned char* ts = s.data() + k * size + sync_at;
        if (ts[0] == 0x47)
            analyze_packet(a, Packet{ts, ts, size, k + 1, k * size});
        ++k;
        if (runs && k < count) {
            const std::size_t n = analyze_plain_run(a, s.data() + k * size + sync_at, count - k, size, k + 1, k * size);
            out.taken += n;
            k += n;
        }
    }
    analyze_window_moves(a);
}

struct Row {
    const char* name;
    std::function<void(unsigned, std::size_t, unsigned char*)> edit;  // on each packet of each play
};

TEST(PlainRun, SameStateAsPacketByPacket)
{
    const Bytes clean = read_bytes(fixture_path("ffmpeg_clean.ts"));
    const auto on = [](unsigned play, std::size_t packet, auto change) {
        return [=](unsigned k, std::size_t n, unsigned char* p) {
            if (k == play && n == packet)
                change(p);
        };
    };
    // Packets 37 to 43 of the fixture are audio (PID 0101) without unit start or
    // adaptation field: one run of plain packets, damaged at packet 40.
    const Row rows[] = {
        {"clean", {}},
        {"counter jump", on(1, 40, [](unsigned char* p) { p[3] = static_cast<unsigned char>((p[3] & 0xF0) | ((p[3] + 3) & 0x0F)); })},
        {"transport error", on(1, 40, [](unsigned char* p) { p[1] |= 0x80; })},
        {"scrambled", on(1, 40, [](unsigned char* p) { p[3] |= 0x80; })},
        {"unit start on a stream", on(1, 40, [](unsigned char* p) { p[1] |= 0x40; })},
        {"adaptation field", on(1, 40, [](unsigned char* p) {
             p[3] = static_cast<unsigned char>(0x30 | (p[3] & 0x0F));
             p[4] = 0;
         })},
        {"sync byte lost", on(1, 40, [](unsigned char* p) { p[0] = 0x46; })},
        {"null packets, one with an error", [](unsigned k, std::size_t n, unsigned char* p) {
             if (k == 1 && n >= 37 && n <= 43) {
                 p[1] = static_cast<unsigned char>((n == 40 ? 0x80 : 0) | 0x1F);
                 p[2] = 0xFF;
             }
         }},
        {"a PID named by no table", on(2, 40, [](unsigned char* p) { p[1] = (p[1] & 0xE0) | 0x02; })},
    };
    for (const Row& row : rows) {
        const Bytes s = played(clean, 3, row.edit);
        Analyzed one, run;
        analyze(s, 188, false, one);
        analyze(s, 188, true, run);
        EXPECT_GE(run.taken, 3 * 4u) << row.name;  // at least the audio runs of each play, but one
        EXPECT_EQ(run.findings, one.findings) << row.name;
        EXPECT_EQ(run.a->queued, one.a->queued) << row.name;
        for (unsigned pid = 0; pid < pid_count; ++pid) {
            const PidState& x = one.a->pids[pid];
            const PidState& y = run.a->pids[pid];
            SCOPED_TRACE(std::string(row.name) + ", PID " + std::to_string(pid));
            EXPECT_EQ(y.packets, x.packets);
            EXPECT_EQ(y.unit_starts, x.unit_starts);
            EXPECT_EQ(y.cc, x.cc);
            EXPECT_EQ(y.next_plain_byte3, x.next_plain_byte3);
            EXPECT_EQ(y.times_seen, x.times_seen);
            EXPECT_EQ(y.cc_errors, x.cc_errors);
            EXPECT_EQ(y.transport_errors, x.transport_errors);
            EXPECT_EQ(y.scrambled, x.scrambled);
            EXPECT_EQ(y.seen.offset, x.seen.offset);
            EXPECT_EQ(y.gap_bytes, x.gap_bytes);
            EXPECT_EQ(y.gap_packet, x.gap_packet);
            EXPECT_EQ(y.gap_offset, x.gap_offset);
            if (x.last_payload != nullptr && y.last_payload != nullptr) {
                EXPECT_EQ(0, std::memcmp(y.last_payload, x.last_payload, 188));
            } else {
                EXPECT_EQ(y.last_payload, x.last_payload);
            }
            EXPECT_EQ((run.a->used_pids[pid / 64] >> pid % 64) & 1, (one.a->used_pids[pid / 64] >> pid % 64) & 1);
        }
    }
}

TEST(PlainRun, TakesOnlyPlainPacketsOfOnePid)
{
    // 192-byte packets (an arrival stamp first): the runs step 192 bytes.
    const Bytes m2ts = read_bytes(fixture_path("ffmpeg_m2ts.m2ts"));
    Analyzed one, run;
    analyze(m2ts, 192, false, one);
    analyze(m2ts, 192, true, run);
    EXPECT_GT(run.taken, 10u);
    for (unsigned pid = 0; pid < pid_count; ++pid) {
        EXPECT_EQ(run.a->pids[pid].packets, one.a->pids[pid].packets) << pid;
        EXPECT_EQ(run.a->pids[pid].cc_errors, one.a->pids[pid].cc_errors) << pid;
        EXPECT_EQ(run.a->pids[pid].gap_bytes, one.a->pids[pid].gap_bytes) << pid;
    }
    EXPECT_EQ(run.findings, one.findings);

    // Six video packets with counters 0..5, then one of the audio PID: the run
    // after the first takes the next four; none after a PID's first packet.
    Bytes s;
    for (unsigned c = 0; c < 5; ++c)
        s = join({s, packet({.pid = 0x0100, .counter = c})});
    s = join({s, packet({.pid = 0x0101, .counter = 0})});
    Analyzed fresh;
    fresh.a.reset(new_analysis(&fresh));
    Analysis& a = *fresh.a;
    EXPECT_EQ(analyze_plain_run(a, s.data(), 6, 188, 1, 0), 0u) << "a PID not seen yet";
    analyze_packet(a, Packet{s.data(), s.data(), 188, 1, 0});
    EXPECT_EQ(analyze_plain_run(a, s.data() + 188, 5, 188, 2, 188), 4u);
    EXPECT_EQ(a.pids[0x0100].packets, 5u);
    EXPECT_EQ(analyze_plain_run(a, s.data() + 188, 0, 188, 2, 188), 0u) << "no packets offered";
}

}  // namespace
}  // namespace ostrel::test
