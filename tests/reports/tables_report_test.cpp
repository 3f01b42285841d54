// --tables on streams built here: each descriptor decoder on a CAT that
// carries it alone, then tables over sections, versions, CRC_32 errors and
// repeats. The expected fields were worked out by hand from the bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "support.hpp"
#include "output/output.hpp"
#include "psi/dvb/dvb_text.hpp"
#include "psi/table_decoders.hpp"
#include "reports/tables/tables_output.hpp"

namespace ostrel::test {
namespace {

using nlohmann::json;

std::vector<json> tables_json(const Bytes& stream, unsigned pid = 0xFFFF)
{
    RunOptions options;
    options.tables_mode = true;
    options.json = true;
    options.pid_filter = static_cast<std::uint16_t>(pid);
    const Result r = run_report(stream, options);
    EXPECT_EQ(r.status, 0);
    std::vector<json> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(json::parse(r.out.substr(at, end - at)));
    return lines;
}

Bytes cat_with(const Bytes& descriptors) { return section_packets(0x0001, long_section(0x01, 0xFFFF, 0, descriptors)); }

struct Described {
    const char* name;
    Bytes descriptors;
    const char* expected;  // the CAT's "descriptors"
};

TEST(Tables, EachDescriptorDecoded)
{
    const Described cases[] = {
        {"service", descriptor(0x48, {0x01, 3, 'A', 'B', 'C', 6, 'N', 'e', 'w', 's', ' ', 0xA4}),
         R"([{"tag":72,"name":"service_descriptor","length":12,"service_type":1,"service_provider_name":"ABC",
             "service_name":"News €"}])"},
        {"short_event, ISO/IEC 6937 and UTF-8",
         descriptor(0x4D, {'d', 'e', 'u', 5, 'K', 0xC8, 'a', 's', 'e', 9, 0x15, 'B', 'r', 'o', 't', ' ', 0xE2, 0x82, 0xAC}),
         R"([{"tag":77,"name":"short_event_descriptor","length":19,"language":"deu","event_name":"Käse",
             "text":"Brot €"}])"},
        {"ISO_639_language, two entries", descriptor(0x0A, {'d', 'e', 'u', 0x00, 'e', 'n', 'g', 0x03}),
         R"([{"tag":10,"name":"ISO_639_language_descriptor","length":8,
             "entries":[{"language":"deu","audio_type":0},{"language":"eng","audio_type":3}]}])"},
        {"registration", descriptor(0x05, {'C', 'U', 'E', 'I'}),
         R"([{"tag":5,"name":"registration_descriptor","length":4,"format_identifier":"CUEI"}])"},
        {"CA", descriptor(0x09, {0x0B, 0x00, 0xE1, 0x23, 0x01, 0x02}),
         R"([{"tag":9,"name":"CA_descriptor","length":6,"ca_system_id":2816,"ca_pid":291,"private_data":"0102"}])"},
        {"subtitling", descriptor(0x59, {'e', 'n', 'g', 0x10, 0x00, 0x01, 0x00, 0x02}),
         R"([{"tag":89,"name":"subtitling_descriptor","length":8,"entries":[{"language":"eng","subtitling_type":16,
             "composition_page_id":1,"ancillary_page_id":2}]}])"},
        // 0x11: teletext_type 00010 (subtitle page), magazine 001
        {"teletext", descriptor(0x56, {'d', 'e', 'u', 0x11, 0x50}),
         R"([{"tag":86,"name":"teletext_descriptor","length":5,"entries":[{"language":"deu","teletext_type":2,
             "teletext_magazine_number":1,"teletext_page_number":80}]}])"},
        // 0xC0: component_type_flag and bsid_flag
        {"AC-3", descriptor(0x6A, {0xC0, 0x42, 0x08}),
         R"([{"tag":106,"name":"AC-3_descriptor","length":3,"component_type_flag":true,"bsid_flag":true,
             "mainid_flag":false,"asvc_flag":false,"component_type":66,"bsid":8}])"},
        // 0x82: component_type_flag and substream2_flag
        {"enhanced_AC-3", descriptor(0x7A, {0x82, 0x44, 0x11}),
         R"([{"tag":122,"name":"enhanced_AC-3_descriptor","length":3,"component_type_flag":true,"bsid_flag":false,
             "mainid_flag":false,"asvc_flag":false,"mixinfoexists":false,"substream1_flag":false,
             "substream2_flag":true,"substream3_flag":false,"component_type":68,"substream2":17}])"},
        {"AAC", descriptor(0x7C, {0x58, 0x80, 0x03}),
         R"([{"tag":124,"name":"AAC_descriptor","length":3,"profile_and_level":88,"aac_type_flag":true,
             "saoc_de_flag":false,"aac_type":3}])"},
        // 0x02: country_region_id 0, reserved 1, polarity 0 (ahead of UTC)
        {"local_time_offset",
         descriptor(0x58, {'D', 'E', 'U', 0x02, 0x01, 0x00, 0xC0, 0x79, 0x12, 0x45, 0x00, 0x02, 0x00}),
         R"([{"tag":88,"name":"local_time_offset_descriptor","length":13,"entries":[{"country_code":"DEU",
             "country_region_id":0,"local_time_offset_polarity":0,"local_time_offset":"01:00",
             "time_of_change":"1993-10-13T12:45:00Z","next_time_offset":"02:00"}]}])"},
        // 0x81: east, horizontal, DVB-S, QPSK; 27.5 Msymbol/s, FEC 3/4
        {"satellite_delivery_system",
         descriptor(0x43, {0x01, 0x13, 0x62, 0x50, 0x01, 0x92, 0x81, 0x02, 0x74, 0x50, 0x03}),
         R"([{"tag":67,"name":"satellite_delivery_system_descriptor","length":11,"frequency":"11.36250",
             "orbital_position":"19.2","west_east_flag":true,"polarization":0,"modulation_system":false,
             "modulation_type":1,"symbol_rate":"27.4500","fec_inner":3}])"},
        // EN 300 468 6.2.8: stream_content_ext 4 bits, stream_content 4, component_type 8, component_tag 8,
        // language 24, then text: F1 is ext 0xF, content 0x1
        {"component", descriptor(0x50, {0xF1, 0x01, 0x01, 'f', 'r', 'e'}),
         R"([{"tag":80,"name":"component_descriptor","length":6,"stream_content_ext":15,"stream_content":1,
             "component_type":1,"component_tag":1,"language":"fre","text":""}])"},
        // ISO/IEC 13818-1 Table 2-103: profile 01 (Main), level 0x5D; 9F: temporal_layer_subset_flag 1,
        // still 0, 24hr 0, sub_pic_hrd 1, reserved 11, hdr_wcg_idc 11; 1F 1F: temporal_id 000, reserved 11111
        {"HEVC video with a temporal layer subset",
         descriptor(0x38, {0x01, 0x60, 0x00, 0x00, 0x00, 0xB0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5D, 0x9F, 0x1F, 0x1F}),
         R"([{"tag":56,"name":"HEVC_video_descriptor","length":15,"profile_space":0,"tier_flag":false,
             "profile_idc":1,"profile_compatibility_indication":1610612736,"progressive_source_flag":true,
             "interlaced_source_flag":false,"non_packed_constraint_flag":true,"frame_only_constraint_flag":true,
             "copied_44bits":0,"level_idc":93,"temporal_layer_subset_flag":true,"hevc_still_present_flag":false,
             "hevc_24hr_picture_present_flag":false,"sub_pic_hrd_params_not_present_flag":true,"hdr_wcg_idc":3,
             "temporal_id_min":0,"temporal_id_max":0}])"},
        {"service_list", descriptor(0x41, {0x00, 0x01, 0x01, 0x00, 0x02, 0x02}),
         R"([{"tag":65,"name":"service_list_descriptor","length":6,
             "services":[{"service_id":1,"service_type":1},{"service_id":2,"service_type":2}]}])"},
        // 0xFC 0x05: visible, reserved 11111, number 5
        {"logical_channel after the EACEM private_data_specifier",
         join({descriptor(0x5F, {0x00, 0x00, 0x00, 0x28}), descriptor(0x83, {0x00, 0x2A, 0xFC, 0x05})}),
         R"([{"tag":95,"name":"private_data_specifier_descriptor","length":4,"private_data_specifier":40},
             {"tag":131,"name":"logical_channel_descriptor","length":4,"entries":[{"service_id":42,
             "visible_service_flag":true,"logical_channel_number":5}]}])"},
        {"0x83 without a private_data_specifier: not decoded", descriptor(0x83, {0x00, 0x2A, 0xFC, 0x05}),
         R"([{"tag":131,"length":4,"data":"002afc05"}])"},
        // the name claims 20 bytes of the 10 the descriptor has
        {"a field cut by the end of its descriptor", descriptor(0x48, {0x01, 3, 'A', 'B', 'C', 20, 'N', 'e', 'w', 's'}),
         R"([{"tag":72,"name":"service_descriptor","length":10,"service_type":1,"service_provider_name":"ABC",
             "cut":true}])"},
        // the descriptor claims 10 bytes, the loop holds 3 of them
        {"a descriptor cut by the end of its loop", {0x48, 10, 0x01, 1, 'A'},
         R"([{"tag":72,"name":"service_descriptor","length":10,"service_type":1,"service_provider_name":"A",
             "cut":true}])"},
    };
    for (const Described& c : cases) {
        const auto lines = tables_json(cat_with(c.descriptors));
        ASSERT_EQ(lines.size(), 2u) << c.name;
        EXPECT_EQ(lines[0]["table"], "CAT") << c.name;
        EXPECT_EQ(lines[0]["descriptors"], json::parse(c.expected)) << c.name;
    }
}

