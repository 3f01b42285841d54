// The attribute lists of HLS tags (RFC 8216 4.2): NAME=VALUE pairs split by
// commas, a value a quoted string (which may hold commas), or a plain token.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel {

struct PlaylistAttribute {
    std::string_view name;
    std::string_view value;  // without the quotes of a quoted string
    bool quoted;
};

// Splits `list` into `out`; false when it does not read as an attribute list
// (a name of other characters than A-Z, 0-9 and '-', a missing '=', an
// unclosed quote, a name given twice).
bool read_attribute_list(std::string_view list, std::vector<PlaylistAttribute>& out);

// The attribute of that name, or null.
const PlaylistAttribute* find_attribute(const std::vector<PlaylistAttribute>& list, std::string_view name);

// A decimal-integer: 1 to 20 digits within 2^64 - 1.
bool read_decimal_integer(std::string_view text, std::uint64_t& value);
// A decimal-floating-point: digits with at most one point, no sign, finite.
bool read_decimal_float(std::string_view text, double& value);
// A decimal-resolution: WIDTHxHEIGHT, each within 1..65535.
bool read_resolution(std::string_view text, int& width, int& height);

}  // namespace ostrel
