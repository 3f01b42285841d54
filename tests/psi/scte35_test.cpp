// SCTE 35: the two sample messages of SCTE 35's own text (a time_signal with
// a segmentation descriptor, a splice_insert with an avail descriptor),
// decoded field by field by hand from their bytes; cues built here for the
// edge cases; --cues on a real stream with a cue PID added.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "reports/tables/tables_output.hpp"
#include "support.hpp"
#include "psi/scte35/scte35.hpp"

namespace ostrel::test {
namespace {

using nlohmann::json;

Bytes hex(const std::string& h)
{
    Bytes b;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        b.push_back(static_cast<unsigned char>(std::stoul(h.substr(i, 2), nullptr, 16)));
    return b;
}

json decoded(const Bytes& section)
{
    json j = json::object();
    DvbText text;
    DecodeContext c{text};
    decode_splice_info(SectionBytes{section.data(), section.size()}, c, *json_field_sink(j));
    return j;
}

// "/DA0AAAAAAAA///wBQb+cr0AUAAeAhxDVUVJSAAAjn/PAAGlmbAICAAAAAAsoKGKNAIAmsnRfg=="
const Bytes time_signal = hex("fc3034000000000000fffff00506fe72bd0050001e021c435545494800008e7fcf0001a599b0080800"
                              "0000002ca0a18a3402009ac9d17e");
// "/DAvAAAAAAAA///wFAVIAACPf+/+c2nALv4AUsz1AAAAAAAKAAhDVUVJAAABNWLbowo="
const Bytes splice_insert = hex("fc302f000000000000fffff014054800008f7feffe7369c02efe0052ccf500000000000a000843554549"
                                "0000013562dba30a");

TEST(Scte35, TheSamplesOfTheStandard)
{
    // fe 72bd0050: time_specified_flag 1, pts_time 0x072BD0050 = 1924989008 (21388.766756 s);
    // 7f: not cancelled; cf: program segmentation, a duration, restricted delivery (no web,
    // no regional blackout, archive allowed, device restrictions 3); duration 0x01A599B0 = 27630000
    // (307 s); UPID type 8 (TI), 8 bytes; type 0x34, segment 2 of 0.
    const json ts = decoded(time_signal);
    EXPECT_EQ(ts["sap_type"], 3);
    EXPECT_EQ(ts["protocol_version"], 0);
    EXPECT_EQ(ts["encrypted_packet"], false);
    EXPECT_EQ(ts["pts_adjustment"], 0);
    EXPECT_EQ(ts["tier"], 0xFFF);
    EXPECT_EQ(ts["splice_command_length"], 5);
    EXPECT_EQ(ts["splice_command_type"], 6);
    EXPECT_EQ(ts["pts_time"], 1924989008u);
    EXPECT_DOUBLE_EQ(ts["splice_time_s"].get<double>(), 1924989008.0 / 90000);
    const json& seg = ts["segmentation_descriptors"][0];
    EXPECT_EQ(seg["identifier"], "CUEI");
    EXPECT_EQ(seg["segmentation_event_id"], 0x4800008E);
    EXPECT_EQ(seg["segmentation_event_cancel_indicator"], false);
    EXPECT_EQ(seg["program_segmentation_flag"], true);
    EXPECT_EQ(seg["delivery_not_restricted_flag"], false);
    EXPECT_EQ(seg["web_delivery_allowed_flag"], false);
    EXPECT_EQ(seg["no_regional_blackout_flag"], true);
    EXPECT_EQ(seg["archive_allowed_flag"], true);
    EXPECT_EQ(seg["device_restrictions"], 3);
    EXPECT_EQ(seg["segmentation_duration"], 27630000);
    EXPECT_DOUBLE_EQ(seg["duration_s"].get<double>(), 307.0);
    EXPECT_EQ(seg["segmentation_upid_type"], 8);
    EXPECT_EQ(seg["segmentation_upid"], "000000002ca0a18a");
    EXPECT_EQ(seg["segmentation_type_id"], 0x34);
    EXPECT_EQ(seg["segmentation_type"], "Provider Placement Opportunity Start");
    EXPECT_EQ(seg["segment_num"], 2);
    EXPECT_EQ(seg["segments_expected"], 0);
    EXPECT_FALSE(seg.contains("sub_segment_num"));  // the descriptor's 28 bytes end before it

    // 4800008f: event 1207959695; ef: out of network, program splice, a duration, not immediate;
    // fe 7369c02e: pts_time 1936310318; fe 0052ccf5: auto_return, 5426421 ticks (60.293567 s);
    // avail descriptor: provider_avail_id 0x135.
    const json si = decoded(splice_insert);
    EXPECT_EQ(si["splice_command_type"], 5);
    EXPECT_EQ(si["splice_command_length"], 20);
    EXPECT_EQ(si["splice_event_id"], 0x4800008F);
    EXPECT_EQ(si["splice_event_cancel_indicator"], false);
    EXPECT_EQ(si["out_of_network_indicator"], true);
    EXPECT_EQ(si["program_splice_flag"], true);
    EXPECT_EQ(si["duration_flag"], true);
    EXPECT_EQ(si["splice_immediate_flag"], false);
    EXPECT_EQ(si["pts_time"], 1936310318u);
    EXPECT_EQ(si["auto_return"], true);
    EXPECT_EQ(si["duration"], 5426421);
    EXPECT_DOUBLE_EQ(si["break_duration_s"].get<double>(), 5426421.0 / 90000);
    EXPECT_EQ(si["unique_program_id"], 0);
    EXPECT_EQ(si["avail_num"], 0);
    EXPECT_EQ(si["avails_expected"], 0);
    EXPECT_EQ(si["splice_descriptors"][0]["name"], "avail_descriptor");
    EXPECT_EQ(si["splice_descriptors"][0]["provider_avail_id"], 0x135);
}

// A splice_info_section: the header from protocol_version, `command` of `type`, `descriptors`, CRC_32.
Bytes cue(std::uint64_t pts_adjustment, unsigned type, const Bytes& command, const Bytes& descriptors,
          bool encrypted = false, unsigned command_length = 0)
{
    const unsigned length_field = command_length != 0 ? command_length : static_cast<unsigned>(command.size());
    Bytes body{0x00, static_cast<unsigned char>((encrypted ? 0x80 : 0) | (pts_adjustment >> 32 & 1)),
               static_cast<unsigned char>(pts_adjustment >> 24), static_cast<unsigned char>(pts_adjustment >> 16),
               static_cast<unsigned char>(pts_adjustment >> 8), static_cast<unsigned char>(pts_adjustment), 0x00, 0xFF,
               static_cast<unsigned char>(0xF0 | length_field >> 8), static_cast<unsigned char>(length_field),
               static_cast<unsigned char>(type)};
    body.insert(body.end(), command.begin(), command.end());
    body.push_back(static_cast<unsigned char>(descriptors.size() >> 8));
    body.push_back(static_cast<unsigned char>(descriptors.size()));
    body.insert(body.end(), descriptors.begin(), descriptors.end());
    return short_section(0xFC, body, true, 0x30);  // section_syntax_indicator 0, private_indicator 0, sap_type 3
}

Bytes time_signal_command(std::uint64_t pts)
{
    return {static_cast<unsigned char>(0xFE | (pts >> 32 & 1)), static_cast<unsigned char>(pts >> 24),
            static_cast<unsigned char>(pts >> 16), static_cast<unsigned char>(pts >> 8), static_cast<unsigned char>(pts)};
}

struct Edge {
    const char* name;
    Bytes section;
    std::function<void(const json&)> check;
};

TEST(Scte35, CommandsAndEdgeCases)
{
    const Bytes mid_upid = join({Bytes{0x03, 12}, Bytes{'A', 'B', 'C', 'D', '0', '1', '2', '3', '4', '5', '6', 'H'},
                                 Bytes{0x0F, 5}, Bytes{'u', 'r', 'n', ':', 'x'}});
    // segmentation: event 1, not cancelled; program, no duration, delivery not restricted; MID UPID; type 0x30
    Bytes seg{'C', 'U', 'E', 'I', 0, 0, 0, 1, 0x7F, 0xBF, 0x0D, static_cast<unsigned char>(mid_upid.size())};
    seg.insert(seg.end(), mid_upid.begin(), mid_upid.end());
    seg.insert(seg.end(), {0x30, 1, 1});
    const Edge cases[] = {
        // 2^33 - 1000 ticks on by 3000: 2000 ticks after the wrap
        {"a pts_adjustment that wraps", cue(3000, 0x06, time_signal_command((std::uint64_t{1} << 33) - 1000), {}),
         [](const json& j) {
             EXPECT_EQ(j["pts_adjustment"], 3000);
             EXPECT_DOUBLE_EQ(j["splice_time_s"].get<double>(), 2000.0 / 90000);
         }},
        {"splice_command_length 0xFFF: the command ends by its syntax",
         cue(0, 0x06, time_signal_command(90000), descriptor(0x00, {'C', 'U', 'E', 'I', 0, 0, 0, 7}), false, 0xFFF),
         [](const json& j) {
             EXPECT_EQ(j["pts_time"], 90000);
             EXPECT_EQ(j["splice_descriptors"][0]["provider_avail_id"], 7);
         }},
        {"splice_null", cue(0, 0x00, {}, {}),
         [](const json& j) {
             EXPECT_EQ(j["splice_command_type"], 0);
             EXPECT_FALSE(j.contains("pts_time"));
         }},
        {"private_command", cue(0, 0xFF, {'A', 'B', 'C', 'D', 0x01, 0x02}, {}),
         [](const json& j) {
             EXPECT_EQ(j["identifier"], "ABCD");
             EXPECT_EQ(j["private_bytes"], "0102");
         }},
        {"an encrypted cue", cue(0, 0x06, time_signal_command(90000), {}, true),
         [](const json& j) {
             EXPECT_EQ(j["encrypted_packet"], true);
             EXPECT_EQ(j["encrypted"], "the command and the descriptors are not decoded");
             EXPECT_FALSE(j.contains("pts_time"));
         }},
        // splice_insert claiming 20 bytes of command; 6 are there, then the section ends
        {"a cut cue", cue(0, 0x05, {0, 0, 0, 9, 0x7F, 0xEF}, {}, false, 20),
         [](const json& j) {
             EXPECT_EQ(j["splice_event_id"], 9);
             EXPECT_EQ(j["cut"], true);
             EXPECT_FALSE(j.contains("pts_time"));
         }},
        {"a segmentation descriptor with a MID UPID", cue(0, 0x06, time_signal_command(0), descriptor(0x02, seg)),
         [](const json& j) {
             const json& d = j["segmentation_descriptors"][0];
             EXPECT_EQ(d["segmentation_upid_type"], 0x0D);
             EXPECT_EQ(d["segmentation_upids"][0]["segmentation_upid"], "ABCD0123456H");
             EXPECT_EQ(d["segmentation_upids"][1]["segmentation_upid_type"], 0x0F);
             EXPECT_EQ(d["segmentation_upids"][1]["segmentation_upid"], "urn:x");
             EXPECT_EQ(d["segmentation_type"], "Provider Advertisement Start");
             EXPECT_EQ(d["segment_num"], 1);
         }},
    };
    for (const Edge& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(decoded(c.section));
    }
}

// The clean fixture with a cue PID 01F4 (stream_type 0x86) in its PMT and a
// splice_insert after packet 50 (byte 9212, its PCR 0.46 s after the first,
// 1.16 s of the program clock). The next PCR, 1.18 s, comes two packets after
// the cue's: 564 bytes in 20 ms, so the cue, 188 bytes after the PCR, stands
// at 1.16 + 0.02 x 188 / 564 = 1.166667 s (105000 ticks of 90 kHz), as
// every report times it. Its splice time 465300 ticks is 360300 ticks
// (4.003333 s) later; a second cue has a wrong CRC_32.
TEST(Scte35, CuesOfARealStreamWithTheirPreRoll)
{
    Bytes s = read_bytes(fixture_path("ffmpeg_clean.ts"));
    const Bytes pmt = long_section(0x02, 1, 0, {0xE1, 0x00, 0xF0, 0x00, 0x1B, 0xE1, 0x00, 0xF0, 0x00, 0x0F, 0xE1, 0x01,
                                                0xF0, 0x00, 0x86, 0xE1, 0xF4, 0xF0, 0x00});
    for (std::size_t i = 0; i < s.size(); i += 188) {
        if (packet_pid_of(&s[i]) == 0x1000) {
            const Bytes p = section_packets(0x1000, pmt, s[i + 3] & 0x0F);
            std::copy(p.begin(), p.end(), s.begin() + static_cast<long>(i));
        }
    }
    // splice_insert: event 42, out of network, program splice, no duration, not immediate, pts 465300 (0x71994)
    const Bytes insert = cue(0, 0x05, {0, 0, 0, 42, 0x7F, 0xCF, 0xFE, 0x00, 0x07, 0x19, 0x94, 0, 1, 0, 0}, {});
    Bytes bad = insert;
    bad.back() ^= 0xFF;
    const Bytes cues = join({section_packets(0x01F4, insert, 0), section_packets(0x01F4, bad, 1)});
    s.insert(s.begin() + 50 * 188, cues.begin(), cues.end());
    RunOptions options;
    options.cues_mode = true;
    options.json = true;
    const Result r = run_report(s, options);
    ASSERT_EQ(r.status, 0);
    const json first = json::parse(r.out.substr(0, r.out.find('\n')));
    EXPECT_EQ(first["packet"], 51);
    EXPECT_EQ(first["pid"], 0x01F4);
    EXPECT_EQ(first["program_number"], 1);
    EXPECT_EQ(first["crc_ok"], true);
    EXPECT_EQ(first["splice_event_id"], 42);
    EXPECT_EQ(first["pts_time"], 465300);
    EXPECT_NEAR(first["preroll_s"].get<double>(), 360300.0 / 90000, 1e-9);
    // From the first packet, three packets before the first PCR (0.70 s; the next, 0.72 s, 7 packets on)
    EXPECT_NEAR(first["time_s"].get<double>(), 1.16 + 0.02 * 188 / 564 - (0.70 - 0.02 * 3 / 7), 1e-9);
    const json second = json::parse(r.out.substr(r.out.find('\n') + 1));
    EXPECT_EQ(second["crc_ok"], false);
    options.json = false;
    const std::string text = run_report(s, options).out;
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "=> Cue:                     packet '51'd, byte '9400'd, PID '01F4'h\n");
    EXPECT_NE(text.find("   Pre-roll:                   '4.003' s\n"), std::string::npos) << text;
    // --summary names the cue PID and counts its cues (the one with a correct CRC_32).
    options.cues_mode = false;
    options.summary_mode = true;
    const std::string summary = run_report(s, options).out;
    EXPECT_NE(summary.find("'01F4'h, '86'h, User Private, scte_35, '1'd cues\n"), std::string::npos) << summary;
}


}  // namespace
}  // namespace ostrel::test
