#include "reports/program_tables/pat_report.hpp"

#include "psi/model/pat.hpp"
#include "reports/program_tables/section.hpp"

namespace ostrel {

ReportEnd report_pat(const PacketInput& in, SyncLog& log)
{
    Output& out = log.out;
    Section s;
    const ReportEnd found = find_section(in, log, pid_pat, s);
    if (found != ReportEnd::done)
        return found;

    if (s.pointer_at >= packet_size)
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Pointer Field:     ", s.packet[s.pointer_at]);

    PatSection pat;
    decode_pat_start(section_bytes(s), section_held(s), pat);
    if (!pat_holds(pat, 0))
        return ReportEnd::section_past_packet;
    put_table_id_field(out, "=> Table ID:          ", pat.table_id);

    if (!pat_holds(pat, 2))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Section Length:    ", pat.section_length);

    if (!pat_holds(pat, 5))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Version Number:    ", pat.version_number);

    const long total = pat_declared_entries(pat);
    put_dec_field(out, "=> Total Programs:    ", total);

    for (long n = 0; n < total; ++n) {
        if (static_cast<unsigned long>(n) >= pat.count)
            return ReportEnd::section_past_packet;
        const PatEntry& e = pat.entries[n];
        char* w = put(line_space(out), "   Program Number[");
        w = put_dec(w, static_cast<std::uint64_t>(n));
        w = put(w, "]: '");
        w = put_dec(w, e.program_number);
        w = put(w, e.program_number == 0 ? "'d\n   NIT PID[" : "'d\n   PMT PID[");
        w = put_dec(w, static_cast<std::uint64_t>(n));
        w = put(w, "]:        '");
        w = put_hex(w, e.pid, 4);
        out_commit(out, put(w, "'h\n"));
    }
    return ReportEnd::done;
}


}  // namespace ostrel
