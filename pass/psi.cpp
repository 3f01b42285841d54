#include <cstring>

#include "codecs/codec_id.hpp"
#include "ts/descriptor_loop.hpp"
#include "ts/reader.hpp"
#include "psi/model/cat.hpp"
#include "psi/table_registry.hpp"
#include "psi/model/pat.hpp"

#include "pass/facts.hpp"
#include "pass/checks/packet_checks.hpp"

namespace ostrel {
namespace {

constexpr double table_interval_limit = 0.5;  // s: PAT and each PMT at least this often

// The sections a packet completes, into the analysis.
struct SectionsOfPacket final : SectionDone {
    SectionsOfPacket(Analysis& analysis, unsigned on_pid, const Packet& in) : a(analysis), pid(on_pid), packet(in) {}
    Analysis& a;
    unsigned pid;
    const Packet& packet;
    void section(const AssembledSection& section) override { analyze_section(a, pid, section, packet); }
};

// The time since `last` against the limit; then `last` becomes now.
void check_interval(Analysis& a, const Packet& packet, unsigned pid, EventTime& last, FindingKind kind,
                    unsigned extra)
{
    queue_check(a, Finding{packet.number, packet.offset, pid, kind, 0, table_interval_limit, extra}, last);
    note_event(a, last, packet.offset);
}

// The CA_PIDs (ECM and EMM) that the CA_descriptors of a loop name.
void mark_ca_pids(Analysis& a, const unsigned char* loop, std::size_t length)
{
    for_each_ca_pid(loop, length, [&](unsigned pid) { a.pids[pid].role |= role_ca; });
}

// The program's map section, the latest version: roles, and probes for its streams.
void take_pmt(Analysis& a, Program& program, unsigned index, const SectionBytes& s, std::uint64_t offset)
{
    if (s.size > sizeof program.pmt_bytes)
        return;  // no PMT section is longer
    std::memcpy(program.pmt_bytes, s.data, s.size);
    decode_pmt(SectionBytes{program.pmt_bytes, s.size}, program.pmt);
    note_streams(program);
    program.has_pmt = true;
    ++program.pmt_generation;
    a.pmt_known = true;
    a.pids[pcr_pid(program)].role |= role_pcr;
    const unsigned char* info;
    std::size_t info_length;
    program_info(program, info, info_length);
    mark_ca_pids(a, info, info_length);
    StreamEntry streams[max_streams];
    const unsigned n = program_streams(program, streams, max_streams);
    for (unsigned i = 0; i < n; ++i) {
        PidState& ps = a.pids[streams[i].pid];
        if (streams[i].sparse_pts)
            ps.role |= role_no_pts;
        mark_ca_pids(a, streams[i].info, streams[i].info_length);
        const CodecId codec =
            identify_codec(streams[i].stream_type, streams[i].info, streams[i].info_length, info, info_length);
        start_probe(a, streams[i].pid, codec.probe);
        if (std::string_view(codec.codec) == "scte_35")
            gather_sections(a, streams[i].pid);  // its cues are sections
        if (!(ps.role & role_stream)) {
            ps.role |= role_stream;
            ps.start_mask = 0x40;
            ps.program = static_cast<unsigned short>(index);
            start_absence(a, ps, streams[i].pid, offset);
        }
    }
}

bool known_program(const Analysis& a, unsigned program_number, unsigned pmt_pid)
{
    for (unsigned i = 0; i < a.program_count; ++i) {
        if (a.programs[i].program_number == program_number && a.programs[i].pmt_pid == pmt_pid)
            return true;
    }
    return false;
}

// The programs of every PAT version: entries of 4 bytes in every section;
// a program a later version adds is added.
void take_pat(Analysis& a, const TableEvent& t)
{
    if (!a.tsid_known) {
        a.tsid_known = true;
        a.transport_stream_id = t.extension;
    }
    a.has_pat = true;
    for (unsigned i = 0; i < t.count; ++i) {
        PatSection pat;
        decode_pat(t.sections[i], pat);
        for (unsigned k = 0; k < pat.count && a.program_count < max_programs; ++k) {
            const unsigned program_number = pat.entries[k].program_number;
            const unsigned pmt_pid = pat.entries[k].pid;
            if (program_number == 0 || known_program(a, program_number, pmt_pid))
                continue;  // the network PID, or a program of an earlier version
            Program& program = a.programs[a.program_count];
            program.program_number = program_number;
            program.pmt_pid = pmt_pid;
            note_event(a, program.last_pmt, t.offset);
            PidState& ps = a.pids[pmt_pid];
            if (!(ps.role & role_pmt))
                ps.program = static_cast<unsigned short>(a.program_count);
            ps.role |= role_pmt;
            gather_sections(a, pmt_pid);
            ++a.program_count;
        }
    }
    // A map table that came before the PAT.
    std::vector<SectionBytes> pmt;
    for (unsigned i = 0; i < a.program_count; ++i) {
        Program& program = a.programs[i];
        if (!program.has_pmt && a.demux->last_copy(program.pmt_pid, 0x02, program.program_number, pmt))
            take_pmt(a, program, i, pmt[0], t.offset);
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
    SectionsOfPacket done{a, pid, packet};
    assemble_sections(slot, packet.ts + payload_at, packet_size - payload_at, unit_start, done);
}

namespace {

// The checks of one section: CRC_32, table_id, the PAT and PMT intervals.
void check_section(Analysis& a, unsigned pid, const AssembledSection& s, const Packet& packet)
{
    const unsigned table_id = section_table_id(s);
    if (!crc_correct(s)) {
        ++a.crc_errors;
        report_finding(a, packet, pid, FindingKind::crc, s.carried, s.computed, table_id);
        count_pmt_crc_error(a, pid);
        return;  // nothing in it can be trusted
    }
    a.carries[pid].tables_seen |= own_table(pid, table_id);
    if (pid == 0x0000) {
        if (table_id != 0x00) {
            report_finding(a, packet, pid, FindingKind::pat_table_id, table_id, 0x00);
            return;
        }
        check_interval(a, packet, pid, a.last_pat, FindingKind::pat_interval, 0);
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
    }
}


}  // namespace

void analyze_section(Analysis& a, unsigned pid, const AssembledSection& s, const Packet& packet)
{
    // The checks first, then the tables: a PAT taken now names the PMTs whose intervals start here.
    check_section(a, pid, s, packet);
    if (s.stored != s.length)
        return;
    if (a.listener != nullptr)
        a.listener->section(pid, s, packet);
    a.carries[pid].cues += section_table_id(s) == 0xFC && crc_correct(s);
    a.demux->section(pid, s.data, s.stored, crc_correct(s), packet.number, packet.offset);
    if (a.check_priority >= 3 && crc_correct(s))
        check_si_section(a, pid, s.data, s.stored, packet);
}

void analyze_table_copy(Analysis& a, unsigned table, std::uint64_t offset)
{
    EventTime& last = a.table_times[table];
    if (last.listed || last.timed) {
        // A measurement, not a finding: the timeline hands the interval to the demux.
        queue_check(a, Finding{0, offset, no_pid, FindingKind::table_interval, 0, 0, table}, last);
    }
    note_event(a, last, offset);
}

void analyze_table(Analysis& a, const TableEvent& t)
{
    if (t.table_id == 0x00 && t.pid == 0x0000)
        take_pat(a, t);
    if (t.table_id == table_id_cat && t.pid == pid_cat) {  // the EMM PIDs of the CAT
        for (unsigned i = 0; i < t.count; ++i) {
            const Reader descriptors = cat_descriptors(t.sections[i]);
            mark_ca_pids(a, descriptors.data, descriptors.size);
        }
    }
    if ((t.table_id == 0x70 || t.table_id == 0x73) && t.pid == 0x0014) {
        Reader r = section_body(t.table_id, t.sections[0]);
        const std::uint64_t utc = r.bits(40);
        if (!r.cut) {
            if (!a.utc_seen)
                a.utc_first = utc;
            a.utc_seen = true;
            a.utc_last = utc;
        }
    }
    if (t.table_id == 0x02 && (a.pids[t.pid].role & role_pmt)) {
        for (unsigned i = 0; i < a.program_count; ++i) {
            Program& program = a.programs[i];
            if (program.pmt_pid == t.pid && program.program_number == t.extension)
                take_pmt(a, program, i, t.sections[0], t.offset);
        }
    }
    if (a.listener != nullptr)
        a.listener->table(t);
}


}  // namespace ostrel
