// The H.264 sequence parameter set read from bits written here by hand
// (ISO/IEC 14496-10 7.3.2.1.1, E.1.1): cropping, interlace, VUI timing or
// none, emulation prevention bytes, and an SPS cut by the end of the bytes.
#include <gtest/gtest.h>

#include "codecs/stream_format.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

// Bits most significant first, with the Exp-Golomb codes and the RBSP
// escaped into a NAL unit (00 00 0x becomes 00 00 03 0x).
struct Bits {
    std::vector<bool> bits;
    void put(std::uint64_t v, unsigned n)
    {
        for (unsigned i = n; i-- > 0;)
            bits.push_back((v >> i) & 1);
    }
    void ue(std::uint32_t v)
    {
        const std::uint64_t code = std::uint64_t{v} + 1;
        unsigned n = 0;
        while ((code >> n) > 1)
            ++n;
        put(0, n);
        put(code, n + 1);
    }
    Bytes nal(unsigned header) const
    {
        std::vector<bool> b = bits;
        b.push_back(true);  // rbsp_stop_one_bit
        while (b.size() % 8)
            b.push_back(false);
        Bytes out{0x00, 0x00, 0x01, static_cast<unsigned char>(header)};
        unsigned zeros = 0;
        for (std::size_t i = 0; i < b.size(); i += 8) {
            unsigned byte = 0;
            for (int k = 0; k < 8; ++k)
                byte = byte << 1 | b[i + k];
            if (zeros >= 2 && byte <= 3) {
                out.push_back(0x03);
                zeros = 0;
            }
            zeros = byte == 0 ? zeros + 1 : 0;
            out.push_back(static_cast<unsigned char>(byte));
        }
        return out;
    }
};

struct Sps {
    unsigned width_mbs, height_units;
    bool frame_mbs_only;
    unsigned crop_bottom;
    bool timing;
    std::uint32_t units, scale;
};

Bytes sps_nal(const Sps& s)
{
    Bits b;
    b.put(100, 8);  // High
    b.put(0, 8);
    b.put(40, 8);  // level 4.0
    b.ue(0);       // seq_parameter_set_id
    b.ue(1);       // chroma_format_idc 4:2:0
    b.ue(0);
    b.ue(0);       // 8-bit
    b.put(0, 2);   // qpprime, no scaling matrix
    b.ue(0);       // log2_max_frame_num_minus4
    b.ue(0);       // pic_order_cnt_type
    b.ue(2);
    b.ue(3);       // max_num_ref_frames
    b.put(0, 1);
    b.ue(s.width_mbs - 1);
    b.ue(s.height_units - 1);
    b.put(s.frame_mbs_only, 1);
    if (!s.frame_mbs_only)
        b.put(1, 1);  // mb_adaptive_frame_field_flag
    b.put(1, 1);      // direct_8x8_inference_flag
    b.put(1, 1);      // frame_cropping_flag
    b.ue(0);
    b.ue(0);
    b.ue(0);
    b.ue(s.crop_bottom);
    b.put(1, 1);       // vui_parameters_present_flag
    b.put(0, 4);       // no aspect ratio, overscan, video signal, chroma location
    b.put(s.timing, 1);
    if (s.timing) {
        b.put(s.units, 32);
        b.put(s.scale, 32);
        b.put(1, 1);
    }
    return b.nal(0x67);
}

struct Case {
    const char* name;
    Sps sps;
    bool complete;  // a PPS follows
    bool read;
    int width, height, interlaced;
    double rate;
};

TEST(Probe, H264SequenceParameterSet)
{
    const Case cases[] = {
        // 120 x 68 macroblocks, 8 lines cropped (crop unit 2): 1920x1080
        {"cropped, 29.97 fps", {120, 68, true, 4, true, 1001, 60000}, true, true, 1920, 1080, 0, 60000.0 / 2002},
        // num_units_in_tick 1 is 31 zero bits: escaped in the NAL unit
        {"emulation prevention bytes", {120, 68, true, 4, true, 1, 50}, true, true, 1920, 1080, 0, 25},
        {"no timing information", {45, 36, true, 0, false, 0, 0}, true, true, 720, 576, 0, 0},
        // field pictures: 18 map units of 2 x 16 lines, crop unit 4
        {"interlaced", {45, 18, false, 0, true, 1, 50}, true, true, 720, 576, 1, 25},
        {"cut by the end of the bytes", {120, 68, true, 4, true, 1001, 60000}, false, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Bytes es = sps_nal(c.sps);
        if (c.complete)
            es = join({es, Bytes{0x00, 0x00, 0x01, 0x68, 0xEB}});
        StreamFormat f;
        ASSERT_EQ(probe_h264(es.data(), es.size(), f), c.read) << c.name;
        if (!c.read)
            continue;
        EXPECT_EQ(f.width, c.width) << c.name;
        EXPECT_EQ(f.height, c.height) << c.name;
        EXPECT_EQ(f.interlaced, c.interlaced) << c.name;
        EXPECT_DOUBLE_EQ(f.frame_rate, c.rate) << c.name;
        EXPECT_STREQ(f.profile, "High") << c.name;
        EXPECT_STREQ(f.level, "4.0") << c.name;
        EXPECT_STREQ(f.chroma_format, "4:2:0") << c.name;
        EXPECT_EQ(f.bit_depth, 8) << c.name;
    }
}

}  // namespace
}  // namespace ostrel::test
