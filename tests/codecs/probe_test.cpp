// The H.264 sequence parameter set read from bits written here by hand
// (ISO/IEC 14496-10 7.3.2.1.1, E.1.1): cropping, interlace, VUI timing or
// none, emulation prevention bytes, and an SPS cut by the end of the bytes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <map>
#include <sstream>

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

// The SPS in the 40th PES packet of the video (a capture cut mid-GOP, the
// pictures before it some 9 KB each): the probe reads on until it has it; a
// stream with none stays unknown.
TEST(Probe, FormatFoundFarIntoTheStream)
{
    const Bytes pat = section_packets(0x0000, long_section(0x00, 1, 0, {0x00, 0x01, 0xF0, 0x00}));
    const Bytes pmt = section_packets(0x1000, long_section(0x02, 1, 0, {0xE1, 0x00, 0xF0, 0x00, 0x1B, 0xE1, 0x00, 0xF0, 0x00}));
    const Bytes sps = join({sps_nal({120, 68, true, 4, true, 1001, 60000}), Bytes{0x00, 0x00, 0x01, 0x68, 0xEB}});
    const auto stream = [&](bool with_sps) {
        Bytes s = join({pat, pmt});
        unsigned counter = 0;
        for (unsigned pes = 1; pes <= 60; ++pes) {
            for (unsigned k = 0; k < 50; ++k) {  // 50 packets a picture: a slice NAL unit, then its bytes
                Bytes p = packet({.pid = 0x0100, .start = k == 0, .counter = counter++ % 16, .fill = 0x5A});
                if (k == 0)
                    put_bytes(p, 4, {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01});
                if (k == 0 && pes == 40 && with_sps)
                    std::copy(sps.begin(), sps.end(), p.begin() + 13);
                s.insert(s.end(), p.begin(), p.end());
            }
        }
        return s;
    };
    RunOptions summary;
    summary.summary_mode = true;
    summary.json = true;
    for (const bool with_sps : {true, false}) {
        const Result r = run_report(stream(with_sps), summary);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto video = nlohmann::json::parse(r.out)["programs"][0]["streams"][0];
        EXPECT_EQ(video["codec"], "h264");
        EXPECT_EQ(video["width"], with_sps ? nlohmann::json(1920) : nlohmann::json()) << with_sps;
        EXPECT_EQ(video["height"], with_sps ? nlohmann::json(1080) : nlohmann::json()) << with_sps;
    }
}

}  // namespace
}  // namespace ostrel::test

