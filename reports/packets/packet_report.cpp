#include "reports/packets/packet_report.hpp"

#include <cassert>

#include "reports/packets/decoded_fields.hpp"
#include "output/hex_dump.hpp"
#include "ts/packet_header.hpp"
#include "reports/packets/pes_start.hpp"
#include "ts/description_texts.hpp"

namespace ostrel {
namespace {

constexpr std::string_view separator =
    "\n===============================================================================\n\n";
constexpr std::string_view prompt = "Press \"enter\" to continue...\n";
// The adaptation field can hold no more than the bytes after byte 4.
constexpr unsigned max_adaptation_bytes = packet_size - 5;

constexpr std::string_view bit_texts[] = {"0", "1"};
constexpr std::size_t parity_bytes = 16;  // after the 188 bytes of a 204-byte packet

// "<label><value>'b, <text>\n", the line of a coded bit field.
char* put_bits_line(char* w, std::string_view label, std::string_view value, std::string_view text)
{
    w = put(w, label);
    w = put(w, value);
    w = put(w, "'b, ");
    w = put(w, text);
    return put_char(w, '\n');
}

char* put_dec_line(char* w, std::string_view label, unsigned value)
{
    w = put(w, label);
    w = put_dec(w, value);
    return put(w, "'d\n");
}

// The 4-byte header of a 192-byte packet: copy_permission_indicator (2 bits)
// and arrival_time_stamp (30 bits).
char* put_arrival_header(char* w, const unsigned char* header)
{
    w = put(w, "=> Copy Permission Indicator:    '");
    w = put(w, two_bits_text(header[0] >> 6));
    w = put(w, "'b\n=> Arrival Time Stamp:           '");
    w = put_dec(w, arrival_time_stamp(header));
    return put(w, "'d\n");
}

// Waits for Enter; true when the keys have ended, after which no pause waits.
bool wait_for_enter(std::FILE* keys)
{
    for (;;) {
        const int c = std::getc(keys);
        if (c == '\n')
            return false;
        if (c == EOF)
            return true;
    }
}

}  // namespace

char* dump_payload(char* w, const unsigned char* data, std::size_t length, unsigned payload_unit_start_indicator,
                   unsigned PID, bool decode)
{
    w = dump_bytes(w, data, length, 3);
    if (!may_start_pes(payload_unit_start_indicator, PID))
        return w;
    const std::size_t pes_start = find_pes_start(data, length);
    return pes_start == length ? w : put_pes_start(w, data, length, pes_start, decode);
}

char* put_packet_block(char* w, const Packet& packet, bool decode, const ArrivalRecord* arrival)
{
    const unsigned char* const p = packet.ts;
    const PacketHeader h = decode_header(p);
    w = put(w, "=> Sync Byte:                    '47'h, TS Packet (No. ");
    w = put_dec(w, packet.number);
    w = put(w, ")\n");
    if (arrival != nullptr) {
        w = put(w, "=> Capture Frame:                '");
        w = put_dec(w, arrival->frame);
        w = put(w, "'d, ");
        w = put(w, arrival_time_text(arrival->time_ns, false));
        w = put_char(w, '\n');
    }
    if (packet.size == 192)
        w = put_arrival_header(w, packet.extra);
    w = put_bits_line(w, "=> Transport Error Indicator:    '", bit_texts[h.transport_error_indicator],
                      error_text(h.transport_error_indicator));
    w = put_bits_line(w, "=> Payload Unit Start Indicator: '", bit_texts[h.payload_unit_start_indicator],
                      start_text(h.payload_unit_start_indicator));
    w = put_bits_line(w, "=> Transport Priority:           '", bit_texts[h.transport_priority],
                      priority_text(h.transport_priority));
    w = put(w, "=> PID:                          '");
    w = put_hex(w, h.PID, 4);
    w = put(w, "'h, ");
    w = put(w, pid_text(h.PID));
    w = put_char(w, '\n');
    w = put_bits_line(w, "=> Transport Scrambling Control: '", two_bits_text(h.transport_scrambling_control),
                      scrambling_text(h.transport_scrambling_control));
    w = put_bits_line(w, "=> Adaptation Field Control:     '", two_bits_text(h.adaptation_field_control),
                      adaptation_text(h.adaptation_field_control));
    w = put_dec_line(w, "=> Continuity Counter:           '", h.continuity_counter);
    w = put_dec_line(w, "=> Adaptation Field Length:      '", h.adaptation_field_length);

    // A length above 183 claims more than the packet holds: dump what it holds.
    const unsigned adaptation_bytes =
        h.adaptation_field_length < max_adaptation_bytes ? h.adaptation_field_length : max_adaptation_bytes;
    if (adaptation_bytes > 0) {
        w = put(w, "=> Adaptation Field\n");
        w = dump_bytes(w, p + 5, adaptation_bytes, 3);
        if (decode)
            w = put_adaptation_fields(w, p + 5, adaptation_bytes);
    }
    const unsigned payload_length =
        has_adaptation_field(h) ? max_adaptation_bytes - adaptation_bytes : packet_size - 4;
    w = put_dec_line(w, "=> Payload Length:               '", payload_length);
    if (payload_length > 0) {
        w = put(w, "=> Payload (hex values)\n");
        w = dump_payload(w, p + packet_size - payload_length, payload_length, h.payload_unit_start_indicator,
                         h.PID, decode);
    }
    if (packet.size == 204) {
        w = put(w, "=> Parity Bytes\n");
        w = dump_bytes(w, packet.extra, parity_bytes, 3);
    }
    return w;
}

ReportEnd report_packets(const PacketInput& in, SyncLog& log, unsigned pid_filter, bool step_mode, bool decode,
                         std::FILE* keys)
{
    Output& out = log.out;
    bool keys_ended = false;
    const auto wanted = [pid_filter](const unsigned char* ts) {
        return pid_filter == every_pid || pid_filter == packet_pid(ts);
    };
    const auto print = [&](const Packet& packet) {
        const ArrivalRecord* const arrival = packet.arrival;
        char* const start = out_space(out, max_block_size);
        char* w = put_packet_block(start, packet, decode, arrival);
        w = put(w, step_mode ? prompt : separator);
        assert(static_cast<std::size_t>(w - start) <= max_block_size);
        out_commit(out, w);
        if (step_mode) {
            out_flush(out);
            if (!keys_ended)
                keys_ended = wait_for_enter(keys);
        }
        return !out.failed;
    };
    PickedStep<decltype(wanted), decltype(print)> step{wanted, print};
    const ScanEnd end = scan_packets(in, step, log);
    // A write failure stops the scan; the command line reports it.
    return end == ScanEnd::end_of_file || end == ScanEnd::stopped ? ReportEnd::done : scan_failure(end);
}


}  // namespace ostrel
