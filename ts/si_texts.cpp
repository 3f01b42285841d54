#include "ts/si_texts.hpp"

#include "ts/description_texts.hpp"

#include <cstddef>
#include <iterator>

namespace ostrel {
namespace {

struct Named {
    unsigned value;
    std::string_view name;
};

std::string_view find(const Named* names, std::size_t count, unsigned value)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (names[i].value == value)
            return names[i].name;
    }
    return "";
}

constexpr Named tables[] = {
    {0x00, "PAT"},         {0x01, "CAT"},          {0x02, "PMT"},          {0x03, "TSDT"},
    {0x40, "NIT actual"},  {0x41, "NIT other"},    {0x42, "SDT actual"},   {0x46, "SDT other"},
    {0x4A, "BAT"},         {0x4E, "EIT present/following actual"},         {0x4F, "EIT present/following other"},
    {0x70, "TDT"},         {0x71, "RST"},          {0x72, "ST"},           {0x73, "TOT"},
    {0x74, "AIT"},         {0x7E, "DIT"},          {0x7F, "SIT"},          {0xFC, "SCTE 35 splice_info_section"},
};

// ISO/IEC 13818-1 2.6 and EN 300 468 6.1, the tags this program decodes or names.
constexpr Named descriptors[] = {
    {0x02, "video_stream_descriptor"},
    {0x03, "audio_stream_descriptor"},
    {0x04, "hierarchy_descriptor"},
    {0x05, "registration_descriptor"},
    {0x06, "data_stream_alignment_descriptor"},
    {0x07, "target_background_grid_descriptor"},
    {0x08, "video_window_descriptor"},
    {0x09, "CA_descriptor"},
    {0x0A, "ISO_639_language_descriptor"},
    {0x0B, "system_clock_descriptor"},
    {0x0C, "multiplex_buffer_utilization_descriptor"},
    {0x0D, "copyright_descriptor"},
    {0x0E, "maximum_bitrate_descriptor"},
    {0x0F, "private_data_indicator_descriptor"},
    {0x10, "smoothing_buffer_descriptor"},
    {0x11, "STD_descriptor"},
    {0x12, "IBP_descriptor"},
    {0x1B, "MPEG-4_video_descriptor"},
    {0x1C, "MPEG-4_audio_descriptor"},
    {0x26, "metadata_descriptor"},
    {0x28, "AVC_video_descriptor"},
    {0x2A, "AVC_timing_and_HRD_descriptor"},
    {0x2B, "MPEG-2_AAC_audio_descriptor"},
    {0x38, "HEVC_video_descriptor"},
    {0x3F, "extension_descriptor"},
    {0x40, "network_name_descriptor"},
    {0x41, "service_list_descriptor"},
    {0x42, "stuffing_descriptor"},
    {0x43, "satellite_delivery_system_descriptor"},
    {0x44, "cable_delivery_system_descriptor"},
    {0x45, "VBI_data_descriptor"},
    {0x46, "VBI_teletext_descriptor"},
    {0x47, "bouquet_name_descriptor"},
    {0x48, "service_descriptor"},
    {0x49, "country_availability_descriptor"},
    {0x4A, "linkage_descriptor"},
    {0x4B, "NVOD_reference_descriptor"},
    {0x4C, "time_shifted_service_descriptor"},
    {0x4D, "short_event_descriptor"},
    {0x4E, "extended_event_descriptor"},
    {0x4F, "time_shifted_event_descriptor"},
    {0x50, "component_descriptor"},
    {0x51, "mosaic_descriptor"},
    {0x52, "stream_identifier_descriptor"},
    {0x53, "CA_identifier_descriptor"},
    {0x54, "content_descriptor"},
    {0x55, "parental_rating_descriptor"},
    {0x56, "teletext_descriptor"},
    {0x57, "telephone_descriptor"},
    {0x58, "local_time_offset_descriptor"},
    {0x59, "subtitling_descriptor"},
    {0x5A, "terrestrial_delivery_system_descriptor"},
    {0x5B, "multilingual_network_name_descriptor"},
    {0x5C, "multilingual_bouquet_name_descriptor"},
    {0x5D, "multilingual_service_name_descriptor"},
    {0x5E, "multilingual_component_descriptor"},
    {0x5F, "private_data_specifier_descriptor"},
    {0x60, "service_move_descriptor"},
    {0x61, "short_smoothing_buffer_descriptor"},
    {0x62, "frequency_list_descriptor"},
    {0x63, "partial_transport_stream_descriptor"},
    {0x64, "data_broadcast_descriptor"},
    {0x65, "scrambling_descriptor"},
    {0x66, "data_broadcast_id_descriptor"},
    {0x67, "transport_stream_descriptor"},
    {0x68, "DSNG_descriptor"},
    {0x69, "PDC_descriptor"},
    {0x6A, "AC-3_descriptor"},
    {0x6B, "ancillary_data_descriptor"},
    {0x6C, "cell_list_descriptor"},
    {0x6D, "cell_frequency_link_descriptor"},
    {0x6E, "announcement_support_descriptor"},
    {0x6F, "application_signalling_descriptor"},
    {0x70, "adaptation_field_data_descriptor"},
    {0x71, "service_identifier_descriptor"},
    {0x72, "service_availability_descriptor"},
    {0x73, "default_authority_descriptor"},
    {0x74, "related_content_descriptor"},
    {0x75, "TVA_id_descriptor"},
    {0x76, "content_identifier_descriptor"},
    {0x77, "time_slice_fec_identifier_descriptor"},
    {0x78, "ECM_repetition_rate_descriptor"},
    {0x79, "S2_satellite_delivery_system_descriptor"},
    {0x7A, "enhanced_AC-3_descriptor"},
    {0x7B, "DTS_descriptor"},
    {0x7C, "AAC_descriptor"},
    {0x7D, "XAIT_location_descriptor"},
    {0x7E, "FTA_content_management_descriptor"},
    {0x7F, "extension_descriptor"},
};

