#include "reports/packets/decoded_fields.hpp"

#include "output/field_lines.hpp"
#include "output/output.hpp"
#include "reports/packets/pes_start.hpp"

namespace ostrel {
namespace {

char* put_trick_mode(char* w, const LineFields& f, unsigned b)
{
    const unsigned control = b >> 5;
    w = put_bits(w, f, "trick_mode_control", control, 3);
    switch (control) {
    case 0:  // fast_forward
    case 3:  // fast_reverse
        w = put_bits(w, f, "field_id", b >> 3 & 3, 2);
        w = put_bits(w, f, "intra_slice_refresh", b >> 2 & 1, 1);
        return put_bits(w, f, "frequency_truncation", b & 3, 2);
    case 1:  // slow_motion
    case 4:  // slow_reverse
        return put_number(w, f, "rep_cntrl", b & 0x1F);
    case 2:  // freeze_frame
        return put_bits(w, f, "field_id", b >> 3 & 3, 2);
    default:
        return w;
    }
}

// The optional fields that the flags of byte 7 announce, in order.
char* put_optional_fields(char* w, LineFields& f, unsigned flags)
{
    const unsigned pts_dts = flags >> 6;
    if (pts_dts & 2) {
        if (!field_held(w, f, 5, "PTS"))
            return w;
        w = put_time_stamp(w, f, "PTS");
    }
    if (pts_dts == 3) {
        if (!field_held(w, f, 5, "DTS"))
            return w;
        w = put_time_stamp(w, f, "DTS");
    }
    if (flags & 0x20) {
        if (!field_held(w, f, 6, "ESCR_base"))
            return w;
        const std::uint64_t base = (byte_at(f, 0) >> 3 & 7) << 30 | (byte_at(f, 0) & 3) << 28 | byte_at(f, 1) << 20 |
                                   (byte_at(f, 2) >> 3) << 15 | (byte_at(f, 2) & 3) << 13 | byte_at(f, 3) << 5 |
                                   byte_at(f, 4) >> 3;
        const std::uint64_t extension = (byte_at(f, 4) & 3) << 7 | byte_at(f, 5) >> 1;
        f.at += 6;
        w = put_number(w, f, "ESCR_base", base);
        w = put_number(w, f, "ESCR_extension", extension);
        w = put_char(put_time(w, f, "ESCR", base * 300 + extension, 27, 1), '\n');
    }
    if (flags & 0x10) {
        if (!field_held(w, f, 3, "ES_rate"))
            return w;
        w = put_number(w, f, "ES_rate", (byte_at(f, 0) & 0x7F) << 15 | byte_at(f, 1) << 7 | byte_at(f, 2) >> 1);
        f.at += 3;
    }
    if (flags & 0x08) {
        if (!field_held(w, f, 1, "trick_mode_control"))
            return w;
        w = put_trick_mode(w, f, static_cast<unsigned>(byte_at(f, 0)));
        f.at += 1;
    }
    if (flags & 0x04) {
        if (!field_held(w, f, 1, "additional_copy_info"))
            return w;
        w = put_number(w, f, "additional_copy_info", byte_at(f, 0) & 0x7F);
        f.at += 1;
    }
    if (flags & 0x02) {
        if (!field_held(w, f, 2, "previous_PES_packet_CRC"))
            return w;
        w = put_char(put_label(w, f, "previous_PES_packet_CRC"), '\'');
        w = put_hex(w, static_cast<unsigned>(byte_at(f, 0) << 8 | byte_at(f, 1)), 4);
        w = put(w, "'h\n");
    }
    return w;
}

}  // namespace

char* put_pes_header_fields(char* w, const unsigned char* header, std::size_t length)
{
    LineFields f{Reader{header, length}, 4, 6, "PES header"};
    const unsigned stream_id = header[3];
    if (stream_id < 0xBC || !field_held(w, f, 2, "PES_packet_length"))
        return w;
    const std::uint64_t packet_length = byte_at(f, 0) << 8 | byte_at(f, 1);
    f.at += 2;
    w = put_number(w, f, "PES_packet_length", packet_length);
    if (packet_length == 0)
        w = put(w - 1, ", unbounded (video streams only)\n");
    if (!pes_has_optional_header(stream_id) || !field_held(w, f, 3, "PES_scrambling_control"))
        return w;
    const unsigned b6 = header[6];
    const unsigned flags = header[7];
    f.at += 3;
    if ((b6 >> 6) != 2)
        w = put_bits(w, f, "'10' bits (not 10)", b6 >> 6, 2);
    w = put_bits(w, f, "PES_scrambling_control", b6 >> 4 & 3, 2);
    w = put_bits(w, f, "PES_priority", b6 >> 3 & 1, 1);
    w = put_bits(w, f, "data_alignment_indicator", b6 >> 2 & 1, 1);
    w = put_bits(w, f, "copyright", b6 >> 1 & 1, 1);
    w = put_bits(w, f, "original_or_copy", b6 & 1, 1);
    w = put_bits(w, f, "PTS_DTS_flags", flags >> 6, 2);
    constexpr std::string_view names[] = {"ESCR_flag", "ES_rate_flag", "DSM_trick_mode_flag",
                                          "additional_copy_info_flag", "PES_CRC_flag", "PES_extension_flag"};
    for (unsigned i = 0; i < 6; ++i)
        w = put_bits(w, f, names[i], flags >> (5 - i) & 1, 1);
    w = put_number(w, f, "PES_header_data_length", header[8]);
    return put_optional_fields(w, f, flags);
}

}  // namespace ostrel
