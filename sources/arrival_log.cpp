#include "sources/arrival_log.hpp"

#include <cstdio>
#include <ctime>

namespace ostrel {

std::string arrival_time_text(std::int64_t time_ns, bool iso)
{
    std::int64_t seconds = time_ns / 1'000'000'000;
    std::int64_t fraction = time_ns % 1'000'000'000;
    if (fraction < 0) {
        fraction += 1'000'000'000;
        --seconds;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[64];
    std::snprintf(text, sizeof text, iso ? "%04d-%02d-%02dT%02d:%02d:%02d.%09lldZ" : "%04d-%02d-%02d %02d:%02d:%02d.%09lld UTC",
                  utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<long long>(fraction));
    return text;
}

}  // namespace ostrel
