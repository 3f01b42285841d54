// HEVC (ITU-T H.265 7.3.2.1, 7.3.2.2, 7.3.3): the first video and sequence
// parameter sets; the frame rate from the VPS timing information.
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
        unsigned char nal[512];
        const std::size_t n = unescape_nal(es + begin + 2, length - 2, nal, sizeof nal);
        Reader r{nal, n};
        if (type == 32) {
            rate = vps_frame_rate(r);
            continue;
        }
        StreamFormat read;
        if (parse_sps(r, read)) {
            read.frame_rate = rate;
            f = read;
            return true;
        }
    }
    return false;
}

}  // namespace ostrel
