// What the pass keeps, behind --summary and --check: per-PID counts, continuity,
// PCRs and the time they give, the PSI tables gathered across packets, and
// the findings of the TR 101 290 indicators, handed to the report in stream order
// once their times are known (pass/timeline).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "pass/clock.hpp"
#include "pass/timeline.hpp"
#include "pass/checks/findings.hpp"
#include "pass/pcr_tracks.hpp"
#include "pass/probe.hpp"
#include "sources/packet_scan.hpp"
#include "psi/demux.hpp"
#include "psi/model/pmt.hpp"
#include "psi/section_assembler.hpp"
#include "ts/pids.hpp"

namespace ostrel {

inline constexpr unsigned max_programs = 253;         // what one PAT section can list
inline constexpr unsigned max_section_slots = 300;    // PIDs whose sections are gathered

enum PidRole : unsigned char {
    role_none = 0,
    role_pmt = 1,     // carries the map table of a program
    role_stream = 2,  // an elementary stream named in a map table
    role_pcr = 4,     // a PCR_PID named in a map table
    role_no_pts = 8,  // a stream whose PTS come only when needed (subtitles, teletext)
    role_ca = 16,     // an ECM or EMM PID that a CA_descriptor names
};

// What the priority 3 checks keep: when each SI table family last came.
struct SiTimes {
    bool started;  // the first NIT, SDT or EIT section came: the absence checks run from here
    EventTime nit_actual, nit_other, sdt_actual, sdt_other, eit_actual[2], eit_other, tdt;
    bool nit_other_seen, sdt_other_seen, eit_other_seen;
};

// Every event time that waits for its stretch's end at most once: each PID's
// last PTS, each program's last PMT, the last PAT, each table's last copy and
// its last sections 0 and 1, and the SI families' (SiTimes).
inline constexpr unsigned si_event_times = 8;
inline constexpr unsigned max_untimed_events =
    pid_count + max_programs + 1 + 3 * SectionDemux::max_tables + si_event_times;

// The fast path's invariant, kept here alone: a PID's next_plain_byte3 is
// byte 3 of its next packet when that packet is plain (payload only, not
// scrambled, the next counter), or no_plain_packet while every packet of the
// PID goes the full way (its sections are gathered, its format probed, or
// --check:3 watches it).
inline constexpr unsigned short no_plain_packet = 0xFFFF;
inline unsigned short plain_byte3_after(unsigned counter)
{
    return static_cast<unsigned short>(0x10 | ((counter + 1) & 0x0F));
}

struct PidState {
    // What every packet touches, together in one cache line.
    std::uint64_t packets, unit_starts;
    const unsigned char* last_payload;  // the last packet with a payload: in the window, or in last_packets
    EventTime seen;                     // streams: the last packet (listed: in the current stretch)
    std::uint64_t gap_bytes;            // streams: the longest gap between its packets in the stretch
    std::uint32_t cc_epoch;             // the continuity state holds while this equals the pass's epoch
    short slot;                         // section slot + 1, 0 when sections are not gathered
    unsigned short next_plain_byte3;    // byte 3 of a plain next packet: payload only, the next counter
                                        // (no_plain_packet: none is plain)
    unsigned char start_mask;           // 0x40 for streams, whose unit starts are looked at
    unsigned char cc;                   // counter of the last packet with a payload
    unsigned char times_seen;           // how often that packet came: 1, or 2 for an allowed duplicate
    unsigned char role;                 // PidRole bits
    bool in_window;                     // last_payload points into the read window
    unsigned short program;             // index of its program (role_pmt, role_stream)

