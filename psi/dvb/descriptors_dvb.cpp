#include "psi/descriptors.hpp"
#include "psi/dvb/si_time.hpp"
#include "ts/si_texts.hpp"

namespace ostrel {
namespace {

// A list of entries while bytes are left, each read by `entry`.
template <class Entry>
void entries(SinkFields& f, std::string_view list, std::string_view label, Entry entry)
{
    f.s.begin_list(list);
    while (f.more()) {
        f.s.begin_item(label);
        entry();
        f.s.end_item();
    }
    f.s.end_list();
}

void name_only(SinkFields& f, std::string_view name) { f.dvb_text(name, f.r.left()); }
void network_name(SinkFields& f) { name_only(f, "network_name"); }
void bouquet_name(SinkFields& f) { name_only(f, "bouquet_name"); }

void service_list(SinkFields& f)
{
    entries(f, "services", "Service", [&] {
        f.num("service_id", 16);
        const unsigned type = static_cast<unsigned>(f.r.bits(8));
        if (f.ok())
            f.s.code("service_type", type, 2, service_type_text(type));
    });
}

void bcd_field(SinkFields& f, std::string_view name, unsigned digits, unsigned decimals)
{
    const std::uint64_t v = f.r.bits(4 * digits);
    f.text(name, bcd_decimal_text(v, digits, decimals));
}

void satellite_delivery(SinkFields& f)
{
    bcd_field(f, "frequency", 8, 5);  // GHz
    bcd_field(f, "orbital_position", 4, 1);  // degrees
    f.flag("west_east_flag");
    const unsigned polarization = static_cast<unsigned>(f.r.bits(2));
    if (f.ok())
        f.s.code("polarization", polarization, 1, polarization_text(polarization));
    const unsigned roll_off = static_cast<unsigned>(f.r.bits(2));
    const bool s2 = f.r.bits(1) != 0;
    if (f.ok()) {
        if (s2)
            f.s.number("roll_off", roll_off);
        f.s.flag("modulation_system", s2);
    }
    f.num("modulation_type", 2);
    bcd_field(f, "symbol_rate", 7, 4);  // Msymbol/s
    f.num("fec_inner", 4);
}

void cable_delivery(SinkFields& f)
{
    bcd_field(f, "frequency", 8, 4);  // MHz
    f.skip(12);
    f.num("fec_outer", 4);
    f.code("modulation", 8);
    bcd_field(f, "symbol_rate", 7, 4);
    f.num("fec_inner", 4);
}

void terrestrial_delivery(SinkFields& f)
{
    f.num("centre_frequency", 32);  // units of 10 Hz
    f.num("bandwidth", 3);
    f.num("priority", 1);
    f.flag("time_slicing_indicator");
    f.flag("mpe_fec_indicator");
    f.skip(2);
    f.num("constellation", 2);
    f.num("hierarchy_information", 3);
    f.num("code_rate_hp_stream", 3);
    f.num("code_rate_lp_stream", 3);
    f.num("guard_interval", 2);
    f.num("transmission_mode", 2);
    f.flag("other_frequency_flag");
    f.skip(32);
}

void service(SinkFields& f)
{
    const unsigned type = static_cast<unsigned>(f.r.bits(8));
    if (f.ok())
        f.s.code("service_type", type, 2, service_type_text(type));
    f.dvb_text("service_provider_name");
    f.dvb_text("service_name");
}

void linkage(SinkFields& f)
{
    f.num("transport_stream_id", 16);
    f.num("original_network_id", 16);
    f.num("service_id", 16);
    const unsigned type = static_cast<unsigned>(f.r.bits(8));
    if (f.ok())
        f.s.code("linkage_type", type, 2, linkage_type_text(type));
    f.rest("private_data");
}

void short_event(SinkFields& f)
{
    f.chars("language", 3);
    f.dvb_text("event_name");
    f.dvb_text("text");
}

void extended_event(SinkFields& f)
{
    f.num("descriptor_number", 4);
    f.num("last_descriptor_number", 4);
    f.chars("language", 3);
    Reader items = f.r.take(f.r.u8());
    SinkFields g{items, f.s, f.c};
    if (f.ok())
        entries(g, "items", "Item", [&] {
            g.dvb_text("item_description");
            g.dvb_text("item");
        });
    if (!g.reported)
        f.dvb_text("text");
}

void component(SinkFields& f)
{
    f.num("stream_content_ext", 4);
    f.num("stream_content", 4);
    f.code("component_type", 8);
    f.num("component_tag", 8);
    f.chars("language", 3);
    f.dvb_text("text", f.r.left());
}

void stream_identifier(SinkFields& f) { f.num("component_tag", 8); }

void content(SinkFields& f)
{
    entries(f, "entries", "Content", [&] {
        f.num("content_nibble_level_1", 4);
        f.num("content_nibble_level_2", 4);
        f.code("user_byte", 8);
    });
}

void parental_rating(SinkFields& f)
{
    entries(f, "entries", "Rating", [&] {
        f.chars("country_code", 3);
        f.num("rating", 8);
    });
}

void teletext(SinkFields& f)
{
    entries(f, "entries", "Teletext", [&] {
        f.chars("language", 3);
        f.num("teletext_type", 5);
        f.num("teletext_magazine_number", 3);
        f.code("teletext_page_number", 8);
    });
}

void local_time_offset(SinkFields& f)
{
    entries(f, "entries", "Offset", [&] {
        f.chars("country_code", 3);
        f.num("country_region_id", 6);
        f.skip(1);
        f.num("local_time_offset_polarity", 1);
        f.text("local_time_offset", bcd_hhmm_text(static_cast<std::uint32_t>(f.r.bits(16))));
        f.text("time_of_change", mjd_utc_text(f.r.bits(40)));
        f.text("next_time_offset", bcd_hhmm_text(static_cast<std::uint32_t>(f.r.bits(16))));
    });
}

void subtitling(SinkFields& f)
{
    entries(f, "entries", "Subtitles", [&] {
        f.chars("language", 3);
        f.code("subtitling_type", 8);
        f.num("composition_page_id", 16);
        f.num("ancillary_page_id", 16);
    });
}

void private_data_specifier_fields(SinkFields& f)
{
    const std::uint32_t v = static_cast<std::uint32_t>(f.code("private_data_specifier", 32));
    if (f.ok())
        f.c.private_data_specifier = v;
}

// component_type, bsid, mainid, asvc, and for E-AC-3 the three substreams,
// each present when its flag is 1.
void ac3_fields(SinkFields& f, bool enhanced)
{
    constexpr const char* names[] = {"component_type", "bsid", "mainid", "asvc", "substream1", "substream2",
                                     "substream3"};
    constexpr const char* flags[] = {"component_type_flag", "bsid_flag", "mainid_flag", "asvc_flag",
                                     "mixinfoexists", "substream1_flag", "substream2_flag", "substream3_flag"};
    bool present[8] = {};
    for (unsigned i = 0; i < (enhanced ? 8u : 4u); ++i)
        present[i] = f.flag(flags[i]);
    if (!enhanced)
        f.skip(4);
    for (unsigned i = 0, k = 0; i < (enhanced ? 8u : 4u); ++i) {
        if (i == 4 && enhanced)
            continue;  // mixinfoexists has no field
        if (present[i])
            f.code(names[k], 8);
        ++k;
    }
    f.rest("additional_info");
}
void ac3(SinkFields& f) { ac3_fields(f, false); }
void enhanced_ac3(SinkFields& f) { ac3_fields(f, true); }

void dts(SinkFields& f)
{
    f.num("sample_rate_code", 4);
    f.num("bit_rate_code", 6);
    f.num("nblks", 7);
    f.num("fsize", 14);
    f.num("surround_mode", 6);
    f.flag("lfe_flag");
    f.num("extended_surround_flag", 2);
    f.rest("additional_info");
}

void aac(SinkFields& f)
{
    f.code("profile_and_level", 8);
    if (f.r.left() == 0)
        return;
    const bool type = f.flag("aac_type_flag");
    f.flag("saoc_de_flag");
    f.skip(6);
    if (type)
        f.code("aac_type", 8);
    f.rest("additional_info");
}

void extension(SinkFields& f)
{
    f.code("descriptor_tag_extension", 8);
    f.rest("selector");
}

// EACEM (0x28): 10-bit numbers; NorDig (0x29): 14-bit.
template <unsigned bits>
void logical_channel(SinkFields& f)
{
    entries(f, "entries", "Channel", [&] {
        f.num("service_id", 16);
        f.flag("visible_service_flag");
        f.skip(15 - bits);
        f.num("logical_channel_number", bits);
    });
}

}  // namespace

DescriptorDecoder dvb_descriptor_decoder(unsigned tag, std::uint32_t private_data_specifier)
{
    switch (tag) {
    case 0x40: return network_name;
    case 0x41: return service_list;
    case 0x43: return satellite_delivery;
    case 0x44: return cable_delivery;
    case 0x47: return bouquet_name;
    case 0x48: return service;
    case 0x4A: return linkage;
    case 0x4D: return short_event;
    case 0x4E: return extended_event;
    case 0x50: return component;
    case 0x52: return stream_identifier;
    case 0x54: return content;
    case 0x55: return parental_rating;
    case 0x56: return teletext;
    case 0x58: return local_time_offset;
    case 0x59: return subtitling;
    case 0x5A: return terrestrial_delivery;
    case 0x5F: return private_data_specifier_fields;
    case 0x6A: return ac3;
    case 0x7A: return enhanced_ac3;
    case 0x7B: return dts;
    case 0x7C: return aac;
    case 0x7F: return extension;
    case 0x83:
        if (private_data_specifier == 0x00000028)
            return logical_channel<10>;
        if (private_data_specifier == 0x00000029)
            return logical_channel<14>;
        return nullptr;
    default: return nullptr;
    }
}

}  // namespace ostrel
