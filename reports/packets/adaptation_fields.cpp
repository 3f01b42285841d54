#include "reports/packets/decoded_fields.hpp"

#include "output/field_lines.hpp"
#include "output/hex_dump.hpp"
#include "output/output.hpp"
#include "ts/packet_header.hpp"

namespace ostrel {
namespace {

// PCR or OPCR: 33-bit base, 6 reserved bits, 9-bit extension.
char* put_clock_reference(char* w, LineFields& f, std::string_view base_name, std::string_view extension_name,
                          std::string_view total_name)
{
    const ClockReference c = read_clock_reference(f.bytes.data + f.at);
    f.at += 6;
    w = put_number(w, f, base_name, c.base);
    w = put_number(w, f, extension_name, c.extension);
    w = put_time(w, f, total_name, c.base * 300 + c.extension, 27, 1);
    return put_char(w, '\n');
}

// The extension's fields; false when one is cut (the line is written).
bool put_adaptation_extension(char*& w, LineFields& f)
{
    const std::size_t length = byte_at(f, 0);
    w = put_number(w, f, "adaptation_field_extension_length", length);
    f.at += 1;
    const std::size_t extension_end = f.at + length;
    if (length == 0)
        return true;
    if (!field_held(w, f, 1, "ltw_flag"))
        return false;
    const auto flags = static_cast<unsigned>(byte_at(f, 0));
    f.at += 1;
    w = put_bits(w, f, "ltw_flag", flags >> 7, 1);
    w = put_bits(w, f, "piecewise_rate_flag", flags >> 6 & 1, 1);
    w = put_bits(w, f, "seamless_splice_flag", flags >> 5 & 1, 1);
    if (flags & 0x80) {
        if (!field_held(w, f, 2, "ltw_valid_flag"))
            return false;
        w = put_bits(w, f, "ltw_valid_flag", static_cast<unsigned>(byte_at(f, 0) >> 7), 1);
        w = put_number(w, f, "ltw_offset", (byte_at(f, 0) & 0x7F) << 8 | byte_at(f, 1));
        f.at += 2;
    }
    if (flags & 0x40) {
        if (!field_held(w, f, 3, "piecewise_rate"))
            return false;
        w = put_number(w, f, "piecewise_rate", (byte_at(f, 0) & 0x3F) << 16 | byte_at(f, 1) << 8 | byte_at(f, 2));
        f.at += 3;
    }
    if (flags & 0x20) {
        if (!field_held(w, f, 5, "splice_type"))
            return false;
        w = put_bits(w, f, "splice_type", static_cast<unsigned>(byte_at(f, 0) >> 4), 4);
        w = put_time_stamp(w, f, "DTS_next_AU");
    }
    // Reserved bytes to the end of the extension.
    if (extension_end > fields_end(f)) {
        f.at = fields_end(f);
        return field_held(w, f, 1, "reserved");
    }
    f.at = extension_end;
    return true;
}

}  // namespace

char* put_adaptation_fields(char* w, const unsigned char* field, std::size_t length)
{
    if (length == 0)
        return w;
    LineFields f{Reader{field, length}, 1, 3, "adaptation field"};
    const unsigned flags = field[0];
    constexpr std::string_view names[] = {
        "discontinuity_indicator", "random_access_indicator",     "elementary_stream_priority_indicator",
        "PCR_flag",                "OPCR_flag",                   "splicing_point_flag",
        "transport_private_data_flag", "adaptation_field_extension_flag"};
    for (unsigned i = 0; i < 8; ++i)
        w = put_bits(w, f, names[i], flags >> (7 - i) & 1, 1);
    if (flags & 0x10) {
        if (!field_held(w, f, 6, "program_clock_reference_base"))
            return w;
        w = put_clock_reference(w, f, "program_clock_reference_base", "program_clock_reference_extension", "PCR");
    }
    if (flags & 0x08) {
        if (!field_held(w, f, 6, "original_program_clock_reference_base"))
            return w;
        w = put_clock_reference(w, f, "original_program_clock_reference_base",
                                "original_program_clock_reference_extension", "OPCR");
    }
    if (flags & 0x04) {
        if (!field_held(w, f, 1, "splice_countdown"))
            return w;
        const auto countdown = static_cast<signed char>(field[f.at++]);
        w = put_char(put_label(w, f, "splice_countdown"), '\'');
        w = put_signed_dec(w, countdown);
        w = put(w, "'d\n");
    }
    if (flags & 0x02) {
        if (!field_held(w, f, 1, "transport_private_data_length"))
            return w;
        const std::size_t private_length = field[f.at++];
        w = put_number(w, f, "transport_private_data_length", private_length);
        if (!field_held(w, f, private_length, "private_data_byte"))
            return w;
        w = dump_bytes(w, field + f.at, private_length, 3);
        f.at += private_length;
    }
    if (flags & 0x01) {
        if (!field_held(w, f, 1, "adaptation_field_extension_length") || !put_adaptation_extension(w, f))
            return w;
    }
    return put_number(w, f, "stuffing_bytes", fields_end(f) - f.at);
}

}  // namespace ostrel
