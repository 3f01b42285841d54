#include "pass/checks/findings.hpp"

#include <iterator>

namespace ostrel {
namespace {

constexpr std::string_view names[indicator_count] = {
    "TS_sync_loss",    "Sync_byte_error", "PAT_error",        "Continuity_count_error",
    "PMT_error",       "PID_error",       "Transport_error",  "CRC_error",
    "PCR_repetition_error", "PCR_discontinuity_indicator_error", "PCR_accuracy_error",
    "PTS_error",       "CAT_error",
    "NIT_actual_error", "NIT_other_error", "SI_repetition_error", "Buffer_error", "Unreferenced_PID",
    "SDT_actual_error", "SDT_other_error", "EIT_actual_error", "EIT_other_error", "EIT_PF_error",
    "RST_error", "TDT_error", "Empty_buffer_error", "Data_delay_error",
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
    Indicator::nit_actual_error,    Indicator::nit_actual_error, Indicator::nit_actual_error,
    Indicator::nit_other_error,     Indicator::si_repetition_error, Indicator::si_repetition_error,
    Indicator::unreferenced_pid,    Indicator::sdt_actual_error, Indicator::sdt_actual_error,
    Indicator::sdt_actual_error,    Indicator::sdt_other_error,  Indicator::eit_actual_error,
    Indicator::eit_actual_error,    Indicator::eit_actual_error, Indicator::eit_other_error,
    Indicator::eit_pf_error,        Indicator::rst_error,        Indicator::rst_error,
    Indicator::tdt_error,           Indicator::tdt_error,        Indicator::tdt_error,
    Indicator::sync_byte_error,  // partial_packet: where the next packet's sync byte is, no whole packet
};
static_assert(std::size(indicators) == static_cast<unsigned>(FindingKind::partial_packet) + 1);

}  // namespace

Indicator indicator_of(FindingKind kind) { return indicators[static_cast<unsigned>(kind)]; }

std::string_view indicator_name(Indicator indicator) { return names[static_cast<unsigned>(indicator)]; }

unsigned indicator_priority(Indicator indicator)
{
    const auto i = static_cast<unsigned>(indicator);
    if (i < static_cast<unsigned>(Indicator::transport_error))
        return 1;
    return i < static_cast<unsigned>(Indicator::nit_actual_error) ? 2 : 3;
}

bool finding_is_minimum(FindingKind kind)
{
    switch (kind) {
    case FindingKind::nit_actual_close:
    case FindingKind::si_too_often:
    case FindingKind::sdt_actual_close:
    case FindingKind::eit_actual_close:
    case FindingKind::rst_close:
    case FindingKind::tdt_close:
        return true;
    default:
        return false;
    }
}

bool indicator_needs_time(Indicator indicator)
{
    return indicator == Indicator::pid_error || indicator == Indicator::pts_error;
}

}  // namespace ostrel