// A service entry of an SDT: service_id, no EIT flags, running, its service_descriptor.
Bytes sdt_service(unsigned id, const char* name)
{
    Bytes d{0x01, 0x00};
    d.push_back(static_cast<unsigned char>(std::strlen(name)));
    d.insert(d.end(), name, name + std::strlen(name));
    const Bytes desc = descriptor(0x48, d);
    Bytes s{static_cast<unsigned char>(id >> 8), static_cast<unsigned char>(id), 0xFC,
            static_cast<unsigned char>(0x80 | desc.size() >> 8), static_cast<unsigned char>(desc.size())};
    s.insert(s.end(), desc.begin(), desc.end());
    return s;
}

Bytes sdt_section(unsigned number, unsigned last, const Bytes& services, unsigned version = 0)
{
    Bytes body{0x00, 0x22, 0xFF};  // original_network_id 0x0022
    body.insert(body.end(), services.begin(), services.end());
    return long_section(0x42, 7, version, body, number, last);
}

// An EIT present/following actual event: event_id, start, duration, running, descriptors.
Bytes eit_event(unsigned id, const Bytes& descriptors)
{
    Bytes e{static_cast<unsigned char>(id >> 8), static_cast<unsigned char>(id), 0xC0, 0x79, 0x12, 0x45, 0x00,
            0x01, 0x30, 0x00, static_cast<unsigned char>(0x80 | descriptors.size() >> 8),
            static_cast<unsigned char>(descriptors.size())};
    e.insert(e.end(), descriptors.begin(), descriptors.end());
    return e;
}

