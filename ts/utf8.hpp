// Well-formed UTF-8 (RFC 3629): what every text the program writes is made of.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel {

inline constexpr std::string_view replacement_character = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed sequence that starts at `p` (no overlong
// forms, no surrogates, nothing past U+10FFFF), or 0 where none starts there.
std::size_t utf8_sequence(const unsigned char* p, std::size_t size);

// `text` with each byte that starts no well-formed sequence replaced by U+FFFD.
std::string valid_utf8(std::string_view text);

// A name that came from outside (a file's), as a terminal or a page may show
// it: each byte of a C0 or C1 control, of DEL or of no well-formed sequence
// written \xHH, the rest as it is.
std::string shown_name(std::string_view name);

}  // namespace ostrel
