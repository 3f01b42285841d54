#include "pass/analysis.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

#include "pass/checks/packet_checks.hpp"
#include "pass/packet_path.hpp"
#include "ts/pes.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

// PIDs whose sections are always gathered: those ISO/IEC 13818-1 and EN 300
// 468 give their tables (PAT, CAT, TSDT, NIT, SDT/BAT, EIT, RST, TDT/TOT, ...).
constexpr unsigned last_table_pid = 0x001F;

}  // namespace

void AnalysisTables::table(const TableEvent& table) { analyze_table(*a, table); }
void AnalysisTables::copy(unsigned table, std::uint64_t offset) { analyze_table_copy(*a, table, offset); }

Analysis* new_analysis(PassListener* listener)
{
    // calloc: zeroed pages that stay untouched, and so out of memory, where no PID uses them.
    void* memory = std::calloc(1, sizeof(Analysis));
    if (memory == nullptr)
        return nullptr;
    Analysis* a = new (memory) Analysis;
    a->listener = listener;
    a->tables.a = a;
    a->demux = new (std::nothrow) SectionDemux(a->tables);
    if (a->demux == nullptr) {
        delete_analysis(a);
        return nullptr;
    }
    a->cc_epoch = 1;
    a->check_priority = 2;
    clock_reset(a->clock);
    note_event(*a, a->last_pat, 0);  // no PAT since the start of the file
    for (unsigned pid = 0; pid <= last_table_pid; ++pid)
        gather_sections(*a, pid);
    return a;
}

void delete_analysis(Analysis* analysis)
{
    if (analysis != nullptr) {
        delete analysis->demux;
        for (unsigned i = 0; i < analysis->probe_count; ++i)
            delete analysis->probes[i];
        analysis->~Analysis();
        std::free(analysis);
    }
}

void gather_sections(Analysis& a, unsigned pid)
{
    PidState& s = a.pids[pid];
    if (s.slot != 0 || a.slots_used == max_section_slots)
        return;
    s.slot = static_cast<short>(++a.slots_used);
    s.next_plain_byte3 = no_plain_packet;
}

void report_finding(Analysis& a, std::uint64_t packet, std::uint64_t offset, unsigned pid, FindingKind kind,
                    double seen, double expected, unsigned extra)
{
    queue_finding(a, Finding{packet, offset, pid, kind, seen, expected, extra});
}

void analyze_sync_event(Analysis& a, const SyncEvent& event)
{
    a.skipped_bytes += event.skipped;
    if (event.kind == SyncEvent::skipped_start)
        return;  // a capture cut in a packet: normal
    if (event.kind == SyncEvent::trailing) {  // the input ends inside a packet
        report_finding(a, event.after_packet + 1, event.at, no_pid, FindingKind::partial_packet,
                       static_cast<double>(event.skipped), event.size);
        return;
    }
    ++a.sync_losses;
    ++a.losses;
    // The bytes skipped cover ceil(skipped / size) packet positions, each
    // without its sync byte; two or more are a loss of sync, not one byte.
    const std::uint64_t positions = (event.skipped + event.size - 1) / event.size;
    const std::uint64_t position = event.after_packet + 1;
    report_finding(a, position, event.at, no_pid, FindingKind::sync_byte, event.byte, 0x47);
    if (positions > 1)
        report_finding(a, position, event.at, no_pid, FindingKind::sync_lost, static_cast<double>(event.skipped), 0);
    for (std::uint64_t k = 1; k < positions; ++k)
        report_finding(a, position + k, event.at + k * event.size, no_pid, FindingKind::sync_position, 0, 0x47);
    // Counters and sections start again after the gap.
    ++a.cc_epoch;
    for (unsigned i = 0; i < a.slots_used; ++i)
        abandon_section(a.slots[i]);
}

void restart_checks(Analysis& a)
{
    ++a.cc_epoch;
    ++a.restart_epoch;
    for (unsigned i = 0; i < a.slots_used; ++i)
        abandon_section(a.slots[i]);
}

void analyze_window_moves(Analysis& a)
{
    for (unsigned i = 0; i < a.in_window_count; ++i) {
        const unsigned pid = a.in_window[i];
        PidState& s = a.pids[pid];
        std::memcpy(a.last_packets[pid], s.last_payload, packet_size);
        s.last_payload = a.last_packets[pid];
        s.in_window = false;
    }
    a.in_window_count = 0;
}

void analyze_packet_fully(Analysis& a, const Packet& packet)
{
    const unsigned char* const p = packet.ts;
    const HeaderView h{p};
    const unsigned pid = h.pid();
    PidState& s = a.pids[pid];
    PidSpan& span = a.spans[pid];
    if (s.packets++ == 0) {
        note_used_pid(a, pid);
        if (pid > last_psi_pid && pid != pid_null && !(s.role & role_stream))
            s.start_mask = 0x40;  // its first unit start goes the full way: a PES stream no map table names?
        span.first_packet = packet.number;
        span.first_offset = packet.offset;
    }
    span.last_offset = packet.offset;
    if (h.transport_error()) {
        ++s.transport_errors;
        report_finding(a, packet, pid, FindingKind::transport_error, 1, 0);
    }
    const bool unit_start = h.unit_start();
    s.unit_starts += unit_start;
    if (h.scrambling() != 0) {
        ++s.scrambled;
        check_scrambled(a, packet, pid, h.scrambling());
    }
    const std::size_t payload_at = h.payload_at();
    const bool discontinuity = h.discontinuity();
    if (has_pcr(p))
        take_pcr(a, s, pid, packet, discontinuity);
    const bool has_payload = (h.adaptation_field_control() & 1) && payload_at < packet_size;
    a.carries[pid].payload_seen |= has_payload;
    if (unit_start && has_payload && s.start_mask != 0 && !(s.role & role_stream)) {
        note_pes_stream(a, pid, p + payload_at, packet_size - payload_at);
        s.start_mask = 0;  // its first unit start was looked at
    }
    if (has_payload && probing(a, pid))
        probe_packet(a, pid, packet, payload_at, unit_start);
    const Continuity continuity = pid == pid_null ? Continuity::follows
                                                : check_continuity(a, s, packet, pid, has_payload, discontinuity);
    if (s.role & role_stream) {
        stream_seen(a, s, packet, pid);
        if (unit_start && has_payload)
            check_pts(a, s, packet, pid, payload_at);
    }
    if (s.slot != 0 && has_payload && continuity != Continuity::duplicate) {
        SectionSlot& slot = a.slots[s.slot - 1];
        if (continuity == Continuity::broken)
            abandon_section(slot);
        if (unit_start && pid > last_psi_pid && starts_pes(p + payload_at, packet_size - payload_at))
            abandon_section(slot);  // a PES packet on a PID read for sections: none of its bytes is one
        else
            gather_packet_sections(a, slot, pid, packet, payload_at, unit_start);
    }
}

}  // namespace ostrel