    std::uint64_t cc_errors, transport_errors, scrambled;
    std::uint64_t gap_packet, gap_offset;  // the packet that ended that gap
};

// Where a PID's packets came, for Unreferenced_PID (a PID each).
struct PidSpan {
    std::uint64_t first_packet, first_offset;
    std::uint64_t last_offset;  // of its last packet through the full path (all of them while
                                // --check:3 has no PMT naming the PID)
};

// What a PID was seen to carry, for the summary (a PID each).
struct PidCarries {
    bool payload_seen;   // some packet had a payload
    bool tables_seen;    // a section of the PID's own tables came, its CRC_32 correct
    std::uint64_t cues;  // splice_info_sections (SCTE 35) with a correct CRC_32
};

// What the ES_info descriptors of a stream say that the pass and the summary
// read often: found once, when the map section comes.
struct StreamNotes {
    char language[4];  // ISO 639 code from an ISO_639_language_descriptor, "" when none
    bool sparse_pts;   // subtitles or teletext: a PTS only when the content changes
};

// What the PCRs of a PID give (the PCR tracker's state, a PID each).
struct PcrState {
    std::uint64_t pcrs;
    std::uint64_t first_pcr_packet, last_pcr_packet;
    std::uint64_t last_pcr;          // 27 MHz
    std::uint64_t pcr_ticks;         // PCR differences added up, split at discontinuities
    std::uint32_t last_pcr_arrival;  // arrival_time_stamp of the last PCR packet (192-byte packets)
    std::uint32_t restart_epoch;     // the next PCR is taken as after a discontinuity while this is not the pass's
    double max_interval_s;           // the longest interval measured between two of its PCRs
};

// A PID's format probe (the probe tracker's state, a PID each).
struct ProbeState {
    bool probing;         // its format is being looked for in its first PES packets
    unsigned char probe;  // its probe slot + 1, 0 for none
    unsigned char stream_id;  // of a PES stream no map table names: its first PES packet's; 0 none
};

// When a PID's last PTS came (the PTS tracker's state, a PID each), for PTS_error.
struct PtsState {
    EventTime last_pts;
    bool pts_seen;
    std::uint32_t restart_epoch;  // as the PCR's
};

struct Program {
    unsigned program_number;
    unsigned pmt_pid;
    bool has_pmt;
    EventTime last_pmt;  // for PMT_error
    std::uint64_t pmt_crc_errors;  // sections on its PMT PID with a wrong CRC_32
    unsigned pmt_generation;       // grows with each map section taken
    unsigned char pmt_bytes[max_psi_section_bytes];  // the latest complete map section
    PmtSection pmt;                                  // decoded from pmt_bytes, which it points into
    StreamNotes notes[max_pmt_streams + 1];          // of each of its streams
};

// What a report hears of the pass as it goes; each overrides what it wants.
struct PassListener {
    // A finding, once its time is known, in stream order.
    virtual void finding(const Finding& finding) { (void)finding; }
    // A new table, complete (--tables).
    virtual void table(const TableEvent& table) { (void)table; }
    // Every complete section on a gathered PID, as it comes (--cues).
    virtual void section(unsigned pid, const AssembledSection& section, const Packet& packet)
    {
        (void)pid, (void)section, (void)packet;
    }
    // A PCR of the reference PID ended `ended`: the bytes before it have their times now.
    virtual void stretch(const Analysis& a, const Stretch& ended) { (void)a, (void)ended; }
    // A playlist's segment, once the next has begun or the input ended.
    virtual void segment(const Analysis& a, const struct SegmentFigures& figures) { (void)a, (void)figures; }

protected:
    ~PassListener() = default;
};

struct Analysis;

// The analysis as the demux's listener: new tables give the programs, copies their intervals.
struct AnalysisTables final : TableListener {
    Analysis* a;
    void table(const TableEvent& table) override;
    void copy(unsigned table, std::uint64_t offset) override;
};

struct Analysis {
    PassListener* listener;  // the report's, or null
    AnalysisTables tables;
    SectionDemux* demux;   // every section gathered, grouped into tables
    unsigned packet_size;
    std::uint64_t packets, bytes, skipped_bytes, sync_losses, crc_errors;
    std::uint64_t counts[indicator_count];
    std::uint32_t cc_epoch;  // grows at each lost sync: continuity starts again
    std::uint64_t losses;    // continuity gaps and lost syncs so far: bytes between PCRs no longer tell time
    std::uint32_t restart_epoch;  // grows where the input says its stream starts again (a playlist's discontinuity)
    Clock clock;
    bool has_pat, cat_seen, cat_missing_reported;
    bool pcr_pairs;  // a checked PID had two PCRs: the PCR indicators were checked
    bool pmt_known;  // some program's map section came: the PCR indicators look at its PCR_PIDs
    EventTime last_pat;
    unsigned program_count;
    Program programs[max_programs];
    unsigned slots_used;
    SectionSlot slots[max_section_slots];
    PidState pids[pid_count];
    PcrState pcr_states[pid_count];  // touched only for the PIDs with PCRs
    PtsState pts_states[pid_count];  // and for those with PTS
    ProbeState probe_states[pid_count];
    PidSpan spans[pid_count];
    PidCarries carries[pid_count];
    std::uint64_t used_pids[pid_count / 64];     // bit per PID that had a packet: the PIDs looked at after
                                                 // the pass, without paging in the states of the others
    unsigned char last_packets[pid_count][188];  // copies of last_payload from before the window moved
    unsigned probe_count;
    ProbeSlot* probes[max_probes];
    bool tsid_known;                 // the first PAT's transport_stream_id, which names the SDT actual
    unsigned transport_stream_id;
    bool utc_seen;                   // TDT or TOT: the first and last UTC_time, MJD and BCD
    std::uint64_t utc_first, utc_last;
    unsigned in_window_count;
    unsigned short in_window[pid_count];         // the PIDs whose last_payload is in the window
    // Findings waiting for the end of their stretch, and what gets its time then.
    unsigned queued;
    QueuedFinding queue[queue_capacity];
    unsigned check_priority;  // the highest TR 101 290 priority checked (3: the SI checks run)
    std::uint64_t first_offset;  // of the first packet, whose time is the origin of finding times
    bool origin_known;           // that time, fixed when the first PCR interval counts
    double origin;
    SiTimes si;
    unsigned untimed_count;
    EventTime* untimed[max_untimed_events];
    EventTime table_times[SectionDemux::max_tables];  // the last copy of each table of the demux
    EventTime section_times[SectionDemux::max_tables][2];  // its last section 0 and 1
    unsigned stretch_pid_count;
    unsigned short stretch_pids[pid_count];            // the streams seen in the stretch
    ArrivalTiming arrival;
    PcrTracks pcr_tracks;  // PCR accuracy against a constant rate, PCR jitter against arrival
    struct FlowFigures* figures;  // a capture's flow summed up: its losses go there
    struct Intervals* intervals;  // the report that cuts the stream into intervals of time, or null
    // A playlist's segments, and their tracker (null for any other input).
    struct SegmentLog* segment_log;
    struct SegmentTracker* segments;
};

// The PIDs that had packets, in order of PID.
template <typename F>
void for_each_used_pid(const Analysis& a, F f)
{
    for (unsigned word = 0; word < pid_count / 64; ++word) {
        for (std::uint64_t bits = a.used_pids[word]; bits != 0; bits &= bits - 1) {
            const unsigned pid = word * 64 + static_cast<unsigned>(std::countr_zero(bits));
            f(pid, a.pids[pid]);
        }
    }
}

inline void note_used_pid(Analysis& a, unsigned pid) { a.used_pids[pid / 64] |= std::uint64_t{1} << (pid % 64); }

// Whether intervals are timed: by arrival, or once a PCR interval has counted.
inline bool intervals_timed(const Analysis& a) { return a.arrival.on || clock_known(a.clock); }

// A zeroed analysis, allocated once (a few MB, touched only where used),
// that tells `listener` (when not null) what it finds.
Analysis* new_analysis(PassListener* listener);
void delete_analysis(Analysis* analysis);

// Every packet goes through analyze_packet (pass/packet_path.hpp); all but
// the plain ones go on to this.
void analyze_packet_fully(Analysis& a, const Packet& packet);
void analyze_sync_event(Analysis& a, const SyncEvent& event);
// The stream starts again here, as after a discontinuity_indicator on every
// PID: counters, PCRs and PTS are not compared across it, sections in
// progress are dropped.
void restart_checks(Analysis& a);
// The read window is about to move: packets kept by pointer are copied.
void analyze_window_moves(Analysis& a);
// PID_error: the first packet of a stream in a stretch.
void check_absence(Analysis& a, PidState& s, const Packet& packet, unsigned pid);

// Section handling, called for each section completed on a gathered PID.
void analyze_section(Analysis& a, unsigned pid, const AssembledSection& section, const Packet& packet);
// A new table from the demux: the programs come from the PAT and the PMTs.
void analyze_table(Analysis& a, const TableEvent& table);
// A copy of a table complete at `offset`: the interval since the last one, timed when known.
void analyze_table_copy(Analysis& a, unsigned table, std::uint64_t offset);

// A finding at a packet, into the queue that goes out in stream order.
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
