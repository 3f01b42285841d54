#include "psi/dvb/si_time.hpp"

#include <cstdio>

namespace ostrel {
namespace {

bool bcd_ok(std::uint64_t v, unsigned digits)
{
    for (unsigned i = 0; i < digits; ++i, v >>= 4) {
        if ((v & 0xF) > 9)
            return false;
    }
    return true;
}

unsigned bcd_value(unsigned b) { return (b >> 4) * 10 + (b & 0xF); }

}  // namespace

std::string mjd_utc_text(std::uint64_t v)
{
    const auto mjd = static_cast<long>(v >> 24);
    const auto hms = static_cast<std::uint32_t>(v & 0xFFFFFF);
    if (!bcd_ok(hms, 6) || (mjd == 0xFFFF && hms == 0xFFFFFF))
        return "unknown";
    // Days since 1970-01-01 to the civil date (proleptic Gregorian).
    const long z = mjd - 40587 + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long day = doy - (153 * mp + 2) / 5 + 1;
    const long month = mp < 10 ? mp + 3 : mp - 9;
    const long year = yoe + era * 400 + (month <= 2);
    char text[96];
    std::snprintf(text, sizeof text, "%04ld-%02ld-%02ldT%02u:%02u:%02uZ", year, month, day, bcd_value(hms >> 16),
                  bcd_value(hms >> 8 & 0xFF), bcd_value(hms & 0xFF));
    return text;
}

std::string bcd_duration_text(std::uint32_t v)
{
    if (!bcd_ok(v, 6))
        return "unknown";
    char text[48];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", bcd_value(v >> 16), bcd_value(v >> 8 & 0xFF), bcd_value(v & 0xFF));
    return text;
}

std::string bcd_hhmm_text(std::uint32_t v)
{
    if (!bcd_ok(v, 4))
        return "unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u", bcd_value(v >> 8 & 0xFF), bcd_value(v & 0xFF));
    return text;
}

std::string bcd_decimal_text(std::uint64_t v, unsigned digits, unsigned decimals)
{
    if (!bcd_ok(v, digits))
        return "unknown";
    std::string text;
    for (unsigned i = digits; i-- > 0;) {
        const char digit = static_cast<char>('0' + ((v >> (4 * i)) & 0xF));
        if (i + 1 == decimals)
            text += text.empty() ? "0." : ".";
        if (!(text.empty() && digit == '0' && i >= decimals))
            text += digit;
    }
    return text.empty() ? "0" : text;
}

}  // namespace ostrel