Bytes eit_section(unsigned number, const Bytes& events)
{
    Bytes body{0x00, 0x07, 0x00, 0x22, 0x01, 0x4E};  // ts 7, onid 0x22, segment_last 1, last_table_id 0x4E
    body.insert(body.end(), events.begin(), events.end());
    return long_section(0x4E, 42, 3, body, number, 1);
}

TEST(Tables, SectionsVersionsCrcAndRepeats)
{
    const Bytes name_6937 = descriptor(0x4D, {'d', 'e', 'u', 4, 'T', 0xC8, 'o', 'r', 0});
    const Bytes name_utf8 = descriptor(0x4D, {'d', 'e', 'u', 4, 0x15, 'T', 0xC3, 0xB6, 0});
    Bytes tot = short_section(0x73, {0xC0, 0x79, 0x12, 0x45, 0x00, 0xF0, 0x0F, 0x58, 0x0D,
                                     'D', 'E', 'U', 0x02, 0x01, 0x00, 0xC0, 0x79, 0x12, 0x45, 0x00, 0x02, 0x00}, true);
    Bytes bad_tot = tot;
    bad_tot.back() ^= 0x01;
    const Bytes nit_body = join({Bytes{0xF0, 0x05}, descriptor(0x40, {'N', 'e', 't'}), Bytes{0xF0, 0x18, 0x00, 0x07, 0x00, 0x22, 0xF0, 0x12},
                                 descriptor(0x41, {0x00, 0x2A, 0x01}),
                                 descriptor(0x5A, {0x04, 0x81, 0x0C, 0x20, 0x1F, 0x43, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})});
    int counter = 0;
    const auto on = [&](unsigned pid, const Bytes& section) { return section_packets(pid, section, counter++); };
    const Bytes stream = join({
        on(0x0011, sdt_section(0, 1, sdt_service(1, "One"))),                         // 1: SDT section 0 of 2
        on(0x0012, eit_section(0, eit_event(0x100, name_6937))),                      // 2: EIT p/f section 0
        on(0x0014, bad_tot),                                                          // 3: TOT, CRC_32 wrong
        on(0x0011, sdt_section(1, 1, sdt_service(2, "Two"))),                         // 4: SDT complete
        on(0x0012, eit_section(1, eit_event(0x101, name_utf8))),                      // 5: EIT complete
        on(0x0014, tot),                                                              // 6: TOT
        on(0x0010, long_section(0x40, 0x3001, 0, nit_body)),                          // 7: NIT
        on(0x0011, sdt_section(0, 1, sdt_service(1, "One"))),                         // 8, 9: the SDT again,
        on(0x0011, sdt_section(1, 1, sdt_service(2, "Two"))),                         //   unchanged
        on(0x0011, sdt_section(0, 0, sdt_service(1, "Uno"), 1)),                      // 10: version 1, one section
    });
    const auto lines = tables_json(stream);
    ASSERT_EQ(lines.size(), 6u);
    const json& sdt = lines[0];
    EXPECT_EQ(sdt["packet"], 4);
    EXPECT_EQ(sdt["offset"], 3 * 188);
    EXPECT_EQ(sdt["table"], "SDT actual");
    EXPECT_EQ(sdt["transport_stream_id"], 7);
    EXPECT_EQ(sdt["original_network_id"], 0x22);
    EXPECT_EQ(sdt["sections"], 2);
    EXPECT_EQ(sdt["services"].size(), 2u);
    EXPECT_EQ(sdt["services"][1]["service_id"], 2);
    EXPECT_EQ(sdt["services"][1]["running_status"], 4);
    EXPECT_EQ(sdt["services"][1]["descriptors"][0]["service_name"], "Two");

    const json& eit = lines[1];
    EXPECT_EQ(eit["packet"], 5);
    EXPECT_EQ(eit["service_id"], 42);
    EXPECT_EQ(eit["version"], 3);
    ASSERT_EQ(eit["events"].size(), 2u);
    EXPECT_EQ(eit["events"][0]["start_time"], "1993-10-13T12:45:00Z");
    EXPECT_EQ(eit["events"][0]["duration"], "01:30:00");
    EXPECT_EQ(eit["events"][0]["descriptors"][0]["event_name"], "Tör");
    EXPECT_EQ(eit["events"][1]["event_id"], 0x101);
    EXPECT_EQ(eit["events"][1]["descriptors"][0]["event_name"], "Tö");
    EXPECT_EQ(eit["events"][1]["descriptors"][0]["text"], "");

    const json& t = lines[2];
    EXPECT_EQ(t["table"], "TOT");
    EXPECT_EQ(t["packet"], 6);
    EXPECT_EQ(t["version"], nullptr);
    EXPECT_EQ(t["utc_time"], "1993-10-13T12:45:00Z");
    EXPECT_EQ(t["descriptors"][0]["entries"][0]["local_time_offset"], "01:00");

    const json& nit = lines[3];
    EXPECT_EQ(nit["network_id"], 0x3001);
    EXPECT_EQ(nit["descriptors"][0]["network_name"], "Net");
    EXPECT_EQ(nit["transport_streams"][0]["transport_stream_id"], 7);
    EXPECT_EQ(nit["transport_streams"][0]["descriptors"][0]["services"][0]["service_id"], 42);
    // centre_frequency 0x04810C20 x 10 Hz = 754 MHz; 0x1F: 8 MHz, high priority, no time slicing or MPE-FEC
    EXPECT_EQ(nit["transport_streams"][0]["descriptors"][1]["centre_frequency"], 0x04810C20);
    EXPECT_EQ(nit["transport_streams"][0]["descriptors"][1]["bandwidth"], 0);

    EXPECT_EQ(lines[4]["version"], 1);
    EXPECT_EQ(lines[4]["services"][0]["descriptors"][0]["service_name"], "Uno");

    const json& summary = lines[5]["tables_summary"];
    ASSERT_EQ(summary.size(), 4u);  // NIT, SDT, EIT, TOT in PID order
    EXPECT_EQ(summary[1]["table"], "SDT actual");
    EXPECT_EQ(summary[1]["versions"], 2);
    EXPECT_EQ(summary[1]["copies"], 3);
    EXPECT_EQ(summary[3]["table"], "TOT");
    EXPECT_EQ(summary[3]["crc_errors"], 1);
    EXPECT_EQ(summary[3]["copies"], 1);
    EXPECT_EQ(summary[1]["interval_mean_s"], nullptr);  // no PCR: no time

    // With a PID, that PID's tables only.
    const auto only = tables_json(stream, 0x0014);
    ASSERT_EQ(only.size(), 2u);
    EXPECT_EQ(only[0]["table"], "TOT");
    EXPECT_EQ(only[1]["tables_summary"].size(), 1u);
}

