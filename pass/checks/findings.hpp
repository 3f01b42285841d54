// What the analysis finds: one record per finding, named by the ETSI TR 101
// 290 indicator it counts against, with the value seen and the one expected.
#pragma once

#include <cstdint>
#include <string_view>

#include "ts/pids.hpp"

namespace ostrel {

enum class Indicator : unsigned char {
    ts_sync_loss,
    sync_byte_error,
    pat_error,
    continuity_count_error,
    pmt_error,
    pid_error,
    transport_error,
    crc_error,
    pcr_repetition_error,
    pcr_discontinuity_indicator_error,
    pcr_accuracy_error,
    pts_error,
    cat_error,
    // Priority 3 (TR 101 290 5.2.3)
    nit_actual_error,
    nit_other_error,
    si_repetition_error,
    buffer_error,
    unreferenced_pid,
    sdt_actual_error,
    sdt_other_error,
    eit_actual_error,
    eit_other_error,
    eit_pf_error,
    rst_error,
    tdt_error,
    empty_buffer_error,
    data_delay_error,
};
inline constexpr unsigned indicator_count = 27;

// The kinds of finding; each belongs to one indicator and has one wording.
enum class FindingKind : unsigned char {
    sync_lost,          // seen: bytes skipped
    sync_byte,          // seen: the byte found, expected 0x47
    pat_interval,       // seen: seconds since the last PAT section, expected: the limit
    pat_table_id,       // seen: table_id, expected 0x00
    pat_scrambled,      // seen: transport_scrambling_control, expected 0
    cc_gap,             // seen: counter, expected: counter
    cc_repeat,          // a repeated counter on a different packet
    cc_third_copy,      // a packet repeated a third time
    pmt_interval,       // program: program_number
    pmt_scrambled,
    pid_interval,
    transport_error,    // seen 1, expected 0
    crc,                // seen: CRC_32 carried, expected: computed; table: table_id
    pcr_interval,       // seconds between two PCRs, limit
    pcr_jump,           // PCR difference in seconds, expected at most the limit
    pcr_accuracy,       // seconds off the arrival time stamps, limit
    pts_interval,
    cat_missing,        // a scrambled packet and no CAT section so far
    cat_table_id,       // seen: table_id, expected 0x01
    sync_position,      // a further packet position of a sync loss without 0x47
    table_interval,     // no finding: the time between two copies of table `extra`, for its figures
    // Priority 3: `extra` the table_id where there is one
    nit_actual_absent,  // seen: seconds without a section, expected: the limit
    nit_actual_close,   // seen: seconds between two sections, expected: the least allowed
    nit_table_id,       // seen: table_id on PID 0010
    nit_other_absent,
    si_too_often,       // seen: seconds between two sections of a table, expected: its least interval
    si_too_seldom,      // expected: its most
    unreferenced,       // seen: seconds the PID carried packets, none naming it
    sdt_actual_absent,
    sdt_actual_close,
    sdt_table_id,
    sdt_other_absent,
    eit_actual_absent,  // extra: the section_number (0 or 1) missing
    eit_actual_close,
    eit_table_id,
    eit_other_absent,
    eit_pf_missing,     // extra: the section_number missing; seen: the service_id
    rst_close,
    rst_table_id,
    tdt_absent,
    tdt_close,
    tdt_table_id,
    partial_packet,     // seen: the bytes of the packet the input ends in, expected: the packet size
};

// True for the interval findings whose limit is a least interval: found when
// the interval is less than it.
bool finding_is_minimum(FindingKind kind);


struct Finding {
    std::uint64_t packet;  // number of the packet (or packet position) where it was found
    std::uint64_t offset;  // its byte offset in the file
    unsigned pid;          // no_pid where there is none
    FindingKind kind;
    double seen;
    double expected;
    unsigned extra;        // table_id of a CRC finding, program_number of a PMT finding
    double time = -1;      // seconds from the first packet by the time model; -1 unknown
};

// The packets a continuity gap lost: those between the counter expected and the one that came.
inline unsigned counter_gap(const Finding& f)
{
    return (static_cast<unsigned>(f.seen) - static_cast<unsigned>(f.expected)) & 0x0F;
}

Indicator indicator_of(FindingKind kind);
std::string_view indicator_name(Indicator indicator);
unsigned indicator_priority(Indicator indicator);
// True for the indicators that need the time the PCRs give.
bool indicator_needs_time(Indicator indicator);

}  // namespace ostrel
