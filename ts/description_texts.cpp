#include "ts/description_texts.hpp"

#include <iterator>

namespace ostrel {

const std::string_view description_texts[description_text_count] = {
    // two-bit values
    "00", "01", "10", "11",
    // transport_error_indicator
    "No Error", "Error",
    // payload_unit_start_indicator
    "Intermediate", "start",
    // transport_priority
    "Low", "High",
    // PID
    "Program Association Table (PAT)",
    "Conditional Access Table (CAT))",
    "Transport Stream Description Table (TSDT)",
    "IPMP Control Information Table",
    "Reserved",
    "User Defined (NIT, PMT or PES)",
    "Null Packet",
    // transport_scrambling_control
    "Not Scrambled", "User Defined",
    // adaptation_field_control
    "Reserved",
    "No Adaptation Field, Payload only",
    "Adaptation Field only, No Payload",
    "Adaptation Field followed by Payload",
    // stream_id: below 0xBC, then 0xBC..0xBF, 0xC0..0xDF, 0xE0..0xEF, 0xF0..0xFF
    "not a PES stream_id",
    "program_stream_map",
    "private_stream_1",
    "padding_stream",
    "private_stream_2",
    "ISO/IEC 13818-3 or ISO/IEC 11172-3 or ISO/IEC 13818-7 or ISO/IEC 14496-3 audio stream number #",
    "ITU-T Rec. H.262 | ISO/IEC 13818-2, ISO/IEC 11172-2, ISO/IEC 14496-2 or ITU-T Rec. H.264 | ISO/IEC 14496-10 video stream number #",
    "ECM_stream",
    "EMM_stream",
    "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Annex A or ISO/IEC 13818-6_DSMCC_stream",
    "ISO/IEC_13522_stream",
    "ITU-T Rec. H.222.1 type A",
    "ITU-T Rec. H.222.1 type B",
    "ITU-T Rec. H.222.1 type C",
    "ITU-T Rec. H.222.1 type D",
    "ITU-T Rec. H.222.1 type E",
    "ancillary_stream",
    "ISO/IEC 14496-1_SL-packetized_stream",
    "ISO/IEC 14496-1_FlexMux_stream",
    "metadata stream",
    "extended_stream_id",
    "reserved data stream",
    "program_stream_directory",
    // table_id
    "program_association_section",
    "conditional_access_section (CA_section)",
    "TS_program_map_section",
    "TS_description_section",
    "ISO_IEC_14496_scene_description_section",
    "ISO_IEC_14496_object_descriptor_section",
    "Metadata_section",
    "IPMP_Control_Information_section (defined in ISO/IEC 13818-11)",
    "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 reserved, User private or Forbidden",
    // stream_type
    "ITU-T | ISO/IEC Reserved",
    "ISO/IEC 11172-2 Video",
    "ITU-T Rec. H.262 | ISO/IEC 13818-2 Video or ISO/IEC 11172-2 constrained parameter video stream",
    "ISO/IEC 11172-3 Audio",
    "ISO/IEC 13818-3 Audio",
    "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 private_sections",
    "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 PES packets containing private data",
    "ISO/IEC 13522 MHEG",
    "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Annex A DSM-CC",
    "ITU-T Rec. H.222.1",
    "ISO/IEC 13818-6 type A",
    "ISO/IEC 13818-6 type B",
    "ISO/IEC 13818-6 type C",
    "ISO/IEC 13818-6 type D",
    "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 auxiliary",
    "ISO/IEC 13818-7 Audio with ADTS transport syntax",
    "ISO/IEC 14496-2 Visual",
    "ISO/IEC 14496-3 Audio with the LATM transport syntax as defined in ISO/IEC 14496-3",
    "ISO/IEC 14496-1 SL-packetized stream or FlexMux stream carried in PES packets",
    "ISO/IEC 14496-1 SL-packetized stream or FlexMux stream carried in ISO/IEC 14496_sections",
    "ISO/IEC 13818-6 Synchronized Download Protocol",
    "Metadata carried in PES packets",
    "Metadata carried in metadata_sections",
    "Metadata carried in ISO/IEC 13818-6 Data Carousel",
    "Metadata carried in ISO/IEC 13818-6 Object Carousel",
    "Metadata carried in ISO/IEC 13818-6 Synchronized Download Protocol",
    "IPMP stream (defined in ISO/IEC 13818-11, MPEG-2 IPMP)",
    "AVC video stream as defined in ITU-T Rec. H.264 | ISO/IEC 14496-10 Video",
    "ITU-T Rec. H.222.0 | ISO/IEC 13818-1 Reserved",
    "IPMP stream",
    "User Private",
};

std::string_view two_bits_text(unsigned value) { return description_texts[two_bits_base + (value & 3)]; }

std::string_view error_text(unsigned v) { return description_texts[error_base + (v & 1)]; }

std::string_view start_text(unsigned v) { return description_texts[start_base + (v & 1)]; }

std::string_view priority_text(unsigned v) { return description_texts[priority_base + (v & 1)]; }

std::string_view pid_text(unsigned pid)
{
    unsigned offset;
    if (pid <= 0x0003)
        offset = pid;
    else if (pid <= 0x000F)
        offset = 4;
    else if (pid <= 0x1FFE)
        offset = 5;
    else
        offset = 6;
    return description_texts[pid_base + offset];
}

std::string_view scrambling_text(unsigned v) { return description_texts[scrambling_base + ((v & 3) == 0 ? 0 : 1)]; }

std::string_view adaptation_text(unsigned v) { return description_texts[adaptation_base + (v & 3)]; }

std::string_view stream_id_text(unsigned stream_id, int& number)
{
    stream_id &= 0xFF;
    number = -1;
    unsigned offset;
    if (stream_id < 0xBC) {
        offset = 0;
    } else if (stream_id < 0xC0) {
        offset = 1 + (stream_id - 0xBC);
    } else if (stream_id < 0xE0) {
        offset = 5;
        number = static_cast<int>(stream_id & 0x1F);
    } else if (stream_id < 0xF0) {
        offset = 6;
        number = static_cast<int>(stream_id & 0x0F);
    } else {
        offset = 7 + (stream_id - 0xF0);
    }
    return description_texts[stream_id_base + offset];
}

std::string_view table_id_text(unsigned table_id)
{
    table_id &= 0xFF;
    return description_texts[table_id_base + (table_id < 0x08 ? table_id : 8)];
}

std::string_view stream_type_text(unsigned stream_type)
{
    stream_type &= 0xFF;
    unsigned offset;
    if (stream_type <= 0x1B)
        offset = stream_type;
    else if (stream_type <= 0x7E)
        offset = 0x1C;
    else if (stream_type == 0x7F)
        offset = 0x1D;
    else
        offset = 0x1E;
    return description_texts[stream_type_base + offset];
}

namespace {

// stream_type 0x1C onwards, as ISO/IEC 13818-1 assigns them today.
constexpr std::string_view later_stream_types[] = {
    "ISO/IEC 14496-3 Audio without additional transport syntax",
    "ISO/IEC 14496-17 Text",
    "ISO/IEC 23002-3 Auxiliary video",
    "SVC video sub-bitstream (H.264 Annex G)",
    "MVC video sub-bitstream (H.264 Annex H)",
    "JPEG 2000 video (ITU-T T.800 | ISO/IEC 15444-1)",
    "H.262 additional view for service-compatible stereoscopic 3D",
    "H.264 additional view for service-compatible stereoscopic 3D",
    "HEVC video (ITU-T H.265 | ISO/IEC 23008-2)",
    "HEVC temporal video subset",
    "MVCD video sub-bitstream (H.264 Annex I)",
    "Timeline and External Media Information",
    "HEVC enhancement sub-partition (H.265 Annex G)",
    "HEVC temporal enhancement sub-partition (H.265 Annex G)",
    "HEVC enhancement sub-partition (H.265 Annex H)",
    "HEVC temporal enhancement sub-partition (H.265 Annex H)",
    "Green access units in sections",
    "MPEG-H 3D Audio, MHAS main stream",
    "MPEG-H 3D Audio, MHAS auxiliary stream",
    "Quality access units in sections",
    "Media orchestration access units in sections",
    "HEVC substream of motion-constrained tile sets",
    "JPEG XS video",
    "VVC video (ITU-T H.266 | ISO/IEC 23090-3)",
    "VVC temporal video subset",
    "EVC video (ISO/IEC 23094-1)",
};
constexpr unsigned first_later_type = 0x1C;

}  // namespace

std::string_view stream_type_name(unsigned stream_type)
{
    stream_type &= 0xFF;
    if (stream_type >= first_later_type && stream_type < first_later_type + std::size(later_stream_types))
        return later_stream_types[stream_type - first_later_type];
    return stream_type_text(stream_type);
}

std::string_view pid_name(unsigned pid)
{
    return pid == 0x1FFB ? "ATSC PSIP base (MGT, STT, VCT, RRT)" : pid_text(pid);
}

}  // namespace ostrel
