#include "reports/program_tables/pmt_report.hpp"

#include "reports/program_tables/section.hpp"
#include "ts/description_texts.hpp"

namespace ostrel {
namespace {

constexpr unsigned program_map_table_id = 0x02;

}  // namespace

ReportEnd report_pmt(const PacketInput& in, SyncLog& log, unsigned pmt_pid)
{
    Output& out = log.out;
    Section s;
    const ReportEnd found = find_section(in, log, pmt_pid, s);
    if (found != ReportEnd::done)
        return found;

    // The table_id is checked before anything is printed.
    if (!section_holds(s, 0))
        return ReportEnd::section_past_packet;
    if (section_byte(s, 0) != program_map_table_id)
        return ReportEnd::invalid_pmt;

    put_dec_field(out, "=> Pointer Field:       ", packet_byte(s.packet, s.pointer_at));
    put_table_id_field(out, "=> Table ID:            ", program_map_table_id);

    if (!section_holds(s, 2))
        return ReportEnd::section_past_packet;
    const long length = section_length(s);
    put_dec_field(out, "=> Section Length:      ", length);

    if (!section_holds(s, 4))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Program Number:      ", section_bits(s, 3, 0xFF));

    if (!section_holds(s, 5))
        return ReportEnd::section_past_packet;
    put_dec_field(out, "=> Version Number:      ", version_number(s));

    if (!section_holds(s, 9))
        return ReportEnd::section_past_packet;
    char* w = put(line_space(out), "=> PCR PID:             '");
    w = put_hex(w, section_bits(s, 8, 0x1F), 4);
    out_commit(out, put(w, "'h\n"));

    if (!section_holds(s, 11))
        return ReportEnd::section_past_packet;
    const long program_info_length = section_bits(s, 10, 0x03);
    put_dec_field(out, "=> Program Info Length: ", program_info_length);
    out_text(out, "=> Elementary Streams\n");

    // 9 bytes from program_number to program_info_length, 4 of CRC_32.
    const long loop_size = length - program_info_length - 13;
    const std::size_t b = 12 + static_cast<std::size_t>(program_info_length);
    long o = 0;
    for (std::uint64_t n = 0; o < loop_size; ++n) {
        const std::size_t entry = b + static_cast<std::size_t>(o);
        if (!section_holds(s, entry + 4))
            return ReportEnd::section_past_packet;
        const unsigned stream_type = section_byte(s, entry);
        w = put(line_space(out), "   Stream Type[");
        w = put_dec(w, n);
        w = put(w, "]:      '");
        w = put_hex(w, stream_type, 2);
        w = put(w, "'h, ");
        w = put(w, stream_type_text(stream_type));
        w = put(w, "\n   Elementary PID[");
        w = put_dec(w, n);
        w = put(w, "]:   '");
        w = put_hex(w, section_bits(s, entry + 1, 0x1F), 4);
        out_commit(out, put(w, "'h\n"));
        o += 5 + static_cast<long>(section_bits(s, entry + 3, 0x03));
    }
    return ReportEnd::done;
}

}  // namespace ostrel
