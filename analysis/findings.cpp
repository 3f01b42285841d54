#include "analysis/findings.hpp"

namespace ostrel {
namespace {

constexpr std::string_view names[indicator_count] = {
    "TS_sync_loss",    "Sync_byte_error", "PAT_error",        "Continuity_count_error",
    "PMT_error",       "PID_error",       "Transport_error",  "CRC_error",
    "PCR_repetition_error", "PCR_discontinuity_indicator_error", "PCR_accuracy_error",
    "PTS_error",       "CAT_error",
};

constexpr Indicator indicators[] = {
    Indicator::ts_sync_loss,           Indicator::sync_byte_error, Indicator::pat_error,
    Indicator::pat_error,              Indicator::pat_error,       Indicator::continuity_count_error,
    Indicator::continuity_count_error, Indicator::continuity_count_error, Indicator::pmt_error,
    Indicator::pmt_error,              Indicator::pid_error,       Indicator::transport_error,
    Indicator::crc_error,              Indicator::pcr_repetition_error,
    Indicator::pcr_discontinuity_indicator_error, Indicator::pcr_accuracy_error,
    Indicator::pts_error,              Indicator::cat_error,       Indicator::cat_error,
    Indicator::sync_byte_error,     Indicator::sync_byte_error,  // table_interval: never counted
};

}  // namespace

Indicator indicator_of(FindingKind kind) { return indicators[static_cast<unsigned>(kind)]; }

std::string_view indicator_name(Indicator indicator) { return names[static_cast<unsigned>(indicator)]; }

unsigned indicator_priority(Indicator indicator)
{
    return static_cast<unsigned>(indicator) < static_cast<unsigned>(Indicator::transport_error) ? 1 : 2;
}

bool indicator_needs_time(Indicator indicator)
{
    return indicator == Indicator::pid_error || indicator == Indicator::pts_error;
}

}  // namespace ostrel
