// H.264 (ISO/IEC 14496-10 7.3.2.1.1, E.1.1): the first sequence parameter set.
#include <cstdio>
#include <initializer_list>

#include "codecs/nal.hpp"
#include "codecs/stream_format.hpp"

namespace ostrel {
namespace {

constexpr const char* chroma_formats[4] = {"4:0:0", "4:2:0", "4:2:2", "4:4:4"};

bool high_profile(unsigned p)
{
    for (const unsigned h : {100u, 110u, 122u, 244u, 44u, 83u, 86u, 118u, 128u, 138u, 139u, 134u, 135u})
        if (p == h)
            return true;
    return false;
}

const char* profile_name(unsigned p, unsigned constraints)
{
    switch (p) {
    case 66: return (constraints & 0x40) ? "Constrained Baseline" : "Baseline";
    case 77: return "Main";
    case 88: return "Extended";
    case 100: return "High";
    case 110: return (constraints & 0x10) ? "High 10 Intra" : "High 10";
    case 122: return (constraints & 0x10) ? "High 4:2:2 Intra" : "High 4:2:2";
    case 244: return (constraints & 0x10) ? "High 4:4:4 Intra" : "High 4:4:4 Predictive";
    case 44: return "CAVLC 4:4:4 Intra";
    default: return "";
    }
}

void skip_scaling_list(Reader& r, unsigned size)
{
    int last = 8, next = 8;
    for (unsigned j = 0; j < size && !r.cut; ++j) {
        if (next != 0)
            next = (last + read_se(r) + 256) % 256;
        last = next == 0 ? last : next;
    }
}

bool parse_sps(Reader& r, StreamFormat& f)
{
    const unsigned profile = static_cast<unsigned>(r.bits(8));
    const unsigned constraints = static_cast<unsigned>(r.bits(8));
    const unsigned level = static_cast<unsigned>(r.bits(8));
    read_ue(r);  // seq_parameter_set_id
    unsigned chroma = 1, depth = 8;
    bool separate = false;
    if (high_profile(profile)) {
        chroma = read_ue(r);
        if (chroma == 3)
            separate = r.bits(1) != 0;
        depth = 8 + read_ue(r);
        read_ue(r);  // bit_depth_chroma_minus8
        r.skip(1);
        if (r.bits(1)) {  // seq_scaling_matrix_present_flag
            for (unsigned i = 0; i < (chroma != 3 ? 8u : 12u); ++i)
                if (r.bits(1))
                    skip_scaling_list(r, i < 6 ? 16 : 64);
        }
    }
    read_ue(r);  // log2_max_frame_num_minus4
    const unsigned poc_type = read_ue(r);
    if (poc_type == 0) {
        read_ue(r);
    } else if (poc_type == 1) {
        r.skip(1);
        read_se(r);
        read_se(r);
        const unsigned cycle = read_ue(r);
        for (unsigned i = 0; i < cycle && i < 256 && !r.cut; ++i)
            read_se(r);
    }
    read_ue(r);  // max_num_ref_frames
    r.skip(1);
    const unsigned width_mbs = read_ue(r) + 1;
    const unsigned height_units = read_ue(r) + 1;
    const bool frame_mbs_only = r.bits(1) != 0;
    if (!frame_mbs_only)
        r.skip(1);
    r.skip(1);  // direct_8x8_inference_flag
    unsigned crop[4] = {0, 0, 0, 0};
    if (r.bits(1))
        for (unsigned& c : crop)
            c = read_ue(r);
    if (r.cut || chroma > 3 || width_mbs > 1024 || height_units > 1024)
        return false;
    const unsigned array_type = separate ? 0 : chroma;
    const unsigned unit_x = array_type == 0 ? 1 : (array_type == 3 ? 1 : 2);
    const unsigned unit_y = (array_type == 0 ? 1 : (array_type == 1 ? 2 : 1)) * (frame_mbs_only ? 1 : 2);
    const long width = static_cast<long>(width_mbs * 16) - static_cast<long>(unit_x * (crop[0] + crop[1]));
    const long height = static_cast<long>(height_units * 16 * (frame_mbs_only ? 1 : 2)) -
                        static_cast<long>(unit_y * (crop[2] + crop[3]));
    if (width <= 0 || height <= 0)
        return false;
    f.width = static_cast<int>(width);
    f.height = static_cast<int>(height);
    std::snprintf(f.profile, sizeof f.profile, "%s", profile_name(profile, constraints));
    f.profile_idc = static_cast<int>(profile);
    f.constraint_flags = static_cast<int>(constraints);
    f.level_idc = static_cast<int>(level);
    if (level == 11 && (constraints & 0x10) && (profile == 66 || profile == 77 || profile == 88))
        std::snprintf(f.level, sizeof f.level, "1b");
    else
        std::snprintf(f.level, sizeof f.level, "%u.%u", (level / 10) % 100, level % 10);
    f.chroma_format = chroma_formats[chroma];
    f.bit_depth = static_cast<int>(depth);
    f.interlaced = frame_mbs_only ? 0 : 1;
    f.known = true;
    if (!r.bits(1))
        return true;  // no VUI: no frame rate
    if (r.bits(1) && r.bits(8) == 255)  // aspect_ratio_info; 255: Extended_SAR
        r.skip(32);
    if (r.bits(1))
        r.skip(1);  // overscan
    if (r.bits(1)) {  // video_signal_type
        r.skip(4);
        if (r.bits(1))
            r.skip(24);
    }
    if (r.bits(1)) {  // chroma_loc_info
        read_ue(r);
        read_ue(r);
    }
    if (r.bits(1)) {  // timing_info
        const std::uint64_t units = r.bits(32);
        const std::uint64_t scale = r.bits(32);
        if (!r.cut && units > 0 && scale > 0)
            f.frame_rate = static_cast<double>(scale) / (2.0 * static_cast<double>(units));
    }
    return true;
}

}  // namespace

bool probe_h264(const unsigned char* es, std::size_t size, StreamFormat& f)
{
    std::size_t at = 0, begin, length;
    while (next_nal(es, size, at, begin, length)) {
        if (length < 4 || (es[begin] & 0x1F) != 7 || at >= size)
            continue;  // not an SPS, or one that may go on past these bytes
        unsigned char sps[512];
        const std::size_t n = unescape_nal(es + begin + 1, length - 1, sps, sizeof sps);
        Reader r{sps, n};
        StreamFormat read;
        if (parse_sps(r, read)) {
            f = read;
            return true;
        }
    }
    return false;
}

}  // namespace ostrel
