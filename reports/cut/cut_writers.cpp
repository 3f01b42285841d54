// The writes of a cut: packets in runs, the PAT rewritten to list the
// program alone, the PES payloads of the --es: PID.
#include <cstring>

#include "reports/cut/cut_state.hpp"
#include "ts/crc32.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

// The PAT listing the program alone, with the transport_stream_id and version of `pat`.
void put_program_pat(CutState& c, const PatSection& pat, const Program& program)
{
    unsigned char out[packet_size];
    std::memset(out, 0xFF, sizeof out);
    const unsigned char section[12] = {
        table_id_pat, 0xB0, 13,
        static_cast<unsigned char>(pat.transport_stream_id >> 8), static_cast<unsigned char>(pat.transport_stream_id),
        static_cast<unsigned char>(pat.reserved << 6 | pat.version_number << 1 | pat.current_next_indicator),
        0x00, 0x00,
        static_cast<unsigned char>(program.program_number >> 8), static_cast<unsigned char>(program.program_number),
        static_cast<unsigned char>(0xE0 | program.pmt_pid >> 8), static_cast<unsigned char>(program.pmt_pid)};
    out[0] = sync_byte_value;
    out[1] = 0x40;  // payload_unit_start_indicator, PID 0
    out[2] = 0x00;
    out[3] = static_cast<unsigned char>(0x10 | (c.pat_counter++ & 0x0F));
    out[4] = 0x00;  // pointer_field
    std::memcpy(out + 5, section, sizeof section);
    const std::uint32_t crc = crc32_update(crc32_initial, section, sizeof section);
    for (int i = 0; i < 4; ++i)
        out[5 + sizeof section + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
    put(c, out, sizeof out);
    ++c.written;
}

}  // namespace

void put(CutState& c, const unsigned char* bytes, std::size_t n)
{
    if (!c.failed && std::fwrite(bytes, 1, n, c.out) != n)
        c.failed = true;
}

// The packets kept so far go out in one write.
void flush_run(CutState& c)
{
    if (c.run_bytes > 0)
        put(c, c.run, c.run_bytes);
    c.run = nullptr;
    c.run_bytes = 0;
}

void keep_packet(CutState& c, const unsigned char* ts)
{
    if (c.run != nullptr && ts == c.run + c.run_bytes) {
        c.run_bytes += packet_size;
    } else {
        flush_run(c);
        c.run = ts;
        c.run_bytes = packet_size;
    }
    ++c.written;
}

const Program* the_program(const Analysis& a, unsigned number)
{
    for (unsigned i = 0; i < a.program_count; ++i)
        if (a.programs[i].program_number == number)
            return &a.programs[i];
    return nullptr;
}

// In place of a PAT that starts in this packet, the PAT of the program alone.
// The first PAT of a stream may list the program only in its next packet:
// its header is held, and the PAT written when that packet has come.
void put_pat(CutState& c, const Packet& packet)
{
    const unsigned char* p = packet.ts;
    const Program* program = the_program(*c.a, c.o.program_number);
    const PacketHeader h = decode_header(p);
    if (!h.payload_unit_start_indicator) {
        if (c.pat_pending && program != nullptr)
            put_program_pat(c, c.pending_pat, *program);
        c.pat_pending = c.pat_pending && program == nullptr;
        return;
    }
    const std::size_t at = section_start(p, h);
    if (at + 8 > packet_size)
        return;  // no PAT header to take the transport_stream_id and version from
    PatSection pat;
    decode_pat_start(p + at, packet_size - at, pat);
    if (pat.table_id != table_id_pat)
        return;
    c.pat_pending = program == nullptr;
    if (program != nullptr)
        put_program_pat(c, pat, *program);
    else
        c.pending_pat = pat;
}

// The PES payload bytes of the --es: PID in this packet.
void put_es(CutState& c, const Packet& packet)
{
    const unsigned char* p = packet.ts;
    const HeaderView h{p};
    if (!h.has_payload())
        return;
    const unsigned counter = h.counter();
    const bool follows = c.es_counter < 0 || counter == ((static_cast<unsigned>(c.es_counter) + 1) & 0x0F);
    if (c.es_counter >= 0 && counter == static_cast<unsigned>(c.es_counter))
        return;  // a repeated packet
    c.es_counter = static_cast<int>(counter);
    std::size_t at = h.payload_at();
    if (at >= packet_size)
        return;
    if (h.unit_start()) {
        const unsigned char* q = p + at;
        if (packet_size - at < 9 || q[0] != 0 || q[1] != 0 || q[2] != 1) {
            c.es_in_pes = false;
            return;
        }
        at += 9u + q[8];
        c.es_in_pes = true;
        if (at > packet_size)
            return;
    } else if (!c.es_in_pes) {
        return;
    } else if (!follows) {
        ++c.es_gaps;  // a packet lost inside the PES packet: what follows is written all the same
    }
    put(c, p + at, packet_size - at);
    ++c.written;
}

}  // namespace ostrel
