// Times of the service information (EN 300 468 Annex C): a 16-bit Modified
// Julian Date and six BCD digits of UTC, and BCD durations and offsets.
#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// "2021-08-14T15:39:45Z"; "unknown" for digits that are no BCD or all ones
// (an undefined time, as an NVOD reference event has).
std::string mjd_utc_text(std::uint64_t mjd_utc40);
// "01:30:00" from six BCD digits; "unknown" when they are no BCD.
std::string bcd_duration_text(std::uint32_t bcd24);
// "01:30" from four BCD digits.
std::string bcd_hhmm_text(std::uint32_t bcd16);
// BCD digits with a decimal point before the last `decimals` of them, leading
// zeros dropped: 0x01136250, 8 digits, 5 decimals: "11.36250".
std::string bcd_decimal_text(std::uint64_t bcd, unsigned digits, unsigned decimals);

}  // namespace ostrel
