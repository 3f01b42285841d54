#include "reports/program_tables/pmt_report.hpp"

#include "psi/model/pmt.hpp"
#include "reports/program_tables/section.hpp"
#include "ts/description_texts.hpp"

namespace ostrel {

ReportEnd report_pmt(const PacketInput& in, SyncLog& log, unsigned pmt_pid)
{
    Output& out = log.out;
    Section s;
    const ReportEnd found = find_section(in, log, pmt_pid, s);
    if (found != ReportEnd::done)
        return found;

    PmtSection pmt;
    decode_pmt_start(section_bytes(s), section_held(s), pmt);
    // The table_id is checked before anything is printed.
    if (!pmt_holds(pmt, 0))
        return ReportEnd::section_past_packet;
    if (pmt.table_id != table_id_pmt)
        return ReportEnd::invalid_pmt;

    // A table_id held means a pointer_field held before it.
    put_dec_field(out, "=> Pointer Field:       ", s.packet[s.pointer_at]);
    put_table_id_field(out, "=> Table ID:            ", pmt.table_id);

    if (!pmt_holds(pmt, 2))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Section Length:      ", pmt.section_length);

    if (!pmt_holds(pmt, 4))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Program Number:      ", pmt.program_number);

    if (!pmt_holds(pmt, 5))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Version Number:      ", pmt.version_number);

    if (!pmt.pcr_known)
        return ReportEnd::section_past_packet;
    char* w = put(line_space(out), "=> PCR PID:             '");
    w = put_hex(w, pmt.pcr_pid, 4);
    out_commit(out, put(w, "'h\n"));

    if (!pmt.info_known)
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Program Info Length: ", pmt.program_info_length);
    out_text(out, "=> Elementary Streams\n");

    for (unsigned n = 0; n < pmt.count; ++n) {
        const PmtStream& e = pmt.streams[n];
        w = put(line_space(out), "   Stream Type[");
        w = put_dec(w, n);
        w = put(w, "]:      '");
        w = put_hex(w, e.stream_type, 2);
        w = put(w, "'h, ");
        w = put(w, stream_type_text(e.stream_type));
        w = put(w, "\n   Elementary PID[");
        w = put_dec(w, n);
        w = put(w, "]:   '");
        w = put_hex(w, e.elementary_pid, 4);
        out_commit(out, put(w, "'h\n"));
    }
    return pmt.loop_cut ? ReportEnd::section_past_packet : ReportEnd::done;
}


}  // namespace ostrel
