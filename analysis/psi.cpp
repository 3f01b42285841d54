#include <cstring>

#include "analysis/facts.hpp"
#include "analysis/packet_checks.hpp"

namespace ostrel {
namespace {

constexpr double table_interval_limit = 0.5;  // s: PAT and each PMT at least this often

struct SectionContext {
    Analysis& a;
    unsigned pid;
    const Packet& packet;
};

void on_section(void* context, const AssembledSection& section)
{
    const SectionContext& c = *static_cast<const SectionContext*>(context);
    analyze_section(c.a, c.pid, section, c.packet);
}

// The time since `last` against the limit; then `last` becomes now.
void check_interval(Analysis& a, const Packet& packet, unsigned pid, EventTime& last, FindingKind kind,
                    unsigned extra)
{
    queue_check(a, Finding{packet.number, packet.offset, pid, kind, 0, table_interval_limit, extra}, last);
    note_event(a, last, packet.offset);
}

void take_pat(Analysis& a, const AssembledSection& s, const Packet& packet)
{
    a.has_pat = true;
    // Entries of 4 bytes from byte 8 up to the CRC_32.
    for (std::size_t e = 8; e + 4 <= s.stored - 4 && a.program_count < max_programs; e += 4) {
        const unsigned program_number = s.data[e] << 8 | s.data[e + 1];
        if (program_number == 0)
            continue;  // the network PID
        const unsigned pmt_pid = pid_field(s.data + e + 2);
        Program& program = a.programs[a.program_count];
        program.program_number = program_number;
        program.pmt_pid = pmt_pid;
        note_event(a, program.last_pmt, packet.offset);
        PidState& ps = a.pids[pmt_pid];
        if (!(ps.role & role_pmt))
            ps.program = static_cast<unsigned short>(a.program_count);
        ps.role |= role_pmt;
        gather_sections(a, pmt_pid);
        ++a.program_count;
    }
}

void take_pmt(Analysis& a, Program& program, unsigned index, const AssembledSection& s, const Packet& packet)
{
    std::memcpy(program.pmt, s.data, s.stored);
    program.pmt_length = s.stored;
    program.has_pmt = true;
    a.pmt_known = true;
    a.pids[pcr_pid(program)].role |= role_pcr;
    StreamEntry streams[max_streams];
    const unsigned n = program_streams(program, streams, max_streams);
    for (unsigned i = 0; i < n; ++i) {
        PidState& ps = a.pids[streams[i].pid];
        if (streams[i].sparse_pts)
            ps.role |= role_no_pts;
        if (!(ps.role & role_stream)) {
            ps.role |= role_stream;
            ps.start_mask = 0x40;
            ps.program = static_cast<unsigned short>(index);
            start_absence(a, ps, streams[i].pid, packet.offset);
        }
    }
}

// Whether a table_id belongs on one of the PIDs that EN 300 468 and
// ISO/IEC 13818-1 give their tables (PAT, CAT, NIT, SDT/BAT, EIT, RST, TDT/TOT).
bool own_table(unsigned pid, unsigned table_id)
{
    switch (pid) {
    case 0x0000: return table_id == 0x00;
    case 0x0001: return table_id == 0x01;
    case 0x0010: return table_id == 0x40 || table_id == 0x41;
    case 0x0011: return table_id == 0x42 || table_id == 0x46 || table_id == 0x4A;
    case 0x0012: return table_id >= 0x4E && table_id <= 0x6F;
    case 0x0013: return table_id == 0x71;
    case 0x0014: return table_id == 0x70 || table_id == 0x73;
    default: return false;
    }
}

void count_pmt_crc_error(Analysis& a, unsigned pid)
{
    if (!(a.pids[pid].role & role_pmt))
        return;
    for (unsigned i = 0; i < a.program_count; ++i)
        a.programs[i].pmt_crc_errors += a.programs[i].pmt_pid == pid;
}

}  // namespace

void check_scrambled(Analysis& a, const Packet& packet, unsigned pid, unsigned scrambling)
{
    if (pid == 0x0000)
        report_finding(a, packet, pid, FindingKind::pat_scrambled, scrambling, 0);
    else if (a.pids[pid].role & role_pmt)
        report_finding(a, packet, pid, FindingKind::pmt_scrambled, scrambling, 0);
    if (!a.cat_seen && !a.cat_missing_reported) {
        a.cat_missing_reported = true;
        report_finding(a, packet, pid, FindingKind::cat_missing, scrambling, 0);
    }
}

void gather_packet_sections(Analysis& a, SectionSlot& slot, unsigned pid, const Packet& packet,
                            std::size_t payload_at, bool unit_start)
{
    SectionContext context{a, pid, packet};
    assemble_sections(slot, packet.ts + payload_at, packet_size - payload_at, unit_start, on_section, &context);
}

void analyze_section(Analysis& a, unsigned pid, const AssembledSection& s, const Packet& packet)
{
    const unsigned table_id = section_table_id(s);
    if (!crc_correct(s)) {
        ++a.crc_errors;
        report_finding(a, packet, pid, FindingKind::crc, s.carried, s.computed, table_id);
        count_pmt_crc_error(a, pid);
        return;  // nothing in it can be trusted
    }
    a.pids[pid].tables_seen |= own_table(pid, table_id);
    if (pid == 0x0000) {
        if (table_id != 0x00) {
            report_finding(a, packet, pid, FindingKind::pat_table_id, table_id, 0x00);
            return;
        }
        check_interval(a, packet, pid, a.last_pat, FindingKind::pat_interval, 0);
        if (!a.has_pat)
            take_pat(a, s, packet);
    } else if (pid == 0x0001) {
        if (table_id != 0x01)
            report_finding(a, packet, pid, FindingKind::cat_table_id, table_id, 0x01);
        else
            a.cat_seen = true;
    }
    if (table_id != 0x02 || !(a.pids[pid].role & role_pmt) || s.stored < 12)
        return;
    const unsigned program_number = s.data[3] << 8 | s.data[4];
    for (unsigned i = 0; i < a.program_count; ++i) {
        Program& program = a.programs[i];
        if (program.pmt_pid != pid || program.program_number != program_number)
            continue;
        check_interval(a, packet, pid, program.last_pmt, FindingKind::pmt_interval, program_number);
        if (!program.has_pmt)
            take_pmt(a, program, i, s, packet);
    }
}

}  // namespace ostrel
