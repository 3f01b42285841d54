#include "psi/scte35/scte35_descriptors.hpp"

#include "ts/si_texts.hpp"

#include <cstddef>

namespace ostrel {
namespace {

// Types whose UPID is text: ISCI, Ad-ID, TID, ADI, ADS information, URI, SCR.
bool text_upid(unsigned type)
{
    return type == 0x02 || type == 0x03 || type == 0x07 || type == 0x09 || type == 0x0E || type == 0x0F ||
           type == 0x11 || type == 0x01;
}

void upid(SinkFields& f, unsigned type, std::size_t length);

void mid(SinkFields& f, std::size_t length)
{
    Reader list = f.r.take(length);
    SinkFields g{list, f.s, f.c};
    f.s.begin_list("segmentation_upids");
    while (g.more()) {
        f.s.begin_item("UPID");
        const unsigned t = static_cast<unsigned>(g.r.bits(8));
        if (g.ok())
            f.s.code("segmentation_upid_type", t, 2, upid_type_text(t));
        const std::size_t n = static_cast<std::size_t>(g.num("segmentation_upid_length", 8));
        if (t != 0x0D)  // no MID inside a MID
            upid(g, t, n);
        else
            g.bytes("segmentation_upid", n);
        f.s.end_item();
    }
    f.s.end_list();
}

void upid(SinkFields& f, unsigned type, std::size_t length)
{
    if (type == 0x0D)
        return mid(f, length);
    if (type == 0x0C) {  // MPU: format_identifier, then its private data
        Reader body = f.r.take(length);
        SinkFields g{body, f.s, f.c};
        g.chars("format_identifier", 4);
        g.rest("private_data");
        return;
    }
    if (text_upid(type)) {
        const Reader body = f.r.take(length);
        f.text("segmentation_upid", printable_ascii(body.data, body.size, '.'));
        return;
    }
    f.bytes("segmentation_upid", length);
}

void segmentation(SinkFields& f)
{
    f.num("segmentation_event_id", 32);
    const bool cancel = f.flag("segmentation_event_cancel_indicator");
    f.skip(7);
    if (cancel)
        return;
    const bool program = f.flag("program_segmentation_flag");
    const bool duration = f.flag("segmentation_duration_flag");
    if (f.flag("delivery_not_restricted_flag")) {
        f.skip(5);
    } else {
        f.flag("web_delivery_allowed_flag");
        f.flag("no_regional_blackout_flag");
        f.flag("archive_allowed_flag");
        f.num("device_restrictions", 2);
    }
    if (!program) {
        counted_list(f, "components", "Component", f.num("component_count", 8), [&] {
            f.num("component_tag", 8);
            f.skip(7);
            f.num("pts_offset", 33);
        });
    }
    if (duration)
        f.seconds("duration_s", static_cast<double>(f.num("segmentation_duration", 40)) / 90000.0);
    const unsigned type = static_cast<unsigned>(f.r.bits(8));
    if (f.ok())
        f.s.code("segmentation_upid_type", type, 2, upid_type_text(type));
    const std::size_t length = static_cast<std::size_t>(f.num("segmentation_upid_length", 8));
    if (f.ok())
        upid(f, type, length);
    const unsigned type_id = static_cast<unsigned>(f.r.bits(8));
    if (f.ok()) {
        f.s.number("segmentation_type_id", type_id);
        f.s.text("segmentation_type", segmentation_type_text(type_id));
    }
    f.num("segment_num", 8);
    f.num("segments_expected", 8);
    // Placement opportunity and ad block starts carry sub-segments (when the descriptor has the bytes).
    const bool sub = type_id == 0x34 || type_id == 0x36 || type_id == 0x38 || type_id == 0x3A || type_id == 0x44 ||
                     type_id == 0x46;
    if (sub && f.r.left() >= 2) {
        f.num("sub_segment_num", 8);
        f.num("sub_segments_expected", 8);
    }
}

void descriptor_body(SinkFields& f, unsigned tag)
{
    f.chars("identifier", 4);
    switch (tag) {
    case 0x00: f.num("provider_avail_id", 32); return;
    case 0x01: {
        f.num("preroll", 8);
        const unsigned count = static_cast<unsigned>(f.num("dtmf_count", 3));
        f.skip(5);
        f.chars("dtmf_chars", count);
        return;
    }
    case 0x02: return segmentation(f);
    case 0x03:
        f.num("tai_seconds", 48);
        f.num("tai_ns", 32);
        f.num("utc_offset", 16);
        return;
    case 0x04: {
        const std::uint64_t count = f.num("audio_count", 4);
        f.skip(4);
        counted_list(f, "components", "Component", count, [&] {
            f.num("component_tag", 8);
            f.chars("iso_code", 3);
            f.num("bit_stream_mode", 3);
            f.num("num_channels", 4);
            f.flag("full_srvc_audio");
        });
        return;
    }
    default: f.rest("data");
    }
}

constexpr std::string_view descriptor_names[] = {"avail_descriptor", "DTMF_descriptor", "segmentation_descriptor",
                                                 "time_descriptor", "audio_descriptor"};

}  // namespace

void decode_splice_descriptors(Reader loop, DecodeContext& c, FieldSink& sink)
{
    while (loop.left() > 0) {
        const unsigned tag = loop.u8();
        const unsigned length = loop.left() > 0 ? loop.u8() : 0;
        Reader body = loop.take(length);
        sink.begin_list(tag == 0x02 ? "segmentation_descriptors" : "splice_descriptors");
        sink.begin_descriptor(tag, tag < std::size(descriptor_names) ? descriptor_names[tag] : "", length);
        SinkFields f{body, sink, c};
        descriptor_body(f, tag);
        if (body.size < length && !f.reported)
            sink.cut();
        sink.end_descriptor();
        sink.end_list();
    }
}

}  // namespace ostrel
