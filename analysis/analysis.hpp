// The one pass behind --summary and --check: per-PID counts, continuity,
// PCRs and the time they give, the PSI tables gathered across packets, and
// the findings of the TR 101 290 indicators, handed to a sink as they occur.
#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/clock.hpp"
#include "analysis/findings.hpp"
#include "packets/packet_scan.hpp"
#include "tables/section_assembler.hpp"

namespace ostrel {

inline constexpr unsigned pid_count = 8192;
inline constexpr unsigned max_programs = 253;         // what one PAT section can list
inline constexpr unsigned max_section_slots = 300;    // PIDs whose sections are gathered

enum PidRole : unsigned char {
    role_none = 0,
    role_pmt = 1,     // carries the map table of a program
    role_stream = 2,  // an elementary stream named in a map table
};

struct PidState {
    std::uint64_t packets, unit_starts, cc_errors, transport_errors, scrambled, pcrs;
    std::uint64_t first_pcr_packet, last_pcr_packet;
    std::uint64_t last_pcr;         // 27 MHz
    std::uint64_t pcr_ticks;        // PCR differences added up, split at discontinuities
    std::uint32_t last_pcr_arrival; // arrival_time_stamp of the last PCR packet (192-byte packets)
    EventTime last_seen;            // for PID_error
    EventTime last_pts;             // for PTS_error
    bool pts_seen;
    std::uint32_t cc_epoch;         // the continuity state holds while this equals the pass's epoch
    unsigned char cc;               // counter of the last packet with a payload
    unsigned char copies;           // how often that packet came: 1, or 2 for an allowed duplicate
    unsigned char role;             // PidRole bits
    short slot;                     // section slot + 1, 0 when sections are not gathered
    unsigned short program;         // index of its program (role_pmt, role_stream)
};

struct Program {
    unsigned program_number;
    unsigned pmt_pid;
    bool has_pmt;
    EventTime last_pmt;  // for PMT_error
    std::size_t pmt_length;
    unsigned char pmt[max_section_bytes];  // the first correct map section
};

using FindingSink = void (*)(void* context, const Finding& finding);

struct Analysis {
    FindingSink sink;
    void* sink_context;
    unsigned packet_size;
    std::uint64_t packets, bytes, skipped_bytes, sync_losses, crc_errors;
    std::uint64_t counts[indicator_count];
    std::uint32_t cc_epoch;  // grows at each lost sync: continuity starts again
    Clock clock;
    bool has_pat, cat_seen, cat_missing_reported;
    EventTime last_pat;
    std::size_t pat_length;
    unsigned char pat[max_section_bytes];  // the first correct PAT section
    unsigned program_count;
    Program programs[max_programs];
    unsigned slots_used;
    SectionSlot slots[max_section_slots];
    unsigned short slot_pid[max_section_slots];
    PidState pids[pid_count];
    unsigned char last_packets[pid_count][188];  // the last packet with a payload of each PID
};

// A zeroed analysis, allocated once (a few MB, touched only where used).
Analysis* new_analysis(FindingSink sink, void* sink_context);
void delete_analysis(Analysis* analysis);

void analyze_packet(Analysis& a, const Packet& packet);
void analyze_sync_event(Analysis& a, const SyncEvent& event);

// Section handling, called for each section completed on a gathered PID.
void analyze_section(Analysis& a, unsigned pid, const AssembledSection& section, const Packet& packet);

// Counts a finding and hands it to the sink.
void report_finding(Analysis& a, std::uint64_t packet, std::uint64_t offset, unsigned pid, FindingKind kind,
                    double seen, double expected, unsigned extra = 0);
inline void report_finding(Analysis& a, const Packet& packet, unsigned pid, FindingKind kind, double seen,
                           double expected, unsigned extra = 0)
{
    report_finding(a, packet.number, packet.offset, pid, kind, seen, expected, extra);
}

// Starts gathering the sections of `pid` (when a slot is left).
void gather_sections(Analysis& a, unsigned pid);

}  // namespace ostrel
