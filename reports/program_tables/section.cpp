#include "reports/program_tables/section.hpp"

#include "ts/description_texts.hpp"

namespace ostrel {

ReportEnd find_section(const PacketInput& in, SyncLog& log, unsigned pid, Section& section)
{
    const ScanEnd end = find_section_packet(in, pid, section.packet, log);
    if (end != ScanEnd::stopped)
        return scan_failure(end);
    const PacketHeader h = decode_header(section.packet);
    section.pointer_at = payload_start(h);
    section.start = section_start(section.packet, h);
    return ReportEnd::done;
}

void put_dec_field(Output& out, std::string_view label, long value)
{
    char* w = put(line_space(out), label);
    w = put_char(w, '\'');
    w = put_signed_dec(w, value);
    out_commit(out, put(w, "'d\n"));
}

void put_table_id_field(Output& out, std::string_view label, unsigned table_id)
{
    char* w = put(line_space(out), label);
    w = put_char(w, '\'');
    w = put_hex(w, table_id, 2, false);
    w = put(w, "'h, ");
    w = put(w, table_id_text(table_id));
    out_commit(out, put_char(w, '\n'));
}

}  // namespace ostrel