// 5,000 EIT schedule tables (one service each): the store tracks 4,096 and says so.
TEST(Tables, TablesPastTheStoreAreCountedNotKept)
{
    Bytes stream;
    for (unsigned service = 0; service < 5000; ++service) {
        const Bytes body{0x00, 0x07, 0x00, 0x22, 0x00, 0x50};
        const Bytes p = section_packets(0x0012, long_section(0x50, service, 0, body), service);
        stream.insert(stream.end(), p.begin(), p.end());
    }
    const auto lines = tables_json(stream);
    ASSERT_EQ(lines.size(), 4097u);
    EXPECT_EQ(lines.back()["sections_not_tracked"], 5000 - 4096);
    RunOptions tables;
    tables.tables_mode = true;
    const std::string text = run_report(stream, tables).out;
    EXPECT_NE(text.find("=> Not tracked:             '904'd sections of tables past the store's 4096\n"),
              std::string::npos);
}

// A TDT or TOT has no version: a new table whenever its content is new, a
// repeat counted. Each TOT carries a correct CRC_32, which alone tells them apart.
TEST(Tables, TimeTablesNewWhenTheirContentIs)
{
    const auto tot = [](unsigned char second) {
        return short_section(0x73, {0xC0, 0x79, 0x12, 0x45, second, 0xF0, 0x00}, true);
    };
    const auto tdt = [](unsigned char second) { return short_section(0x70, {0xC0, 0x79, 0x12, 0x45, second}, false); };
    const Bytes stream = join({section_packets(0x14, tot(0x00), 0), section_packets(0x14, tot(0x00), 1),
                               section_packets(0x14, tot(0x01), 2), section_packets(0x14, tdt(0x00), 3),
                               section_packets(0x14, tdt(0x00), 4), section_packets(0x14, tdt(0x59), 5)});
    const auto lines = tables_json(stream);
    ASSERT_EQ(lines.size(), 5u);
    const char* const expected[][3] = {{"TOT", "1", "1993-10-13T12:45:00Z"},
                                       {"TOT", "3", "1993-10-13T12:45:01Z"},
                                       {"TDT", "4", "1993-10-13T12:45:00Z"},
                                       {"TDT", "6", "1993-10-13T12:45:59Z"}};
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(lines[i]["table"], expected[i][0]) << i;
        EXPECT_EQ(lines[i]["packet"], std::stoi(expected[i][1])) << i;
        EXPECT_EQ(lines[i]["utc_time"], expected[i][2]) << i;
    }
    for (const json& row : lines[4]["tables_summary"])
        EXPECT_EQ(row["copies"], 3) << row;
}

