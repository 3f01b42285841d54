// The one table of texts that name field values. Each field has a segment
// starting at a fixed base; the index of a value's text is the base plus an
// offset computed from the value, with ranges of values folded onto one entry.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

extern const std::string_view description_texts[];

// Segment bases, in table order.
inline constexpr unsigned two_bits_base = 0;         // "00" .. "11"
inline constexpr unsigned error_base = 4;            // transport_error_indicator
inline constexpr unsigned start_base = 6;            // payload_unit_start_indicator
inline constexpr unsigned priority_base = 8;         // transport_priority
inline constexpr unsigned pid_base = 10;             // 7 PID classes
inline constexpr unsigned scrambling_base = 17;      // 0, then 1..3 folded
inline constexpr unsigned adaptation_base = 19;      // adaptation_field_control 0..3
inline constexpr unsigned stream_id_base = 23;       // not-PES, then 0xBC..0xFF folded
inline constexpr unsigned table_id_base = 46;        // 0x00..0x07, then 0x08..0xFF
inline constexpr unsigned stream_type_base = 55;     // 0x00..0x1B, 0x1C..0x7E, 0x7F, 0x80..0xFF
inline constexpr unsigned description_text_count = 86;

std::string_view two_bits_text(unsigned value);
std::string_view error_text(unsigned transport_error_indicator);
std::string_view start_text(unsigned payload_unit_start_indicator);
std::string_view priority_text(unsigned transport_priority);
std::string_view pid_text(unsigned pid);
std::string_view scrambling_text(unsigned transport_scrambling_control);
std::string_view adaptation_text(unsigned adaptation_field_control);
std::string_view table_id_text(unsigned table_id);
std::string_view stream_type_text(unsigned stream_type);

// The names of the reports whose texts are this program's own (all but the
// packet and PMT reports): stream types by the current table of ISO/IEC
// 13818-1 (HEVC and the types after it), and PID 1FFB by ATSC A/65's use.
std::string_view stream_type_name(unsigned stream_type);
std::string_view pid_name(unsigned pid);

// The stream_id text, and through `number` the stream number that follows it:
// 0..31 for audio, 0..15 for video, -1 when the text carries no number.
std::string_view stream_id_text(unsigned stream_id, int& number);

}  // namespace ostrel
