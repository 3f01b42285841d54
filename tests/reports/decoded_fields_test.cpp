// --decode: adaptation fields and PES headers field by field, every field
// cut at each of its bytes, and real packets against ffprobe's timestamps.
#include "reports/packets/decoded_fields.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.hpp"

namespace ostrel::test {
namespace {

std::string adaptation(const Bytes& field, std::size_t length)
{
    std::string text(max_decoded_size, '\0');
    text.resize(static_cast<std::size_t>(put_adaptation_fields(text.data(), field.data(), length) - text.data()));
    return text;
}

std::string pes(const Bytes& header, std::size_t length)
{
    std::string text(max_decoded_size, '\0');
    text.resize(static_cast<std::size_t>(put_pes_header_fields(text.data(), header.data(), length) - text.data()));
    return text;
}

// Every flag set, every field there: 31 bytes after adaptation_field_length.
const Bytes all_fields = {
    0xFF,                                // the eight flags
    0x00, 0x00, 0x7B, 0x0C, 0x7E, 0x00,  // PCR: base 63000, extension 0
    0x00, 0x00, 0x00, 0x00, 0xFF, 0x2B,  // OPCR: base 1, extension 299
    0xFE,                                // splice_countdown -2
    0x02, 0xAA, 0xBB,                    // transport_private_data
    0x0B, 0xFF,                          // extension: length 11, ltw, piecewise_rate, seamless_splice
    0x80, 0x10,                          // ltw_valid_flag 1, ltw_offset 16
    0xC0, 0x00, 0x64,                    // piecewise_rate 100
    0x31, 0x00, 0x05, 0xBF, 0x21,        // splice_type 3, DTS_next_AU 90000
    0xFF, 0xFF,                          // stuffing
};

const char* const all_fields_text =
    "   discontinuity_indicator:                '1'b\n"
    "   random_access_indicator:                '1'b\n"
    "   elementary_stream_priority_indicator:   '1'b\n"
    "   PCR_flag:                               '1'b\n"
    "   OPCR_flag:                              '1'b\n"
    "   splicing_point_flag:                    '1'b\n"
    "   transport_private_data_flag:            '1'b\n"
    "   adaptation_field_extension_flag:        '1'b\n"
    "   program_clock_reference_base:           '63000'd\n"
    "   program_clock_reference_extension:      '0'd\n"
    "   PCR:                                    '18900000'd, 0.700000 s\n"
    "   original_program_clock_reference_base:  '1'd\n"
    "   original_program_clock_reference_extension: '299'd\n"
    "   OPCR:                                   '599'd, 0.000022 s\n"
    "   splice_countdown:                       '-2'd\n"
    "   transport_private_data_length:          '2'd\n"
    "   AA:BB\n"
    "   adaptation_field_extension_length:      '11'd\n"
    "   ltw_flag:                               '1'b\n"
    "   piecewise_rate_flag:                    '1'b\n"
    "   seamless_splice_flag:                   '1'b\n"
    "   ltw_valid_flag:                         '1'b\n"
    "   ltw_offset:                             '16'd\n"
    "   piecewise_rate:                         '100'd\n"
    "   splice_type:                            '0011'b\n"
    "   DTS_next_AU:                            '90000'd, 1.000000 s\n"
    "   stuffing_bytes:                         '2'd\n";

// The lines before `line` in `text`, then the line saying `name` is cut.
std::string cut_at(const std::string& text, const std::string& line, const std::string& name, unsigned indent,
                   const std::string& where)
{
    const std::size_t at = text.find(line);
    EXPECT_NE(at, std::string::npos) << line;
    std::string label = std::string(indent, ' ') + name + ":";
    label.resize(indent + 40, ' ');
    return text.substr(0, at) + label + "cut by the end of the " + where + "\n";
}

// Cut after `first` to `last` bytes: the line of the whole text the cut replaces, and the field it names.
struct Cut {
    std::size_t first, last;
    const char* line;
    const char* name;
};

void expect_cuts(std::string (*decode)(const Bytes&, std::size_t), const Bytes& bytes, const std::string& whole,
                 std::initializer_list<Cut> cuts, unsigned indent, const std::string& where)
{
    for (const Cut& c : cuts) {
        for (std::size_t length = c.first; length <= c.last; ++length)
            EXPECT_EQ(decode(bytes, length), cut_at(whole, c.line, c.name, indent, where)) << length;
    }
}

TEST(DecodedFields, AdaptationFieldWithEveryFieldAndCutAtEachByte)
{
    EXPECT_EQ(adaptation(all_fields, 31), all_fields_text);
    EXPECT_EQ(adaptation(all_fields, 0), "");
    expect_cuts(adaptation, all_fields, all_fields_text, {
        {1, 6, "   program_clock_reference_base:", "program_clock_reference_base"},
        {7, 12, "   original_program_clock_reference_base:", "original_program_clock_reference_base"},
        {13, 13, "   splice_countdown:", "splice_countdown"},
        {14, 14, "   transport_private_data_length:", "transport_private_data_length"},
        {15, 16, "   AA:BB\n", "private_data_byte"},
        {17, 17, "   adaptation_field_extension_length:", "adaptation_field_extension_length"},
        {18, 18, "   ltw_flag:", "ltw_flag"},
        {19, 20, "   ltw_valid_flag:", "ltw_valid_flag"},
        {21, 23, "   piecewise_rate:", "piecewise_rate"},
        {24, 28, "   splice_type:", "splice_type"},
    }, 3, "adaptation field");
    const std::string whole = all_fields_text;
    const std::string no_stuffing = whole.substr(0, whole.find("   stuffing_bytes:"));
    EXPECT_EQ(adaptation(all_fields, 29), no_stuffing + "   stuffing_bytes:                         '0'd\n");
}

TEST(DecodedFields, AdaptationFieldFlagsAlone)
{
    // Each flag alone, with the bytes it announces zero: the flag lines, its field, the stuffing.
    struct Alone {
        unsigned flags;
        std::size_t field_bytes;
        const char* lines;
    };
    const Alone cases[] = {
        {0x80, 0, ""},
        {0x10, 6,
         "   program_clock_reference_base:           '0'd\n"
         "   program_clock_reference_extension:      '0'd\n"
         "   PCR:                                    '0'd, 0.000000 s\n"},
        {0x04, 1, "   splice_countdown:                       '0'd\n"},
        {0x02, 1, "   transport_private_data_length:          '0'd\n   no data\n"},
        {0x01, 1, "   adaptation_field_extension_length:      '0'd\n"},
    };
    for (const Alone& c : cases) {
        Bytes field(1 + c.field_bytes + 3, 0x00);
        field[0] = static_cast<unsigned char>(c.flags);
        field[1 + c.field_bytes] = 0xFF;
        const std::string text = adaptation(field, field.size());
        const std::string flag_lines = text.substr(0, 8 * 48);
        EXPECT_EQ(text.substr(8 * 48), std::string(c.lines) + "   stuffing_bytes:                         '3'd\n")
            << c.flags;
        for (unsigned bit = 0; bit < 8; ++bit)
            EXPECT_EQ(flag_lines[48 * bit + 44], (c.flags >> (7 - bit) & 1) ? '1' : '0') << c.flags << " " << bit;
    }
}

// A video PES header with every optional field of 2.4.3.7 but the extension.
const Bytes full_header = {
    0x00, 0x00, 0x01, 0xE0, 0x00, 0x00,  // video, PES_packet_length 0
    0x8D,                                // '10', scrambling 00, priority 1, alignment 1, copyright 0, original 1
    0xFE,                                // PTS and DTS, ESCR, ES_rate, trick mode, copy info, CRC
    0x17,                                // PES_header_data_length 23
    0x31, 0x00, 0x05, 0xBF, 0x21,        // PTS 90000
    0x11, 0x00, 0x03, 0xD4, 0xC1,        // DTS 60000
    0x04, 0x00, 0x04, 0x00, 0x04, 0x01,  // ESCR base 0, extension 0
    0x80, 0x00, 0x03,                    // ES_rate 1
    0x1D,                                // trick_mode_control 000: field_id 11, intra_slice_refresh 1, frequency_truncation 01
    0x85,                                // additional_copy_info 5
    0x12, 0x34,                          // previous_PES_packet_CRC
};

const char* const full_header_text =
    "      PES_packet_length:                      '0'd, unbounded (video streams only)\n"
    "      PES_scrambling_control:                 '00'b\n"
    "      PES_priority:                           '1'b\n"
    "      data_alignment_indicator:               '1'b\n"
    "      copyright:                              '0'b\n"
    "      original_or_copy:                       '1'b\n"
    "      PTS_DTS_flags:                          '11'b\n"
    "      ESCR_flag:                              '1'b\n"
    "      ES_rate_flag:                           '1'b\n"
    "      DSM_trick_mode_flag:                    '1'b\n"
    "      additional_copy_info_flag:              '1'b\n"
    "      PES_CRC_flag:                           '1'b\n"
    "      PES_extension_flag:                     '0'b\n"
    "      PES_header_data_length:                 '23'd\n"
    "      PTS:                                    '90000'd, 1.000000 s\n"
    "      DTS:                                    '60000'd, 0.666666 s\n"
    "      ESCR_base:                              '0'd\n"
    "      ESCR_extension:                         '0'd\n"
    "      ESCR:                                   '0'd, 0.000000 s\n"
    "      ES_rate:                                '1'd\n"
    "      trick_mode_control:                     '000'b\n"
    "      field_id:                               '11'b\n"
    "      intra_slice_refresh:                    '1'b\n"
    "      frequency_truncation:                   '01'b\n"
    "      additional_copy_info:                   '5'd\n"
    "      previous_PES_packet_CRC:                '1234'h\n";

TEST(DecodedFields, PesHeaderWithEveryFieldAndCutAtEachByte)
{
    EXPECT_EQ(pes(full_header, full_header.size()), full_header_text);
    expect_cuts(pes, full_header, full_header_text, {
        {4, 5, "      PES_packet_length:", "PES_packet_length"},
        {6, 8, "      PES_scrambling_control:", "PES_scrambling_control"},
        {9, 13, "      PTS:", "PTS"},
        {14, 18, "      DTS:", "DTS"},
        {19, 24, "      ESCR_base:", "ESCR_base"},
        {25, 27, "      ES_rate:", "ES_rate"},
        {28, 28, "      trick_mode_control:", "trick_mode_control"},
        {29, 29, "      additional_copy_info:", "additional_copy_info"},
        {30, 31, "      previous_PES_packet_CRC:", "previous_PES_packet_CRC"},
    }, 6, "PES header");
}

TEST(DecodedFields, PesHeaderVariants)
{
    Bytes pts_only = {0x00, 0x00, 0x01, 0xC0, 0x01, 0x00, 0x80, 0x80, 0x05, 0x21, 0x00, 0x05, 0xBF, 0x21};
    const std::string pts_only_tail = "      PES_header_data_length:                 '5'd\n"
                                      "      PTS:                                    '90000'd, 1.000000 s\n";
    const std::string text = pes(pts_only, pts_only.size());
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), "      PES_packet_length:                      '256'd\n");
    EXPECT_EQ(text.substr(text.size() - pts_only_tail.size()), pts_only_tail);
    pts_only[11] = 0x04;  // the marker bit after PTS[29..15]
    const std::string bad = pes(pts_only, pts_only.size());
    EXPECT_EQ(bad.substr(bad.rfind("      PTS:")),
              "      PTS:                                    '90000'd, 1.000000 s, marker_bit not 1\n");
    // No optional header: padding_stream; no PES stream_id at all: nothing.
    const Bytes padding = {0x00, 0x00, 0x01, 0xBE, 0x00, 0x10, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(pes(padding, padding.size()), "      PES_packet_length:                      '16'd\n");
    const Bytes not_pes = {0x00, 0x00, 0x01, 0x42, 0x00, 0x10, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(pes(not_pes, not_pes.size()), "");
}

// The sample's first video PES start (PCR, random access) and first audio
// PES start; ffprobe -show_packets gives pts 133200, dts 126000 at byte 564
// and pts 131280 at byte 8836.
TEST(DecodedFields, RealPacketsAgreeWithFfprobe)
{
    const Result video = run_program("\"$OSTREL\" \"$SAMPLES/sample.ts\" --pid:0100 --DECODE | head -60");
    EXPECT_NE(video.out.find("TS Packet (No. 4)\n"), std::string::npos);
    EXPECT_NE(video.out.find("   random_access_indicator:                '1'b\n"), std::string::npos);
    EXPECT_NE(video.out.find("   PCR:                                    '18900000'd, 0.700000 s\n"), std::string::npos);
    EXPECT_NE(video.out.find("      PTS:                                    '133200'd, 1.480000 s\n"
                             "      DTS:                                    '126000'd, 1.400000 s\n      [Data]\n"),
              std::string::npos);
    const Result audio = run_program("\"$OSTREL\" \"$SAMPLES/sample.ts\" --pid:0101 --decode | head -60");
    EXPECT_NE(audio.out.find("TS Packet (No. 48)\n"), std::string::npos);
    EXPECT_NE(audio.out.find("      PTS:                                    '131280'd, 1.458666 s\n      [Data]\n"),
              std::string::npos);
}

}  // namespace
}  // namespace ostrel::test
