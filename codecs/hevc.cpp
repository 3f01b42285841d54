// HEVC (ITU-T H.265 7.3.2.1, 7.3.2.2, 7.3.3, E.2.1): the first video and
// sequence parameter sets; the frame rate from the VPS timing information,
// else from the SPS's VUI.
#include <cstdio>

#include "codecs/nal.hpp"
#include "codecs/stream_format.hpp"

namespace ostrel {
namespace {

constexpr const char* chroma_formats[4] = {"4:0:0", "4:2:0", "4:2:2", "4:4:4"};

struct Ptl {
    unsigned profile, level;
    bool tier, progressive, interlaced;
};

Ptl profile_tier_level(Reader& r, unsigned max_sub_layers_minus1)
{
    Ptl p{};
    r.skip(2);  // general_profile_space
    p.tier = r.bits(1) != 0;
    p.profile = static_cast<unsigned>(r.bits(5));
    r.skip(32);
    p.progressive = r.bits(1) != 0;
    p.interlaced = r.bits(1) != 0;
    r.skip(2 + 44);
    p.level = static_cast<unsigned>(r.bits(8));
    bool profile_present[8] = {}, level_present[8] = {};
    for (unsigned i = 0; i < max_sub_layers_minus1; ++i) {
        profile_present[i] = r.bits(1) != 0;
        level_present[i] = r.bits(1) != 0;
    }
    if (max_sub_layers_minus1 > 0)
        r.skip(2 * (8 - max_sub_layers_minus1));
    for (unsigned i = 0; i < max_sub_layers_minus1; ++i)
        r.skip((profile_present[i] ? 88 : 0) + (level_present[i] ? 8 : 0));
    return p;
}

const char* profile_name(unsigned p)
{
    switch (p) {
    case 1: return "Main";
    case 2: return "Main 10";
    case 3: return "Main Still Picture";
    case 4: return "Rext";
    case 5: return "High Throughput";
    case 9: return "Screen Content";
    default: return "";
    }
}

void skip_scaling_list_data(Reader& r)  // 7.3.4
{
    for (unsigned size_id = 0; size_id < 4 && !r.cut; ++size_id) {
        for (unsigned matrix = 0; matrix < 6; matrix += size_id == 3 ? 3 : 1) {
            if (!r.bits(1)) {
                read_ue(r);  // scaling_list_pred_matrix_id_delta
                continue;
            }
            const unsigned coefficients = size_id == 0 ? 16 : 64;
            if (size_id > 1)
                read_se(r);  // scaling_list_dc_coef_minus8
            for (unsigned i = 0; i < coefficients && !r.cut; ++i)
                read_se(r);
        }
    }
}

// st_ref_pic_set(idx) of the SPS (7.3.7): false where it cannot be.
bool skip_short_term_set(Reader& r, unsigned idx, unsigned (&delta_pocs)[65])
{
    if (idx != 0 && r.bits(1)) {  // inter_ref_pic_set_prediction_flag: from the set before
        r.skip(1);                // delta_rps_sign
        read_ue(r);               // abs_delta_rps_minus1
        unsigned n = 0;
        for (unsigned j = 0; j <= delta_pocs[idx - 1] && !r.cut; ++j) {
            const bool used = r.bits(1) != 0;
            n += used || r.bits(1) != 0;  // used_by_curr_pic_flag, else use_delta_flag
        }
        delta_pocs[idx] = n;
        return !r.cut;
    }
    const unsigned negative = read_ue(r), positive = read_ue(r);
    if (negative > 16 || positive > 16)
        return false;
    for (unsigned i = 0; i < negative + positive; ++i) {
        read_ue(r);  // delta_poc_s0/s1_minus1
        r.skip(1);   // used_by_curr_pic_s0/s1_flag
    }
    delta_pocs[idx] = negative + positive;
    return !r.cut;
}

// The SPS after bit_depth_luma_minus8 to vui_timing_info (7.3.2.2, E.2.1):
// pictures a second, 0 where the VUI has no timing.
double sps_vui_frame_rate(Reader& r, unsigned sub_layers)
{
    read_ue(r);  // bit_depth_chroma_minus8
    const unsigned poc_bits = read_ue(r) + 4;
    const bool all = r.bits(1) != 0;  // sps_sub_layer_ordering_info_present_flag
    for (unsigned i = all ? 0 : sub_layers; i <= sub_layers && !r.cut; ++i)
        for (int k = 0; k < 3; ++k)
            read_ue(r);
    for (int k = 0; k < 6; ++k)
        read_ue(r);  // coding and transform block sizes, hierarchy depths
    if (r.bits(1) && r.bits(1))  // scaling_list_enabled_flag, sps_scaling_list_data_present_flag
        skip_scaling_list_data(r);
    r.skip(2);  // amp_enabled_flag, sample_adaptive_offset_enabled_flag
    if (r.bits(1)) {  // pcm_enabled_flag
        r.skip(8);
        read_ue(r);
        read_ue(r);
        r.skip(1);
    }
    const unsigned sets = read_ue(r);
    if (sets > 64 || poc_bits > 16)
        return 0;
    unsigned delta_pocs[65] = {};
    for (unsigned i = 0; i < sets; ++i)
        if (!skip_short_term_set(r, i, delta_pocs))
            return 0;
    if (r.bits(1)) {  // long_term_ref_pics_present_flag
        const unsigned n = read_ue(r);
        if (n > 32)
            return 0;
        r.skip(n * (poc_bits + 1));
    }
    r.skip(2);  // sps_temporal_mvp_enabled_flag, strong_intra_smoothing_enabled_flag
    if (!r.bits(1))
        return 0;  // no VUI
    if (r.bits(1) && r.bits(8) == 255)  // aspect_ratio_info_present_flag, aspect_ratio_idc: EXTENDED_SAR
        r.skip(32);
    if (r.bits(1))
        r.skip(1);  // overscan_appropriate_flag
    if (r.bits(1)) {  // video_signal_type_present_flag
        r.skip(4);
        if (r.bits(1))
            r.skip(24);  // colour description
    }
    if (r.bits(1)) {  // chroma_loc_info_present_flag
        read_ue(r);
        read_ue(r);
    }
    r.skip(1);  // neutral_chroma_indication_flag
    const bool fields = r.bits(1) != 0;  // field_seq_flag: each picture a field
    r.skip(1);
    if (r.bits(1))  // default_display_window_flag
        for (int k = 0; k < 4; ++k)
            read_ue(r);
    if (!r.bits(1))
        return 0;  // vui_timing_info_present_flag
    const std::uint64_t units = r.bits(32), scale = r.bits(32);
    if (r.cut || units == 0 || scale == 0)
        return 0;
    return static_cast<double>(scale) / static_cast<double>(units) / (fields ? 2 : 1);
}

bool parse_sps(Reader& r, StreamFormat& f)
{
    r.skip(4);
    const unsigned sub_layers = static_cast<unsigned>(r.bits(3));
    r.skip(1);
    const Ptl p = profile_tier_level(r, sub_layers);
    read_ue(r);  // sps_seq_parameter_set_id
    const unsigned chroma = read_ue(r);
    bool separate = false;
    if (chroma == 3)
        separate = r.bits(1) != 0;
    const unsigned width = read_ue(r), height = read_ue(r);
    unsigned window[4] = {0, 0, 0, 0};
    if (r.bits(1))
        for (unsigned& w : window)
            w = read_ue(r);
    const unsigned depth = 8 + read_ue(r);
    if (r.cut || chroma > 3 || width == 0 || height == 0 || depth > 16)
        return false;
    const unsigned array_type = separate ? 0 : chroma;
    const unsigned sub_w = array_type == 1 || array_type == 2 ? 2 : 1, sub_h = array_type == 1 ? 2 : 1;
    const long w = static_cast<long>(width) - static_cast<long>(sub_w * (window[0] + window[1]));
    const long h = static_cast<long>(height) - static_cast<long>(sub_h * (window[2] + window[3]));
    if (w <= 0 || h <= 0)
        return false;
    f.width = static_cast<int>(w);
    f.height = static_cast<int>(h);
    std::snprintf(f.profile, sizeof f.profile, "%s%s", profile_name(p.profile), p.tier ? ", High tier" : "");
    std::snprintf(f.level, sizeof f.level, "%u.%u", (p.level / 30) % 10, p.level % 30 / 3);
    f.chroma_format = chroma_formats[chroma];
    f.bit_depth = static_cast<int>(depth);
    f.interlaced = p.progressive && !p.interlaced ? 0 : (p.interlaced && !p.progressive ? 1 : -1);
    f.frame_rate = sps_vui_frame_rate(r, sub_layers);
    f.known = true;
    return true;
}

// vps_num_units_in_tick and vps_time_scale when the VPS has them.
double vps_frame_rate(Reader& r)
{
    r.skip(4 + 1 + 1 + 6);
    const unsigned sub_layers = static_cast<unsigned>(r.bits(3));
    r.skip(1 + 16);
    profile_tier_level(r, sub_layers);
    const bool all = r.bits(1) != 0;  // vps_sub_layer_ordering_info_present_flag
    for (unsigned i = all ? 0 : sub_layers; i <= sub_layers && !r.cut; ++i) {
        read_ue(r);
        read_ue(r);
        read_ue(r);
    }
    const unsigned max_layer_id = static_cast<unsigned>(r.bits(6));
    const unsigned layer_sets = read_ue(r);
    if (layer_sets > 1023)
        return 0;
    r.skip(layer_sets * (max_layer_id + 1));
    if (!r.bits(1))
        return 0;
    const std::uint64_t units = r.bits(32), scale = r.bits(32);
    return !r.cut && units > 0 && scale > 0 ? static_cast<double>(scale) / static_cast<double>(units) : 0;
}

}  // namespace

bool probe_hevc(const unsigned char* es, std::size_t size, StreamFormat& f)
{
    std::size_t at = 0, begin, length;
    double rate = 0;
    while (next_nal(es, size, at, begin, length)) {
        if (length < 4 || at >= size)
            continue;  // too short, or it may go on past these bytes
        const unsigned type = (es[begin] >> 1) & 0x3F;
        if (type != 32 && type != 33)
            continue;
        unsigned char nal[1024];
        const std::size_t n = unescape_nal(es + begin + 2, length - 2, nal, sizeof nal);
        Reader r{nal, n};
        if (type == 32) {
            rate = vps_frame_rate(r);
            continue;
        }
        StreamFormat read;
        if (parse_sps(r, read)) {
            if (rate > 0)  // the VPS's timing before the SPS's
                read.frame_rate = rate;
            f = read;
            return true;
        }
    }
    return false;
}

}  // namespace ostrel