namespace ostrel::test {
namespace {

// An ADTS frame (ISO/IEC 13818-7 6.2.1) of `length` bytes: profile LC (1),
// sampling_frequency_index 3 (48 kHz), channel_configuration 2:
// FF F1 | 01 0011 0 0 = 4C | 10 0 0 0 0 + length's top 2 bits | ...
Bytes adts_frame(std::size_t length)
{
    Bytes f(length, 0x21);
    f[0] = 0xFF;
    f[1] = 0xF1;
    f[2] = 0x4C;
    f[3] = static_cast<unsigned char>(0x80 | (length >> 11));
    f[4] = static_cast<unsigned char>(length >> 3);
    f[5] = static_cast<unsigned char>((length & 7) << 5 | 0x1F);
    f[6] = 0xFC;
    return f;
}

// An MPEG-1 Layer II frame header: FF FD (MPEG-1, layer II, no CRC), bitrate
// index 0xC (256 kbit/s), 48 kHz (01), no padding: 144 * 256000 / 48000 = 768 bytes.
Bytes mp2_frame()
{
    Bytes f(768, 0x55);
    f[0] = 0xFF;
    f[1] = 0xFD;
    f[2] = 0xC4;
    f[3] = 0x44;  // joint stereo
    return f;
}

struct AudioCase {
    const char* name;
    Bytes es;
    bool found;
    const char* codec;  // null: as the stream type names it
    const char* profile;
    int sample_rate, channels;
};

TEST(Probe, MpegAudioTypesConfirmedByTheNextFrame)
{
    const AudioCase cases[] = {
        // Byte 4 of the ADTS header (0x80) and on could read as an MPEG audio sync; the frames are ADTS.
        {"ADTS under an MPEG audio type", join({adts_frame(371), adts_frame(371)}), true, "aac", "LC", 48000, 2},
        {"MPEG-1 Layer II", join({mp2_frame(), mp2_frame()}), true, nullptr, "", 48000, 2},
        {"one header, its next frame not here yet", mp2_frame(), false, nullptr, "", -1, -1},
        {"a sync whose next frame is not there", join({Bytes{0xFF, 0xFD, 0xC4, 0x44}, Bytes(800, 0x00)}), false,
         nullptr, "", -1, -1},
    };
    for (const AudioCase& c : cases) {
        StreamFormat f;
        EXPECT_EQ(probe_mpeg_audio(c.es.data(), c.es.size(), f), c.found) << c.name;
        EXPECT_STREQ(f.codec, c.codec) << c.name;
        EXPECT_STREQ(f.profile, c.profile) << c.name;
        EXPECT_EQ(f.sample_rate, c.sample_rate) << c.name;
        EXPECT_EQ(f.channels, c.channels) << c.name;
    }
}

// A sequence header (ISO/IEC 13818-2 6.2.2.1): 352x288 (0x160, 0x120),
// aspect 2 (4:3), frame_rate_code 3 (25), then what comes next.
Bytes sequence_header()
{
    return {0x00, 0x00, 0x01, 0xB3, 0x16, 0x01, 0x20, 0x23, 0xFF, 0xFF, 0xE0, 0x18};
}

struct VideoCase {
    const char* name;
    Bytes es;
    bool found;
    const char* codec;
    const char* profile;
    const char* level;
    int width;
    double frame_rate;
};

TEST(Probe, MpegVideoOneOrTwoAndEscapeProfiles)
{
    const Bytes gop{0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x40};
    // sequence_extension: identifier 1, profile_and_level_indication, progressive 1, chroma 01, sizes 0,
    // bitrate/marker/vbv/low_delay, frame_rate_extension 0
    const auto extension = [](unsigned pli) {
        return Bytes{0x00, 0x00, 0x01, 0xB5, static_cast<unsigned char>(0x10 | pli >> 4),
                     static_cast<unsigned char>((pli & 0x0F) << 4 | 0x0A), 0x00, 0x01, 0x00, 0x00};
    };
    const VideoCase cases[] = {
        {"MPEG-1: no sequence extension", join({sequence_header(), gop}), true, "mpeg1video", "", "", 352, 25},
        {"MPEG-2 Main at Main (0x48)", join({sequence_header(), extension(0x48), gop}), true, nullptr, "Main", "Main",
         352, 25},
        {"4:2:2 at Main (0x85)", join({sequence_header(), extension(0x85), gop}), true, nullptr, "4:2:2", "Main", 352,
         25},
        {"4:2:2 at High (0x82)", join({sequence_header(), extension(0x82), gop}), true, nullptr, "4:2:2", "High", 352,
         25},
        {"the next start code not here yet", sequence_header(), false, nullptr, "", "", -1, 0},
    };
    for (const VideoCase& c : cases) {
        StreamFormat f;
        EXPECT_EQ(probe_mpeg_video(c.es.data(), c.es.size(), true, f), c.found) << c.name;
        EXPECT_STREQ(f.codec, c.codec) << c.name;
        EXPECT_STREQ(f.profile, c.profile) << c.name;
        EXPECT_STREQ(f.level, c.level) << c.name;
        EXPECT_EQ(f.width, c.width) << c.name;
        EXPECT_DOUBLE_EQ(f.frame_rate, c.frame_rate) << c.name;
    }
}

// A DTS core frame (ETSI TS 102 114 5.3.1) of 1024 bytes: FTYPE 1, SHORT 31,
// CPF 0, NBLKS 15, FSIZE 1023, AMODE 9 (3/2: 5 channels), SFREQ 13 (48 kHz),
// RATE 15 (768 kbit/s), the flags 0, LFF 1 (an LFE channel).
Bytes dts_frame()
{
    Bits b;
    b.put(0x7FFE8001, 32);
    b.put(1, 1);
    b.put(31, 5);
    b.put(0, 1);
    b.put(15, 7);
    b.put(1023, 14);
    b.put(9, 6);
    b.put(13, 4);
    b.put(15, 5);
    b.put(0, 10);
    b.put(1, 2);
    Bytes f(1024, 0);
    for (std::size_t i = 0; i < b.bits.size(); ++i)
        f[i / 8] = static_cast<unsigned char>(f[i / 8] | b.bits[i] << (7 - i % 8));
    return f;
}

TEST(Probe, DtsCoreFrame)
{
    const Bytes two = join({dts_frame(), dts_frame()});
    StreamFormat f;
    ASSERT_TRUE(probe_dts(two.data(), two.size(), f));
    EXPECT_STREQ(f.codec, "dts");
    EXPECT_EQ(f.sample_rate, 48000);
    EXPECT_EQ(f.channels, 6);
    EXPECT_EQ(f.lfe, 1);
    EXPECT_EQ(f.bitrate, 768000);
    StreamFormat one;
    EXPECT_FALSE(probe_dts(two.data(), 1024, one));  // the next frame not here yet
}

// Blu-ray's stream_type 0x86 under the registration "HDMV" is DTS-HD, not
// SCTE 35: its PES packets (whose bytes 00 00 01 FD could read as a pointer_field
// and a PAT) are never read as sections. Nor are they on a 0x86 PID that no
// registration names.
TEST(Probe, DtsHdUnderHdmvIsNoCuePid)
{
    for (const bool hdmv : {true, false}) {
        const Bytes pat = section_packets(0x0000, long_section(0x00, 1, 0, {0x00, 0x01, 0xF0, 0x00}));
        const Bytes registration = hdmv ? descriptor(0x05, {'H', 'D', 'M', 'V'}) : Bytes{};
        const Bytes pmt_body = join({Bytes{0xE1, 0x00, 0xF0, static_cast<unsigned char>(registration.size())}, registration,
                                     Bytes{0x86, 0xE1, 0x00, 0xF0, 0x00}});
        Bytes s = join({pat, section_packets(0x1000, long_section(0x02, 1, 0, pmt_body))});
        const Bytes frames = join({dts_frame(), dts_frame(), dts_frame()});
        unsigned counter = 0;
        for (unsigned pes = 0; pes < 8; ++pes) {
            // PES private_stream_1 ... as HDMV writes it: 00 00 01 FD, then a header of 9 bytes
            Bytes payload = join({Bytes{0x00, 0x00, 0x01, 0xFD, 0x00, 0x00, 0x80, 0x00, 0x00}, frames});
            for (std::size_t at = 0; at < payload.size(); at += 184) {
                Bytes p = packet({.pid = 0x0100, .start = at == 0, .counter = counter++ % 16});
                std::copy(payload.begin() + static_cast<long>(at),
                          payload.begin() + static_cast<long>(std::min(payload.size(), at + 184)), p.begin() + 4);
                s.insert(s.end(), p.begin(), p.end());
            }
        }
        RunOptions tables;
        tables.tables_mode = true;
        tables.json = true;
        const Result t = run_report(s, tables);
        std::istringstream lines(t.out);
        for (std::string line; std::getline(lines, line);) {
            const auto j = nlohmann::json::parse(line);
            EXPECT_NE(j.value("pid", 0), 256) << hdmv << line;
            for (const auto& row : j.value("tables_summary", nlohmann::json::array()))
                EXPECT_NE(row["pid"], 256) << hdmv << line;
        }
        RunOptions summary;
        summary.summary_mode = true;
        summary.json = true;
        const auto stream = nlohmann::json::parse(run_report(s, summary).out)["programs"][0]["streams"][0];
        EXPECT_EQ(stream["codec"], hdmv ? "dts" : "scte_35") << hdmv;
        if (hdmv) {
            EXPECT_EQ(stream["codec_text"], "DTS-HD audio");
            EXPECT_EQ(stream["sample_rate"], 48000);
            EXPECT_EQ(stream["channels"], 6);
        }
    }
}

// An HEVC SPS (ITU-T H.265 7.3.2.2) without a VPS before it: Main, level
// 1.0 (level_idc 30), 64x48 4:2:0 8-bit, two short-term sets (the second
// predicted from the first), then the VUI (E.2.1) with only its timing:
// 1001 / 60000, 59.94 pictures a second; or without the timing.
Bytes hevc_sps(bool timing)
{
    Bits b;
    b.put(0x01, 8);  // the second byte of the NAL unit header (nuh_temporal_id_plus1 1)
    b.put(0, 4);     // sps_video_parameter_set_id
    b.put(0, 3);     // sps_max_sub_layers_minus1
    b.put(1, 1);
    b.put(0, 2);     // general_profile_space
    b.put(0, 1);     // tier
    b.put(1, 5);     // Main
    b.put(0x40000000, 32);
    b.put(0b1001, 4);  // progressive, not interlaced, packed, frame only
    b.put(0, 44);
    b.put(30, 8);
    b.ue(0);
    b.ue(1);   // 4:2:0
    b.ue(64);
    b.ue(48);
    b.put(0, 1);  // no conformance window
    b.ue(0);
    b.ue(0);
    b.ue(4);      // log2_max_pic_order_cnt_lsb_minus4
    b.put(1, 1);  // sub-layer ordering info
    b.ue(1);
    b.ue(0);
    b.ue(0);
    for (unsigned v : {0u, 1u, 0u, 1u, 0u, 0u})
        b.ue(v);
    b.put(0, 4);  // no scaling lists, AMP, SAO, PCM
    b.ue(2);      // num_short_term_ref_pic_sets
    b.ue(1);      // set 0: one negative picture
    b.ue(0);
    b.ue(0);
    b.put(1, 1);
    b.put(1, 1);  // set 1: predicted
    b.put(0, 1);
    b.ue(0);
    b.put(0b11, 2);  // used_by_curr_pic_flag for both pictures of set 0 and the one before
    b.put(0, 1);     // no long-term pictures
    b.put(0b11, 2);
    b.put(1, 1);  // vui_parameters_present_flag
    b.put(0, 7);  // aspect, overscan, signal type, chroma location, neutral chroma, field_seq, frame_field_info
    b.put(0, 1);  // default display window
    b.put(timing, 1);
    if (timing) {
        b.put(1001, 32);
        b.put(60000, 32);
    }
    b.put(0, 8);
    return join({b.nal(0x42), Bytes{0x00, 0x00, 0x01, 0x44, 0x01, 0xC1}});
}

TEST(Probe, HevcFrameRateFromTheSpsVui)
{
    for (const bool timing : {true, false}) {
        const Bytes es = hevc_sps(timing);
        StreamFormat f;
        ASSERT_TRUE(probe_hevc(es.data(), es.size(), f)) << timing;
        EXPECT_EQ(f.width, 64);
        EXPECT_EQ(f.height, 48);
        EXPECT_STREQ(f.profile, "Main");
        EXPECT_STREQ(f.level, "1.0");
        EXPECT_DOUBLE_EQ(f.frame_rate, timing ? 60000.0 / 1001 : 0) << timing;
    }
}

// A capture without PSI: PES video carrying an H.264 SPS on PID 0100, MPEG-1
// Layer II audio on 0101, private_stream_1 with DTS on 0102. Each named by its
// stream_id and the headers its payload holds.
TEST(Probe, PesStreamsNoMapTableNames)
{
    const Bytes sps = join({sps_nal({120, 68, true, 4, true, 1001, 60000}), Bytes{0x00, 0x00, 0x01, 0x68, 0xEB}});
    const Bytes audio = join({mp2_frame(), mp2_frame()});
    const Bytes dts = join({dts_frame(), dts_frame()});
    const struct {
        unsigned pid, stream_id;
        const Bytes& es;
    } streams[] = {{0x0100, 0xE0, sps}, {0x0101, 0xC0, audio}, {0x0102, 0xBD, dts}};
    Bytes s;
    for (const auto& st : streams) {
        const Bytes pes = join({Bytes{0x00, 0x00, 0x01, static_cast<unsigned char>(st.stream_id), 0x00, 0x00, 0x80,
                                      0x00, 0x00},
                                st.es});
        unsigned counter = 0;
        for (std::size_t at = 0; at < pes.size(); at += 184) {
            Bytes p = packet({.pid = st.pid, .start = at == 0, .counter = counter++ % 16});
            std::copy(pes.begin() + static_cast<long>(at), pes.begin() + static_cast<long>(std::min(pes.size(), at + 184)),
                      p.begin() + 4);
            s.insert(s.end(), p.begin(), p.end());
        }
    }
    RunOptions summary;
    summary.summary_mode = true;
    summary.json = true;
    const auto pids = nlohmann::json::parse(run_report(s, summary).out)["pids"];
    std::map<unsigned, std::string> carries;
    for (const auto& p : pids)
        carries[p["pid"].get<unsigned>()] = p["carries"].get<std::string>();
    EXPECT_EQ(carries[0x0100], "PES, stream_id 'E0'h, h264");
    EXPECT_EQ(carries[0x0101], "PES, stream_id 'C0'h, mp2");
    EXPECT_EQ(carries[0x0102], "PES, stream_id 'BD'h, dts");
}

// AAC in LOAS/LATM (ISO/IEC 14496-3 1.7): AudioSyncStream frames of 20
// bytes (syncword 0x2B7, audioMuxLengthBytes 17), each with its
// StreamMuxConfig: useSameStreamMux 0, audioMuxVersion 0, one program of one
// layer, AudioSpecificConfig LC (2), 48 kHz (3), 2 channels.
TEST(Probe, LatmStreamMuxConfig)
{
    Bits b;
    b.put(0, 1);
    b.put(0, 1);
    b.put(1, 1);
    b.put(0, 6);
    b.put(0, 4);
    b.put(0, 3);
    b.put(2, 5);
    b.put(3, 4);
    b.put(2, 4);
    Bytes frame(20, 0);
    frame[0] = 0x56;
    frame[1] = 0xE0;
    frame[2] = 17;
    for (std::size_t i = 0; i < b.bits.size(); ++i)
        frame[3 + i / 8] = static_cast<unsigned char>(frame[3 + i / 8] | b.bits[i] << (7 - i % 8));
    const Bytes two = join({frame, frame});
    StreamFormat f;
    ASSERT_TRUE(probe_latm(two.data(), two.size(), f));
    EXPECT_STREQ(f.profile, "LC");
    EXPECT_EQ(f.sample_rate, 48000);
    EXPECT_EQ(f.channels, 2);
    StreamFormat one;
    EXPECT_FALSE(probe_latm(frame.data(), frame.size(), one));  // the next frame not here yet
}

// HEVC whose SPS has no VUI timing (and no VPS): the frame rate from the
// smallest step between the PTS of its first PES packets, in decoding order
// I P B B (PTS 0, 10800, 3600, 7200, ...): 3600 ticks of 90 kHz, 25 fps.
TEST(Probe, FrameRateFromThePtsStepWhereTheHeadersHaveNone)
{
    const Bytes pat = section_packets(0x0000, long_section(0x00, 1, 0, {0x00, 0x01, 0xF0, 0x00}));
    const Bytes pmt = section_packets(0x1000, long_section(0x02, 1, 0, {0xE1, 0x00, 0xF0, 0x00, 0x24, 0xE1, 0x00, 0xF0, 0x00}));
    Bytes s = join({pat, pmt});
    const Bytes sps = hevc_sps(false);
    const std::uint64_t order[] = {0, 3, 1, 2, 6, 4, 5, 9, 7, 8};
    for (unsigned pes = 0; pes < 10; ++pes) {
        const std::uint64_t pts = 90000 + order[pes] * 3600;
        // PTS only ('0010'), the 33 bits with their marker bits
        Bytes payload{0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x80, 0x05,
                      static_cast<unsigned char>(0x21 | (pts >> 29 & 0x0E)), static_cast<unsigned char>(pts >> 22),
                      static_cast<unsigned char>(pts >> 14 | 1), static_cast<unsigned char>(pts >> 7),
                      static_cast<unsigned char>(pts << 1 | 1)};
        if (pes == 0)
            payload = join({payload, sps});
        Bytes p = packet({.pid = 0x0100, .start = 1, .counter = pes % 16, .fill = 0x5A});
        std::copy(payload.begin(), payload.end(), p.begin() + 4);
        s.insert(s.end(), p.begin(), p.end());
    }
    RunOptions summary;
    summary.summary_mode = true;
    summary.json = true;
    const auto video = nlohmann::json::parse(run_report(s, summary).out)["programs"][0]["streams"][0];
    EXPECT_EQ(video["width"], 64);
    EXPECT_DOUBLE_EQ(video["frame_rate"].get<double>(), 25.0);
}

}  // namespace
}  // namespace ostrel::test