// EN 300 468 table 89.
constexpr Named service_types[] = {
    {0x01, "digital television service"},
    {0x02, "digital radio sound service"},
    {0x03, "Teletext service"},
    {0x04, "NVOD reference service"},
    {0x05, "NVOD time-shifted service"},
    {0x06, "mosaic service"},
    {0x07, "FM radio service"},
    {0x08, "DVB SRM service"},
    {0x0A, "advanced codec digital radio sound service"},
    {0x0B, "H.264/AVC mosaic service"},
    {0x0C, "data broadcast service"},
    {0x0E, "RCS Map"},
    {0x0F, "RCS FLS"},
    {0x10, "DVB MHP service"},
    {0x11, "MPEG-2 HD digital television service"},
    {0x16, "H.264/AVC SD digital television service"},
    {0x17, "H.264/AVC SD NVOD time-shifted service"},
    {0x18, "H.264/AVC SD NVOD reference service"},
    {0x19, "H.264/AVC HD digital television service"},
    {0x1A, "H.264/AVC HD NVOD time-shifted service"},
    {0x1B, "H.264/AVC HD NVOD reference service"},
    {0x1C, "H.264/AVC frame compatible plano-stereoscopic HD digital television service"},
    {0x1D, "H.264/AVC frame compatible plano-stereoscopic HD NVOD time-shifted service"},
    {0x1E, "H.264/AVC frame compatible plano-stereoscopic HD NVOD reference service"},
    {0x1F, "HEVC digital television service"},
    {0x20, "HEVC UHD digital television service with HDR and/or a frame rate of 100 Hz, 120 000/1 001 Hz, or 120 Hz"},
};

constexpr std::string_view running_statuses[] = {
    "undefined", "not running", "starts in a few seconds", "pausing", "running", "service off-air", "reserved",
    "reserved",
};

constexpr Named linkage_types[] = {
    {0x01, "information service"},
    {0x02, "EPG service"},
    {0x03, "CA replacement service"},
    {0x04, "TS containing complete Network/Bouquet SI"},
    {0x05, "service replacement service"},
    {0x06, "data broadcast service"},
    {0x07, "RCS Map"},
    {0x08, "mobile hand-over"},
    {0x09, "System Software Update Service"},
    {0x0A, "TS containing SSU BAT or NIT"},
    {0x0B, "IP/MAC Notification Service"},
    {0x0C, "TS containing INT BAT or NIT"},
    {0x0D, "event linkage"},
};

