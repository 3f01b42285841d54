// Names from ISO/IEC 13818-1, ETSI EN 300 468 and ANSI/SCTE 35: tables by
// table_id, descriptors by tag, and the coded values of the service
// information and of splice information.
#pragma once

#include <string_view>

namespace ostrel {

// "PAT", "SDT actual", "EIT schedule other", ...; "" for a table_id without a name.
std::string_view table_name(unsigned table_id);
// table_name, or where it has none the table_id's text of ISO/IEC 13818-1 ("User private", ...).
std::string_view table_display_name(unsigned table_id);
// The field that table_id_extension holds in that table ("transport_stream_id", ...).
std::string_view extension_name(unsigned table_id);
// "service_descriptor", ...; "" for a tag without a decoder or name.
std::string_view descriptor_name(unsigned tag);
std::string_view service_type_text(unsigned service_type);
std::string_view running_status_text(unsigned running_status);
std::string_view linkage_type_text(unsigned linkage_type);
std::string_view polarization_text(unsigned polarization);
// SCTE 35: segmentation_type_id (its table 22) and segmentation_upid_type (table 21).
std::string_view segmentation_type_text(unsigned segmentation_type_id);
std::string_view upid_type_text(unsigned segmentation_upid_type);

}  // namespace ostrel
