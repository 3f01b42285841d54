#include "reports/program_tables/pat_report.hpp"

#include "reports/program_tables/section.hpp"

namespace ostrel {

ReportEnd report_pat(const PacketInput& in, SyncLog& log)
{
    Output& out = log.out;
    Section s;
    const ReportEnd found = find_section(in, log, 0x0000, s);
    if (found != ReportEnd::done)
        return found;

    const unsigned pointer_field = packet_byte(s.packet, s.pointer_at);
    if (pointer_field == no_byte)
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Pointer Field:     ", pointer_field);

    if (!section_holds(s, 0))
        return ReportEnd::section_past_packet;
    const unsigned table_id = section_byte(s, 0);
    put_table_id_field(out, "=> Table ID:          ", table_id);

    if (!section_holds(s, 2))
        return ReportEnd::section_past_packet;
    const long length = section_length(s);
    put_dec_field(out, "=> Section Length:    ", length);

    if (!section_holds(s, 5))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Version Number:    ", version_number(s));

    // 5 bytes from transport_stream_id to last_section_number, 4 of CRC_32.
    const long total = (length - 9) / 4;
    put_dec_field(out, "=> Total Programs:    ", total);

    for (long n = 0; n < total; ++n) {
        const std::size_t e = 8 + 4 * static_cast<std::size_t>(n);
        if (!section_holds(s, e + 3))
            return ReportEnd::section_past_packet;
        const unsigned program_number = section_byte(s, e) << 8 | section_byte(s, e + 1);
        char* w = put(line_space(out), "   Program Number[");
        w = put_dec(w, static_cast<std::uint64_t>(n));
        w = put(w, "]: '");
        w = put_dec(w, program_number);
        w = put(w, program_number == 0 ? "'d\n   NIT PID[" : "'d\n   PMT PID[");
        w = put_dec(w, static_cast<std::uint64_t>(n));
        w = put(w, "]:        '");
        w = put_hex(w, section_bits(s, e + 2, 0x1F), 4);
        out_commit(out, put(w, "'h\n"));
    }
    return ReportEnd::done;
}

}  // namespace ostrel