// SCTE 35 table 22.
constexpr Named segmentation_types[] = {
    {0x00, "Not Indicated"}, {0x01, "Content Identification"}, {0x10, "Program Start"}, {0x11, "Program End"},
    {0x12, "Program Early Termination"}, {0x13, "Program Breakaway"}, {0x14, "Program Resumption"},
    {0x15, "Program Runover Planned"}, {0x16, "Program Runover Unplanned"}, {0x17, "Program Overlap Start"},
    {0x18, "Program Blackout Override"}, {0x19, "Program Join"}, {0x20, "Chapter Start"}, {0x21, "Chapter End"},
    {0x22, "Break Start"}, {0x23, "Break End"}, {0x24, "Opening Credit Start"}, {0x25, "Opening Credit End"},
    {0x26, "Closing Credit Start"}, {0x27, "Closing Credit End"}, {0x30, "Provider Advertisement Start"},
    {0x31, "Provider Advertisement End"}, {0x32, "Distributor Advertisement Start"},
    {0x33, "Distributor Advertisement End"}, {0x34, "Provider Placement Opportunity Start"},
    {0x35, "Provider Placement Opportunity End"}, {0x36, "Distributor Placement Opportunity Start"},
    {0x37, "Distributor Placement Opportunity End"}, {0x38, "Provider Overlay Placement Opportunity Start"},
    {0x39, "Provider Overlay Placement Opportunity End"}, {0x3A, "Distributor Overlay Placement Opportunity Start"},
    {0x3B, "Distributor Overlay Placement Opportunity End"}, {0x3C, "Provider Promo Start"},
    {0x3D, "Provider Promo End"}, {0x3E, "Distributor Promo Start"}, {0x3F, "Distributor Promo End"},
    {0x40, "Unscheduled Event Start"}, {0x41, "Unscheduled Event End"}, {0x42, "Alternate Content Opportunity Start"},
    {0x43, "Alternate Content Opportunity End"}, {0x44, "Provider Ad Block Start"}, {0x45, "Provider Ad Block End"},
    {0x46, "Distributor Ad Block Start"}, {0x47, "Distributor Ad Block End"}, {0x50, "Network Start"},
    {0x51, "Network End"},
};

// SCTE 35 table 21.
constexpr Named upid_types[] = {
    {0x00, "Not Used"}, {0x01, "User Defined"}, {0x02, "ISCI"}, {0x03, "Ad-ID"}, {0x04, "UMID"},
    {0x05, "ISAN (deprecated)"}, {0x06, "ISAN"}, {0x07, "TID"}, {0x08, "TI"}, {0x09, "ADI"}, {0x0A, "EIDR"},
    {0x0B, "ATSC Content Identifier"}, {0x0C, "MPU"}, {0x0D, "MID"}, {0x0E, "ADS Information"}, {0x0F, "URI"},
    {0x10, "UUID"}, {0x11, "SCR"},
};

constexpr std::string_view polarizations[] = {"linear - horizontal", "linear - vertical", "circular - left",
                                              "circular - right"};

}  // namespace

std::string_view table_name(unsigned table_id)
{
    if (table_id >= 0x50 && table_id <= 0x5F)
        return "EIT schedule actual";
    if (table_id >= 0x60 && table_id <= 0x6F)
        return "EIT schedule other";
    return find(tables, std::size(tables), table_id);
}

std::string_view table_display_name(unsigned table_id)
{
    const std::string_view name = table_name(table_id);
    return name.empty() ? table_id_text(table_id) : name;
}

std::string_view extension_name(unsigned table_id)
{
    switch (table_id) {
    case 0x00: case 0x42: case 0x46: return "transport_stream_id";
    case 0x02: return "program_number";
    case 0x40: case 0x41: return "network_id";
    case 0x4A: return "bouquet_id";
    default: return table_id >= 0x4E && table_id <= 0x6F ? "service_id" : "table_id_extension";
    }
}

std::string_view descriptor_name(unsigned tag) { return find(descriptors, std::size(descriptors), tag); }

namespace {

// A coded value of EN 300 468 with its user-defined range 0x80 to 0xFE.
template <std::size_t n>
std::string_view coded_text(const Named (&names)[n], unsigned value)
{
    if (value >= 0x80 && value <= 0xFE)
        return "user defined";
    const std::string_view text = find(names, n, value);
    return text.empty() ? "reserved for future use" : text;
}

}  // namespace

std::string_view service_type_text(unsigned service_type) { return coded_text(service_types, service_type); }

std::string_view running_status_text(unsigned running_status) { return running_statuses[running_status & 7]; }

std::string_view linkage_type_text(unsigned linkage_type) { return coded_text(linkage_types, linkage_type); }

std::string_view polarization_text(unsigned polarization) { return polarizations[polarization & 3]; }

std::string_view segmentation_type_text(unsigned id)
{
    const std::string_view text = find(segmentation_types, std::size(segmentation_types), id);
    return text.empty() ? "reserved" : text;
}

std::string_view upid_type_text(unsigned type)
{
    const std::string_view text = find(upid_types, std::size(upid_types), type);
    return text.empty() ? "reserved" : text;
}

}  // namespace ostrel
