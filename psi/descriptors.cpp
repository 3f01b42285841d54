#include "psi/descriptors.hpp"

#include "psi/model/cat.hpp"

#include "ts/si_texts.hpp"

namespace ostrel {
namespace {

void video_stream(SinkFields& f)
{
    f.flag("multiple_frame_rate_flag");
    f.num("frame_rate_code", 4);
    const bool mpeg1_only = f.flag("mpeg_1_only_flag");
    f.flag("constrained_parameter_flag");
    f.flag("still_picture_flag");
    if (mpeg1_only)
        return;
    f.code("profile_and_level_indication", 8);
    f.num("chroma_format", 2);
    f.flag("frame_rate_extension_flag");
    f.skip(5);
}

void audio_stream(SinkFields& f)
{
    f.flag("free_format_flag");
    f.num("id", 1);
    f.num("layer", 2);
    f.flag("variable_rate_audio_indicator");
    f.skip(3);
}

void registration(SinkFields& f)
{
    f.chars("format_identifier", 4);
    f.rest("additional_identification_info");
}

void ca(SinkFields& f)
{
    const CaDescriptor d = decode_ca_descriptor(f.r.data, f.r.size);
    if (!d.system_known)
        return f.cut_here();
    f.s.code("ca_system_id", d.ca_system_id, 4, {});
    if (!d.pid_known)
        return f.cut_here();
    f.s.code("ca_pid", d.ca_pid, 4, {});
    if (d.private_length > 0)
        f.s.bytes("private_data", d.private_data, d.private_length);
}

void iso_639_language(SinkFields& f)
{
    f.s.begin_list("entries");
    while (f.more()) {
        f.s.begin_item("Language");
        f.chars("language", 3);
        f.code("audio_type", 8);
        f.s.end_item();
    }
    f.s.end_list();
}

void maximum_bitrate(SinkFields& f)
{
    f.skip(2);
    f.num("maximum_bitrate", 22);  // units of 50 bytes a second
}

void avc_video(SinkFields& f)
{
    f.num("profile_idc", 8);
    for (const char* name : {"constraint_set0_flag", "constraint_set1_flag", "constraint_set2_flag",
                             "constraint_set3_flag", "constraint_set4_flag", "constraint_set5_flag"})
        f.flag(name);
    f.num("avc_compatible_flags", 2);
    f.num("level_idc", 8);
    f.flag("avc_still_present");
    f.flag("avc_24_hour_picture_flag");
    f.flag("frame_packing_sei_not_present_flag");
    f.skip(5);
}

void hevc_video(SinkFields& f)
{
    f.num("profile_space", 2);
    f.flag("tier_flag");
    f.num("profile_idc", 5);
    f.code("profile_compatibility_indication", 32);
    f.flag("progressive_source_flag");
    f.flag("interlaced_source_flag");
    f.flag("non_packed_constraint_flag");
    f.flag("frame_only_constraint_flag");
    f.code("copied_44bits", 44);
    f.num("level_idc", 8);
    const bool subset = f.flag("temporal_layer_subset_flag");
    f.flag("hevc_still_present_flag");
    f.flag("hevc_24hr_picture_present_flag");
    f.flag("sub_pic_hrd_params_not_present_flag");
    f.skip(2);
    f.num("hdr_wcg_idc", 2);
    if (!subset)
        return;
    f.num("temporal_id_min", 3);  // then 5 reserved bits
    f.skip(5);
    f.num("temporal_id_max", 3);
    f.skip(5);
}

}  // namespace

DescriptorDecoder descriptor_decoder(unsigned tag, std::uint32_t private_data_specifier)
{
    switch (tag) {
    case 0x02: return video_stream;
    case 0x03: return audio_stream;
    case 0x05: return registration;
    case 0x09: return ca;
    case 0x0A: return iso_639_language;
    case 0x0E: return maximum_bitrate;
    case 0x28: return avc_video;
    case 0x38: return hevc_video;
    default: return dvb_descriptor_decoder(tag, private_data_specifier);
    }
}

void decode_descriptors(Reader r, DecodeContext& c, FieldSink& sink)
{
    sink.begin_list("descriptors");
    c.private_data_specifier = 0;
    decode_descriptor_items(r, c, sink);
    sink.end_list();
}

void decode_descriptor_items(Reader r, DecodeContext& c, FieldSink& sink)
{
    while (r.left() > 0) {
        const unsigned tag = r.u8();
        if (r.left() == 0) {  // a tag and no length: the loop ends inside the descriptor
            sink.begin_descriptor(tag, descriptor_name(tag), 0);
            sink.cut();
            sink.end_descriptor();
            break;
        }
        const unsigned length = r.u8();
        Reader body = r.take(length);  // cut by the loop's end when it claims more
        const DescriptorDecoder decoder = descriptor_decoder(tag, c.private_data_specifier);
        std::string_view name = descriptor_name(tag);
        if (tag == 0x83 && decoder != nullptr)
            name = "logical_channel_descriptor";
        sink.begin_descriptor(tag, name, length);
        SinkFields f{body, sink, c};
        if (decoder == nullptr)
            f.rest("data");
        else
            decoder(f);
        if (body.size < length && !f.reported)
            sink.cut();  // the loop ended inside the descriptor
        sink.end_descriptor();
    }
}

}  // namespace ostrel
