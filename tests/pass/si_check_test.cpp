// --check:3 on streams built from the clean ffmpeg fixture played again and
// again, each play 1 s after the one before (its PCRs), its own SDT taken
// out, and SI sections put in after packet 50 of chosen plays: the time
// between two of them is then the number of plays between them, in seconds.
// Packet 50 (byte 9212) carries a PCR and packet 51 the next, 20 ms later.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

#include "support.hpp"

namespace ostrel::test {
namespace {

Bytes sdt() { return long_section(0x42, 1, 0, {0x00, 0x22, 0xFF}); }
Bytes eit_section0() { return long_section(0x4E, 1, 0, {0x00, 0x01, 0x00, 0x22, 0x01, 0x4E}, 0, 1); }
Bytes tdt() { return short_section(0x70, {0xC0, 0x79, 0x12, 0x45, 0x00}, false); }
struct Insert {
    unsigned pid;
    Bytes section;  // empty: one packet of payload on the PID (on 1FFF, a null packet that only moves the others)
};

// `plays` plays with the inserts `at(play)` after packet 50 of each.
Bytes si_stream(unsigned plays, const std::function<std::vector<Insert>(unsigned)>& at)
{
    const Bytes clean = read_bytes(fixture_path("ffmpeg_clean.ts"));
    const Bytes base = played(clean, plays, [](unsigned, std::size_t, unsigned char* p) {
        if (packet_pid_of(p) == 0x0011)
            p[1] = 0x1F, p[2] = 0xFF;  // the fixture's own SDT out
    });
    std::map<unsigned, unsigned> counters;
    Bytes out;
    for (unsigned k = 0; k < plays; ++k) {
        const auto play = base.begin() + static_cast<long>(k * clean.size());
        out.insert(out.end(), play, play + 50 * 188);
        for (const Insert& i : at(k)) {
            const Bytes p = i.section.empty() ? packet({.pid = i.pid, .counter = counters[i.pid] & 0x0F})
                                              : section_packets(i.pid, i.section, counters[i.pid]);
            counters[i.pid] += static_cast<unsigned>(p.size() / 188);
            out.insert(out.end(), p.begin(), p.end());
        }
        out.insert(out.end(), play + 50 * 188, play + static_cast<long>(clean.size()));
    }
    return out;
}

// The priority 3 finding lines, without their place and time.
std::string p3_findings(const std::string& out)
{
    std::istringstream lines(out.substr(0, out.find("=> Indicator")));
    std::string line, kept;
    while (std::getline(lines, line)) {
        const std::size_t at = line.find("'h, ");
        const std::string rest = at == std::string::npos ? line : line.substr(at + 4);
        for (const char* name : {"NIT_", "SI_repetition", "Unreferenced", "SDT_", "EIT_", "RST_", "TDT_"}) {
            if (rest.rfind(name, 0) == 0) {
                kept += rest + "\n";
                break;
            }
        }
    }
    return kept;
}

struct Case {
    const char* name;
    unsigned plays;
    std::function<std::vector<Insert>(unsigned)> at;
    const char* findings;
};

TEST(SiCheck, PriorityThreeOnSyntheticSi)
{
    const Case cases[] = {
        {"an SDT every second", 5, [](unsigned) { return std::vector<Insert>{{0x0011, sdt()}}; }, ""},
        {"an SDT every 3 s", 7, [](unsigned k) { return k % 3 == 0 ? std::vector<Insert>{{0x0011, sdt()}} : std::vector<Insert>{}; },
         "SDT_actual_error: no SDT actual section for 3.000 s, limit 2 s\n"
         "SI_repetition_error: table_id 0x42 repeated after 3.000 s, at most 2 s\n"
         "SDT_actual_error: no SDT actual section for 3.000 s, limit 2 s\n"
         "SI_repetition_error: table_id 0x42 repeated after 3.000 s, at most 2 s\n"},
        // In play 1: SDT, null, SDT between packets 50 and 51: four packets in their 20 ms, the two SDTs 10 ms apart.
        {"two SDTs 10 ms apart", 3,
         [](unsigned k) {
             if (k != 1)
                 return std::vector<Insert>{{0x0011, sdt()}};
             return std::vector<Insert>{{0x0011, sdt()}, {0x1FFF, {}}, {0x0011, sdt()}};
         },
         "SDT_actual_error: two SDT actual sections 10.000 ms apart, at least 25 ms\n"
         "SI_repetition_error: table_id 0x42 repeated after 10.000 ms, at least 25 ms\n"},
        {"an EIT present/following with section 0 only", 5,
         [](unsigned) { return std::vector<Insert>{{0x0012, eit_section0()}}; },
         "EIT_PF_error: EIT present/following actual of service 1 without section 1\n"},
        // TDTs in plays 0, 1, 32 and 33: 31 s without one.
        {"a TDT missing for 31 s", 34,
         [](unsigned k) {
             std::vector<Insert> i{{0x0011, sdt()}};
             if (k <= 1 || k >= 32)
                 i.push_back({0x0014, tdt()});
             return i;
         },
         "TDT_error: no TDT section for 31.000 s, limit 30 s\n"
         "SI_repetition_error: table_id 0x70 repeated after 31.000 s, at most 30 s\n"},
        // PID 0300 in every play: 4 x 107 x 188 = 80464 bytes from its first packet to its last, at the
        // mean rate of 4.98 s over the 4 x 20116 + 18424 - 564 = 98324 bytes from the first PCR to the last:
        // 80464 x 4.98 / 98324 = 4.0755 s.
        {"a PID no PMT names", 5,
         [](unsigned) { return std::vector<Insert>{{0x0011, sdt()}, {0x0300, {}}}; },
         "Unreferenced_PID: PID carries packets for 4.075 s and no PMT names it, limit 0.5 s\n"},
        // the same PID named as an EMM PID by a CA_descriptor of the CAT (CA_system_id 0x0B00, CA_PID 0300)
        {"a PID a CA_descriptor names", 5,
         [](unsigned k) {
             std::vector<Insert> i{{0x0011, sdt()}, {0x0300, {}}};
             if (k == 0)
                 i.insert(i.begin(), {0x0001, long_section(0x01, 0xFFFF, 0, descriptor(0x09, {0x0B, 0x00, 0xE3, 0x00}))});
             return i;
         },
         ""},
        {"a table_id that does not belong on PID 0011", 3,
         [](unsigned k) {
             std::vector<Insert> i{{0x0011, sdt()}};
             if (k == 1)
                 i.push_back({0x0011, eit_section0()});
             return i;
         },
         "SDT_actual_error: table_id 0x4E on the SDT/BAT PID\n"},
    };
    RunOptions check;
    check.check_mode = true;
    check.check_priority = 3;
    for (const Case& c : cases) {
        const Result r = run_report(si_stream(c.plays, c.at), check);
        EXPECT_EQ(p3_findings(r.out), c.findings) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
    }
}

TEST(SiCheck, WithoutDvbSiPriorityThreeIsNotChecked)
{
    RunOptions check;
    check.check_mode = true;
    check.check_priority = 3;
    const Result r = run_report(si_stream(2, [](unsigned) { return std::vector<Insert>{}; }), check);
    EXPECT_NE(r.out.find("   SDT_actual_error                   '3'd      not checked (no DVB SI (no NIT, SDT or EIT "
                         "section with a correct CRC_32))\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1), "OK\n");
}

// The sample played 5 times: 12 PCRs 80 ms apart a play, 60 findings on PID 0100; ten printed.
TEST(SiCheck, TenFindingsOfAPidAndIndicatorThenACount)
{
    const Bytes s = played(read_bytes(sample_path("sample.ts")), 5);
    RunOptions check;
    check.check_mode = true;
    const Result r = run_report(s, check);
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = r.out.find("PCR_repetition_error: ", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, 10u);
    EXPECT_NE(r.out.find("   PCR_repetition_error               '2'd      '60'd ('50'd more not shown)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("=> Not shown:          PCR_repetition_error on PID '0100'h ('50'd) (--all prints every "
                         "finding)\n"),
              std::string::npos);
    check.all_findings = true;
    const Result all = run_report(s, check);
    lines = 0;
    for (std::size_t at = 0; (at = all.out.find("PCR_repetition_error: ", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, 60u);
}

// The time of a finding: seconds from the first packet. The audio of the
// clean fixture played 7 times comes back at packet 666 (byte 125020),
// 6.38 s + 188 / 2256 x 20 ms = 6.38167 s after the first PCR (byte 564); the
// first packet is 564 bytes before that PCR, at the rate of the first
// interval (1316 bytes in 20 ms): 8.571 ms. 6.39024 s.
TEST(SiCheck, FindingsCarryTheirStreamTime)
{
    const Bytes s = looped(read_bytes(fixture_path("ffmpeg_clean.ts")));
    RunOptions check;
    check.check_mode = true;
    const Result r = run_report(s, check);
    EXPECT_NE(r.out.find("packet 666, byte 125020, at 6.390 s, PID '0101'h, PID_error: PID absent for 5.388 s"),
              std::string::npos)
        << r.out;
    check.json = true;
    const Result json = run_report(s, check);
    EXPECT_NE(json.out.find(R"("offset":125020,"packet":666,"pid":257,"priority":1,"seen":5.388)"), std::string::npos);
    EXPECT_NE(json.out.find(R"("time_s":6.39)"), std::string::npos);
}

}  // namespace
}  // namespace ostrel::test