// Every table_id's decoder on a section cut at every length, as both writers
// receive it: no call may throw, and the JSON says where the bytes ended.
TEST(Tables, EveryTableIdCutAtEveryLengthWritesTextAndJson)
{
    // Loops that claim more than they hold: a NIT/BAT-like start, then descriptors.
    const Bytes body{0xF0, 0x30, 0x40, 0x05, 'N', 'e', 't', 0x50, 0x06, 0xF1, 0x01, 0xF0, 0x40, 0x00, 0x01, 0x00, 0x02,
                     0xF0, 0x20, 0x48, 0x09, 0x01, 0x01, 'A', 0x05, 'B', 0x0A, 0x04, 'e', 'n', 'g', 0x00};
    char text[4096];
    std::FILE* null = std::fopen("/dev/null", "wb");
    ASSERT_NE(null, nullptr);
    Output out{null, text, sizeof text, 0, false};
    DvbText dvb;
    for (unsigned table_id = 0; table_id < 256; ++table_id) {
        for (const Bytes& whole : {long_section(table_id, 1, 0, body), short_section(table_id, body, true)}) {
            for (std::size_t size = 0; size <= whole.size(); ++size) {
                const SectionBytes section{whole.data(), size};
                json entry = json::object();
                DecodeContext c{dvb};
                EXPECT_NO_THROW(decode_table(table_id, &section, 1, c, *json_field_sink(entry))) << table_id << " " << size;
                EXPECT_NO_THROW(static_cast<void>(entry.dump())) << table_id << " " << size;
                DecodeContext t{dvb};
                decode_table(table_id, &section, 1, t, *text_field_sink(out));
            }
        }
    }
    out_flush(out);
    std::fclose(null);
}

