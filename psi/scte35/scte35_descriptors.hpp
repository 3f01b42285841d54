// The splice descriptors of SCTE 35 (section 10): avail, DTMF, segmentation
// (with its UPID decoded by type), time and audio; any other as its bytes.
#pragma once

#include <string_view>

#include "psi/decode_fields.hpp"

namespace ostrel {

// The descriptor loop of a splice_info_section: segmentation descriptors in
// the list "segmentation_descriptors", the others in "splice_descriptors".
void decode_splice_descriptors(Reader loop, DecodeContext& c, FieldSink& sink);

}  // namespace ostrel
