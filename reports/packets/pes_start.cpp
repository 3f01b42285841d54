#include "reports/packets/pes_start.hpp"

#include "reports/packets/decoded_fields.hpp"
#include "output/hex_dump.hpp"
#include "output/output.hpp"
#include "ts/description_texts.hpp"

namespace ostrel {
namespace {

constexpr std::size_t fixed_header_size = 9;          // prefix, stream_id, length, flags, header length
constexpr std::size_t header_data_length_offset = 8;  // PES_header_data_length

}  // namespace

std::size_t find_pes_start(const unsigned char* payload, std::size_t length)
{
    // The prefix at i, i + 1, i + 2 and the stream_id at i + 3 all inside the payload.
    for (std::size_t i = 0; i + 3 < length; ++i) {
        if (payload[i + 2] > 1) {
            i += 2;  // no prefix can hold this byte as one of its first two
            continue;
        }
        if (payload[i] == 0 && payload[i + 1] == 0 && payload[i + 2] == 1)
            return i;
    }
    return length;
}

char* put_pes_start(char* w, const unsigned char* payload, std::size_t length, std::size_t pes_start, bool decode)
{
    int number;
    w = put(w, "   => PES Starts: ");
    w = put(w, stream_id_text(payload[pes_start + 3], number));
    if (number >= 0)
        w = put_dec(w, static_cast<unsigned>(number));
    w = put_char(w, '\n');

    const std::size_t available = length - pes_start;
    std::size_t header_size = available;
    if (header_data_length_offset < available) {
        const std::size_t announced = fixed_header_size + payload[pes_start + header_data_length_offset];
        if (announced < available)
            header_size = announced;
    }
    w = put(w, "      [Header]\n");
    w = dump_bytes(w, payload + pes_start, header_size, 6);
    if (decode)
        w = put_pes_header_fields(w, payload + pes_start, header_size);
    w = put(w, "      [Data]\n");
    return dump_bytes(w, payload + pes_start + header_size, available - header_size, 6);
}

}  // namespace ostrel
