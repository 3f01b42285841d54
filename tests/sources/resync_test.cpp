// Reading by sync bytes: damaged copies of a real stream, read with --resync,
// give the report of the clean bytes they still hold, numbered without gaps,
// and the messages that say what was skipped.
#include <gtest/gtest.h>

#include <functional>

#include "support.hpp"

namespace ostrel::test {
namespace {

Bytes slice(const Bytes& b, std::size_t from, std::size_t to) { return Bytes(b.begin() + from, b.begin() + to); }
Bytes tail(const Bytes& b, std::size_t from) { return slice(b, from, b.size()); }

struct Damage {
    const char* name;
    std::function<Bytes(const Bytes&)> damaged;
    std::function<Bytes(const Bytes&)> clean;  // what the report must show, as a plain stream
    const char* err;
    int status;
};

// samples/sample.ts: 131 packets of 188 bytes.
const Damage damages[] = {
    {"cut 77 bytes into its first packet", [](const Bytes& s) { return tail(s, 77); },
     [](const Bytes& s) { return tail(s, 188); }, "Skipped 111 bytes before the first packet\n", 0},
    {"sync byte of packet 11 flipped",
     [](const Bytes& s) {
         Bytes d = s;
         d[1880] ^= 0x01;
         return d;
     },
     [](const Bytes& s) { return join({slice(s, 0, 1880), tail(s, 2068)}); },
     "Sync lost at byte 1880 after packet 10: skipped 188 bytes\n", 1},
    {"7 bytes inserted before packet 11",
     [](const Bytes& s) { return join({slice(s, 0, 1880), Bytes(7, 0x00), tail(s, 1880)}); },
     [](const Bytes& s) { return s; }, "Sync lost at byte 1880 after packet 10: skipped 7 bytes\n", 1},
    // Packet 11 is read as its first 50 bytes and 138 of packet 12; the next
    // place where packets fit is packet 13, 88 bytes on.
    {"100 bytes removed inside packet 11",
     [](const Bytes& s) { return join({slice(s, 0, 1930), tail(s, 2030)}); },
     [](const Bytes& s) { return join({slice(s, 0, 1930), slice(s, 2030, 2168), tail(s, 2256)}); },
     "Sync lost at byte 2068 after packet 11: skipped 88 bytes\n", 1},
    {"last packet damaged",
     [](const Bytes& s) {
         Bytes d = s;
         d[24440] = 0x00;
         return d;
     },
     [](const Bytes& s) { return slice(s, 0, 24440); }, "Sync lost at byte 24440 after packet 130: no packet follows\n",
     1},
    {"a trailing piece of 100 bytes", [](const Bytes& s) { return join({s, Bytes(100, 0x47)}); },
     [](const Bytes& s) { return s; }, "", 0},
};

TEST(Resync, DamagedStreamsShowWhatTheyStillHold)
{
    const Bytes sample = read_bytes(sample_path("sample.ts"));
    ASSERT_EQ(sample.size(), 131u * 188);
    RunOptions resync;
    resync.resync = true;
    for (const Damage& d : damages) {
        const Result expected = run_report(d.clean(sample), RunOptions{});
        ASSERT_EQ(expected.status, 0) << d.name;
        // Reads of 1 and 7 bytes put every packet and every look-ahead across read edges.
        for (const std::size_t piece : {1, 7, 564, 1128}) {
            const Result r = run_report(d.damaged(sample), resync, "", piece);
            EXPECT_EQ(r.out, expected.out) << d.name << ", reads of " << piece;
            EXPECT_EQ(r.err, d.err) << d.name << ", reads of " << piece;
            EXPECT_EQ(r.status, d.status) << d.name << ", reads of " << piece;
        }
    }
}

TEST(Resync, WithoutItDamageStopsTheReportAsBefore)
{
    Bytes d = read_bytes(sample_path("sample.ts"));
    d[1880] = 0;
    const Result r = run_report(d, RunOptions{});
    EXPECT_EQ(r.out, run_report(slice(d, 0, 1880), RunOptions{}).out);
    EXPECT_EQ(r.err, invalid_sync_message);
    EXPECT_EQ(r.status, 1);
}

struct Start {
    const char* name;
    Bytes file;
    const char* first_line;  // "" for no output
    const char* err;
    int status;
};

TEST(Resync, SizeAndFirstPacketFoundBySyncBytes)
{
    const Bytes p188 = packet({.pid = 0x0100});
    const Bytes parity(16, 0x00);
    const Bytes p204 = join({p188, parity});
    const Start cases[] = {
        {"187 bytes", Bytes(187, 0x47), "", "", 0},
        {"1000 bytes without a packet", Bytes(1000, 0x00), "", "No packets found\n", 1},
        {"one packet", p188, "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n", "", 0},
        // two whole 204-byte packets: K is 2, and 188 fails on the parity bytes
        {"two 204-byte packets", join({p204, p204}), "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n",
         "", 0},
        {"three junk bytes first", join({Bytes{1, 2, 3}, p188, p188}),
         "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n", "Skipped 3 bytes before the first packet\n", 0},
        // 0x47 stands at byte 0 and at 188 but not at 376: no 188-byte fit at 0
        {"a false sync before the packets", join({Bytes{0x47}, Bytes(187, 0), Bytes{0x47}, Bytes(3, 0), p188, p188, p188, p188, p188}),
         "=> Sync Byte:                    '47'h, TS Packet (No. 1)\n", "Skipped 192 bytes before the first packet\n",
         0},
    };
    RunOptions resync;
    resync.resync = true;
    for (const Start& c : cases) {
        const Result r = run_report(c.file, resync, "", 7);
        EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), c.first_line) << c.name;
        EXPECT_EQ(r.err, c.err) << c.name;
        EXPECT_EQ(r.status, c.status) << c.name;
    }
}

// A 192-byte packet whose arrival header holds 0x47 at byte 0 is still read
// as 192: the bytes at 188, 376, ... are no sync bytes.
TEST(Resync, ArrivalHeaderStartingWith0x47)
{
    Bytes m2ts = read_bytes(fixture_path("ffmpeg_m2ts.m2ts"));
    ASSERT_EQ(m2ts[0], 0x0E);  // 0E BF 46 22: copy permission 00, arrival time 247416354
    RunOptions resync;
    resync.resync = true;
    std::string expected = run_report(m2ts, resync).out;
    m2ts[0] = 0x47;  // 47 BF 46 22: copy permission 01, arrival time 0x07BF4622
    const std::string was = "=> Copy Permission Indicator:    '00'b\n=> Arrival Time Stamp:           '247416354'd\n";
    ASSERT_EQ(expected.find(was), 58u);
    expected.replace(58, was.size(),
                     "=> Copy Permission Indicator:    '01'b\n=> Arrival Time Stamp:           '129975842'd\n");
    const Result r = run_report(m2ts, resync, "", 7);
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace ostrel::test