// A NIT and a BAT whose first descriptor loop runs past the section (CRC_32
// correct): the loop is not read, and both forms say the table is cut there.
TEST(Tables, NetworkDescriptorLoopPastTheSection)
{
    // network_descriptors_length 0x020 (32) where 6 bytes follow: network_name "Net" (40 03 'N' 'e' 't'), 0x4A
    const Bytes body{0xF0, 0x20, 0x40, 0x03, 'N', 'e', 't', 0x4A};
    for (const unsigned table_id : {0x40u, 0x4Au}) {
        const Bytes stream = section_packets(0x0010, long_section(table_id, 0x3001, 0, body));
        const auto lines = tables_json(stream);
        ASSERT_EQ(lines.size(), 2u) << table_id;
        EXPECT_EQ(lines[0]["descriptors"], json::array()) << table_id;
        EXPECT_EQ(lines[0]["cut"], true) << table_id;
        EXPECT_EQ(lines[0]["transport_streams"], json::array()) << table_id;
        RunOptions tables;
        tables.tables_mode = true;
        const Result text = run_report(stream, tables);
        EXPECT_EQ(text.status, 0);
        EXPECT_NE(text.out.find("   descriptors:\n      (cut: the bytes end here)\n   transport_streams:\n"), std::string::npos) << text.out;
    }
}

TEST(Tables, RealStreamsMatchTheirGoldenReports)
{
    const char* const cases[][2] = {
        {"tests/fixtures/ffmpeg_service.ts", "ffmpeg_service_tables.txt"},
        {"tests/fixtures/gst_two_programs.ts", "gst_two_programs_tables.txt"},
    };
    for (const auto& c : cases) {
        const Result r = run_program(std::string("cd '" OSTREL_SOURCE_DIR "' && \"$OSTREL\" ") + c[0] + " --TABLES");
        EXPECT_EQ(r.out, golden(c[1])) << c[0];
        EXPECT_EQ(r.status, 0) << c[0];
    }
}

}  // namespace
}  // namespace ostrel::test
