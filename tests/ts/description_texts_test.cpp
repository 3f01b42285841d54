#include "ts/description_texts.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(DescriptionTexts, SegmentsStartWhereTheirBasesSay)
{
    EXPECT_EQ(description_texts[two_bits_base], "00");
    EXPECT_EQ(description_texts[error_base], "No Error");
    EXPECT_EQ(description_texts[start_base], "Intermediate");
    EXPECT_EQ(description_texts[priority_base], "Low");
    EXPECT_EQ(description_texts[pid_base], "Program Association Table (PAT)");
    EXPECT_EQ(description_texts[scrambling_base], "Not Scrambled");
    EXPECT_EQ(description_texts[adaptation_base], "Reserved");
    EXPECT_EQ(description_texts[stream_id_base], "not a PES stream_id");
    EXPECT_EQ(description_texts[table_id_base], "program_association_section");
    EXPECT_EQ(description_texts[stream_type_base], "ITU-T | ISO/IEC Reserved");
    EXPECT_EQ(description_texts[description_text_count - 1], "User Private");
}

TEST(DescriptionTexts, PidRanges)
{
    EXPECT_EQ(pid_text(0x0001), "Conditional Access Table (CAT))");
    EXPECT_EQ(pid_text(0x0003), "IPMP Control Information Table");
    EXPECT_EQ(pid_text(0x0004), "Reserved");
    EXPECT_EQ(pid_text(0x000F), "Reserved");
    EXPECT_EQ(pid_text(0x0010), "User Defined (NIT, PMT or PES)");
    EXPECT_EQ(pid_text(0x1FFE), "User Defined (NIT, PMT or PES)");
    EXPECT_EQ(pid_text(0x1FFF), "Null Packet");
}

TEST(DescriptionTexts, BitsAndControls)
{
    EXPECT_EQ(two_bits_text(2), "10");
    EXPECT_EQ(scrambling_text(3), "User Defined");
    EXPECT_EQ(adaptation_text(1), "No Adaptation Field, Payload only");
    EXPECT_EQ(adaptation_text(2), "Adaptation Field only, No Payload");
    EXPECT_EQ(adaptation_text(3), "Adaptation Field followed by Payload");
    EXPECT_EQ(start_text(1), "start");
    EXPECT_EQ(priority_text(1), "High");
    EXPECT_EQ(error_text(1), "Error");
}

TEST(DescriptionTexts, StreamIdRangesAndNumbers)
{
    int number = 99;
    EXPECT_EQ(stream_id_text(0xBB, number), "not a PES stream_id");
    EXPECT_EQ(number, -1);
    EXPECT_EQ(stream_id_text(0x00, number), "not a PES stream_id");
    EXPECT_EQ(stream_id_text(0xBC, number), "program_stream_map");
    EXPECT_EQ(stream_id_text(0xBD, number), "private_stream_1");
    EXPECT_EQ(stream_id_text(0xBE, number), "padding_stream");
    EXPECT_EQ(stream_id_text(0xBF, number), "private_stream_2");
    EXPECT_EQ(number, -1);
    const char* audio = "ISO/IEC 13818-3 or ISO/IEC 11172-3 or ISO/IEC 13818-7 or ISO/IEC 14496-3 audio stream number #";
    EXPECT_EQ(stream_id_text(0xC5, number), audio);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(stream_id_text(0xDF, number), audio);
    EXPECT_EQ(number, 31);
    const char* video = "ITU-T Rec. H.262 | ISO/IEC 13818-2, ISO/IEC 11172-2, ISO/IEC 14496-2 or ITU-T Rec. H.264 | "
                        "ISO/IEC 14496-10 video stream number #";
    EXPECT_EQ(stream_id_text(0xE0, number), video);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(stream_id_text(0xEF, number), video);
    EXPECT_EQ(number, 15);
    EXPECT_EQ(stream_id_text(0xF0, number), "ECM_stream");
    EXPECT_EQ(number, -1);
    EXPECT_EQ(stream_id_text(0xF2, number), "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Annex A or ISO/IEC 13818-6_DSMCC_stream");
    EXPECT_EQ(stream_id_text(0xF8, number), "ITU-T Rec. H.222.1 type E");
    EXPECT_EQ(stream_id_text(0xFC, number), "metadata stream");
    EXPECT_EQ(stream_id_text(0xFF, number), "program_stream_directory");
}

TEST(DescriptionTexts, TableIdRanges)
{
    EXPECT_EQ(table_id_text(0x02), "TS_program_map_section");
    EXPECT_EQ(table_id_text(0x07), "IPMP_Control_Information_section (defined in ISO/IEC 13818-11)");
    const char* other = "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 reserved, User private or Forbidden";
    EXPECT_EQ(table_id_text(0x08), other);
    EXPECT_EQ(table_id_text(0xFF), other);
}

TEST(DescriptionTexts, StreamTypeRanges)
{
    EXPECT_EQ(stream_type_text(0x00), "ITU-T | ISO/IEC Reserved");
    EXPECT_EQ(stream_type_text(0x0F), "ISO/IEC 13818-7 Audio with ADTS transport syntax");
    EXPECT_EQ(stream_type_text(0x1A), "IPMP stream (defined in ISO/IEC 13818-11, MPEG-2 IPMP)");
    EXPECT_EQ(stream_type_text(0x1B), "AVC video stream as defined in ITU-T Rec. H.264 | ISO/IEC 14496-10 Video");
    EXPECT_EQ(stream_type_text(0x1C), "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Reserved");
    EXPECT_EQ(stream_type_text(0x24), "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Reserved");
    EXPECT_EQ(stream_type_text(0x7E), "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Reserved");
    EXPECT_EQ(stream_type_text(0x7F), "IPMP stream");
    EXPECT_EQ(stream_type_text(0x80), "User Private");
    EXPECT_EQ(stream_type_text(0xFF), "User Private");
}

// The names of this program's own reports: the packet and PMT reports' texts
// up to 0x1B, today's assignments after them, reserved from 0x36.
TEST(DescriptionTexts, StreamTypeAndPidNamesOfTheOtherReports)
{
    const std::pair<unsigned, const char*> types[] = {
        {0x02, "ITU-T Rec. H.262 | ISO/IEC 13818-2 Video or ISO/IEC 11172-2 constrained parameter video stream"},
        {0x1B, "AVC video stream as defined in ITU-T Rec. H.264 | ISO/IEC 14496-10 Video"},
        {0x1C, "ISO/IEC 14496-3 Audio without additional transport syntax"},
        {0x24, "HEVC video (ITU-T H.265 | ISO/IEC 23008-2)"},
        {0x33, "VVC video (ITU-T H.266 | ISO/IEC 23090-3)"},
        {0x35, "EVC video (ISO/IEC 23094-1)"},
        {0x36, "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Reserved"},
        {0x86, "User Private"},
    };
    for (const auto& [type, name] : types)
        EXPECT_EQ(stream_type_name(type), name) << type;
    EXPECT_EQ(pid_name(0x1FFB), "ATSC PSIP base (MGT, STT, VCT, RRT)");
    EXPECT_EQ(pid_name(0x1FFA), "User Defined (NIT, PMT or PES)");
    EXPECT_EQ(pid_name(0x1FFF), pid_text(0x1FFF));
}

}  // namespace
}  // namespace ostrel
