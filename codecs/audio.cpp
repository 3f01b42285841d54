// Audio frame headers: AAC in ADTS (ISO/IEC 13818-7 6.2), MPEG audio
// (ISO/IEC 11172-3 2.4.2.3, 13818-3), AC-3 and E-AC-3 (ETSI TS 102 366 4.4,
// E.1.2), the DTS core frame (ETSI TS 102 114 5.3), AAC in LOAS/LATM
// (ISO/IEC 14496-3 1.7). The first header found with valid fields gives the
// format.
#include <cstdio>
#include <iterator>

#include "codecs/stream_format.hpp"
#include "ts/reader.hpp"

namespace ostrel {
namespace {

constexpr int aac_rates[16] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050,
                               16000, 12000, 11025, 8000,  7350,  -1,    -1,    -1};
constexpr const char* aac_profiles[4] = {"Main", "LC", "SSR", "LTP"};

// MPEG audio bitrates in kbit/s: [MPEG-1 or not][layer 1..3][index].
constexpr int mpeg_bitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1}},
};
constexpr int mpeg_rates[4][3] = {{11025, 12000, 8000}, {-1, -1, -1}, {22050, 24000, 16000}, {44100, 48000, 32000}};
constexpr const char* mpeg_modes[4] = {"stereo", "joint stereo", "dual channel", "mono"};

constexpr int ac3_rates[3] = {48000, 44100, 32000};
constexpr int eac3_reduced_rates[3] = {24000, 22050, 16000};
constexpr int ac3_kbits[19] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};
constexpr int acmod_channels[8] = {2, 1, 2, 3, 3, 4, 4, 5};
constexpr const char* acmod_names[8] = {"1+1", "1/0", "2/0", "3/0", "2/1", "3/1", "2/2", "3/2"};

}  // namespace

namespace {

// An ADTS header at `p` with fields that can be (ISO/IEC 13818-7 6.2.1):
// syncword, layer 00, a sampling frequency index that names a rate, a frame
// length that holds the header. Yields the frame length, 0 where none is.
std::size_t adts_frame(const unsigned char* p, std::size_t left)
{
    if (left < 7 || p[0] != 0xFF || (p[1] & 0xF6) != 0xF0 || aac_rates[(p[2] >> 2) & 0x0F] < 0)
        return 0;
    const std::size_t length = (p[3] & 3u) << 11 | static_cast<std::size_t>(p[4]) << 3 | p[5] >> 5;
    return length >= 7 ? length : 0;
}

// An MPEG audio header at `p` (ISO/IEC 11172-3 2.4.2.3, 13818-3): the frame
// length, 0 where the fields cannot be (layer 00 is ADTS's, not MPEG audio's).
std::size_t mpeg_audio_frame(const unsigned char* p, std::size_t left)
{
    if (left < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    const unsigned version = (p[1] >> 3) & 3, layer_bits = (p[1] >> 1) & 3;
    const unsigned bitrate_index = p[2] >> 4, rate_index = (p[2] >> 2) & 3, padding = (p[2] >> 1) & 1;
    if (version == 1 || layer_bits == 0 || bitrate_index == 0 || bitrate_index == 15 || rate_index == 3)
        return 0;
    const unsigned layer = 4 - layer_bits;
    const long bitrate = mpeg_bitrates[version == 3 ? 0 : 1][layer - 1][bitrate_index] * 1000L;
    const long rate = mpeg_rates[version][rate_index];
    if (layer == 1)
        return static_cast<std::size_t>((12 * bitrate / rate + padding) * 4);
    const long slots = layer == 3 && version != 3 ? 72 : 144;
    return static_cast<std::size_t>(slots * bitrate / rate + padding);
}

// A header is taken when the next frame starts where it says; one whose next
// frame lies past the bytes waits for more of them.
enum class Sync { none, wait, found };
template <class Frame>
Sync synced(const unsigned char* es, std::size_t size, std::size_t i, Frame frame)
{
    const std::size_t length = frame(es + i, size - i);
    if (length == 0)
        return Sync::none;
    if (i + length + 4 > size)
        return Sync::wait;
    return frame(es + i + length, size - i - length) != 0 ? Sync::found : Sync::none;
}

// DTS core: SFREQ to Hz, AMODE to channels (without LFE), RATE to kbit/s.
constexpr int dts_rates[16] = {-1, 8000, 16000, 32000, -1, -1, 11025, 22050, 44100, -1, -1, 12000, 24000, 48000, -1, -1};
constexpr int dts_channels[16] = {1, 2, 2, 2, 2, 3, 3, 4, 4, 5, 6, 6, 6, 7, 8, 8};
constexpr int dts_kbits[32] = {32,  56,   64,   96,   112,  128,  192,  224,  256,  320,  384,
                               448, 512,  576,  640,  768,  960,  1024, 1152, 1280, 1344, 1408,
                               1411, 1472, 1536, -1, -1, -1, -1, -1, -1, -1};

// A DTS core frame header at `p` (sync 7FFE8001, 16-bit big-endian): its
// size (FSIZE + 1), 0 where the fields cannot be.
std::size_t dts_frame(const unsigned char* p, std::size_t left)
{
    if (left < 10 || p[0] != 0x7F || p[1] != 0xFE || p[2] != 0x80 || p[3] != 0x01)
        return 0;
    Reader r{p + 4, left - 4};
    r.skip(1 + 5 + 1 + 7);  // FTYPE, SHORT, CPF, NBLKS
    const std::size_t size = static_cast<std::size_t>(r.bits(14)) + 1;
    r.skip(6);
    const unsigned sfreq = static_cast<unsigned>(r.bits(4));
    return size >= 96 && dts_rates[sfreq] > 0 ? size : 0;
}

// An AudioSyncStream frame (ISO/IEC 14496-3 1.7.2): syncword 0x2B7, then
// audioMuxLengthBytes; its size, 0 where none starts.
std::size_t loas_frame(const unsigned char* p, std::size_t left)
{
    if (left < 3 || p[0] != 0x56 || (p[1] & 0xE0) != 0xE0)
        return 0;
    return 3 + ((p[1] & 0x1Fu) << 8 | p[2]);
}

}  // namespace

bool probe_adts(const unsigned char* es, std::size_t size, StreamFormat& f)
{
    for (std::size_t i = 0; i + 7 <= size; ++i) {
        const Sync s = synced(es, size, i, adts_frame);
        if (s == Sync::wait)
            return false;
        if (s == Sync::none)
            continue;
        const unsigned profile = static_cast<unsigned>(es[i + 2] >> 6);
        const unsigned rate_index = (es[i + 2] >> 2) & 0x0F;
        const unsigned config = (es[i + 2] & 1u) << 2 | es[i + 3] >> 6;
        std::snprintf(f.profile, sizeof f.profile, "%s", aac_profiles[profile]);
        f.object_type = static_cast<int>(profile) + 1;  // ADTS's profile is the object type less one
        f.sample_rate = aac_rates[rate_index];
        f.channels = config == 0 ? -1 : (config == 7 ? 8 : static_cast<int>(config));
        f.lfe = config == 0 ? -1 : (config >= 6 ? 1 : 0);
        f.known = true;
        return true;
    }
    return false;
}

// MPEG audio; AAC in ADTS where the stream type says MPEG audio but the
// frames are ADTS's (layer 00).
bool probe_mpeg_audio(const unsigned char* es, std::size_t size, StreamFormat& f)
{
    for (std::size_t i = 0; i + 4 <= size; ++i) {
        const Sync adts = synced(es, size, i, adts_frame);
        if (adts == Sync::found) {
            if (!probe_adts(es + i, size - i, f))
                return false;
            f.codec = "aac";
            f.codec_text = "AAC (ADTS)";
            return true;
        }
        const Sync s = synced(es, size, i, mpeg_audio_frame);
        if (s == Sync::wait || adts == Sync::wait)
            return false;
        if (s == Sync::none)
            continue;
        const unsigned version = (es[i + 1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
        const unsigned layer = 4 - ((es[i + 1] >> 1) & 3);
        const unsigned bitrate_index = es[i + 2] >> 4;
        const unsigned rate_index = (es[i + 2] >> 2) & 3;
        const unsigned mode = es[i + 3] >> 6;
        f.layer = static_cast<int>(layer);
        f.sample_rate = mpeg_rates[version][rate_index];
        f.bitrate = mpeg_bitrates[version == 3 ? 0 : 1][layer - 1][bitrate_index] * 1000L;
        f.channels = mode == 3 ? 1 : 2;
        f.lfe = 0;
        f.channel_mode = mpeg_modes[mode];
        f.known = true;
        return true;
    }
    return false;
}

namespace {

// An AC-3 or E-AC-3 syncframe at `p`: its size in bytes (TS 102 366 Table
// 4.13: 2 words a kbit/s at 48 kHz, 3 at 32 kHz, 320/147 at 44.1 kHz plus
// the odd code's word; E-AC-3: (frmsiz + 1) words), 0 where none can be.
std::size_t ac3_frame(const unsigned char* p, std::size_t left)
{
    if (left < 6 || p[0] != 0x0B || p[1] != 0x77)
        return 0;
    const unsigned bsid = p[5] >> 3;
    if (bsid >= 11 && bsid <= 16)
        return 2 * (((p[2] & 7u) << 8 | p[3]) + 1u);
    const unsigned fscod = p[4] >> 6, code = p[4] & 0x3F;
    if (bsid > 10 || fscod == 3 || code >= 38)
        return 0;
    const unsigned kbits = static_cast<unsigned>(ac3_kbits[code / 2]);
    const unsigned words = fscod == 0 ? 2 * kbits : fscod == 2 ? 3 * kbits : 320 * kbits / 147 + (code & 1);
    return 2 * words;
}

}  // namespace

bool probe_ac3(const unsigned char* es, std::size_t size, StreamFormat& f)
{
    for (std::size_t i = 0; i + 8 <= size; ++i) {
        const Sync sync = synced(es, size, i, ac3_frame);
        if (sync == Sync::wait)
            return false;
        if (sync == Sync::none)
            continue;
        const unsigned bsid = es[i + 5] >> 3;
        Reader r{es + i + 2, size - i - 2};
        unsigned acmod, lfeon;
        if (bsid <= 10) {  // AC-3
            r.skip(16);    // crc1
            const unsigned fscod = static_cast<unsigned>(r.bits(2));
            const unsigned frmsizecod = static_cast<unsigned>(r.bits(6));
            r.skip(5 + 3);
            acmod = static_cast<unsigned>(r.bits(3));
            if ((acmod & 1) && acmod != 1)
                r.skip(2);
            if (acmod & 4)
                r.skip(2);
            if (acmod == 2)
                r.skip(2);
            lfeon = static_cast<unsigned>(r.bits(1));
            if (r.cut || fscod == 3 || frmsizecod >= 38)
                continue;
            f.sample_rate = ac3_rates[fscod];
            f.bitrate = ac3_kbits[frmsizecod / 2] * 1000L;
        } else if (bsid >= 11 && bsid <= 16) {  // E-AC-3: the first independent substream
            const unsigned strmtyp = static_cast<unsigned>(r.bits(2));
            const unsigned substreamid = static_cast<unsigned>(r.bits(3));
            r.skip(11);
            const unsigned fscod = static_cast<unsigned>(r.bits(2));
            const unsigned fscod2 = static_cast<unsigned>(r.bits(2));  // numblkscod, or fscod2
            acmod = static_cast<unsigned>(r.bits(3));
            lfeon = static_cast<unsigned>(r.bits(1));
            if (r.cut || strmtyp == 1 || strmtyp == 3 || substreamid != 0 || (fscod == 3 && fscod2 == 3))
                continue;
            f.sample_rate = fscod == 3 ? eac3_reduced_rates[fscod2] : ac3_rates[fscod];
            f.bitrate = -1;  // E-AC-3 states a frame size, not a rate
        } else {
            continue;
        }
        f.channels = acmod_channels[acmod] + static_cast<int>(lfeon);
        f.lfe = static_cast<int>(lfeon);
        f.channel_mode = acmod_names[acmod];
        f.codec = bsid <= 10 ? "ac3" : "eac3";
        f.codec_text = bsid <= 10 ? "AC-3 audio" : "E-AC-3 audio";
        f.known = true;
        return true;
    }
    return false;
}

bool probe_dts(const unsigned char* es, std::size_t size, StreamFormat& f)
{
    for (std::size_t i = 0; i + 10 <= size; ++i) {
        const Sync s = synced(es, size, i, dts_frame);
        if (s == Sync::wait)
            return false;
        if (s == Sync::none)
            continue;
        Reader r{es + i + 4, size - i - 4};
        r.skip(1 + 5 + 1 + 7 + 14);
        const unsigned amode = static_cast<unsigned>(r.bits(6));
        const unsigned sfreq = static_cast<unsigned>(r.bits(4));
        const unsigned rate = static_cast<unsigned>(r.bits(5));
        r.skip(1 + 1 + 1 + 1 + 1 + 3 + 1 + 1);  // FixedBit DYNF TIMEF AUXF HDCD EXT_AUDIO_ID EXT_AUDIO ASPF
        const unsigned lff = static_cast<unsigned>(r.bits(2));
        const bool lfe = lff == 1 || lff == 2;
        f.sample_rate = dts_rates[sfreq];
        f.channels = amode < 16 ? dts_channels[amode] + (lfe ? 1 : 0) : -1;
        f.lfe = lfe ? 1 : 0;
        f.bitrate = dts_kbits[rate] > 0 ? dts_kbits[rate] * 1000L : -1;
        f.codec = "dts";
        f.codec_text = "DTS audio";
        f.known = true;
        return true;
    }
    return false;
}

// The StreamMuxConfig of audioMuxVersion 0 in the first frame that carries
// one (useSameStreamMux 0): its first AudioSpecificConfig's object type,
// sampling frequency and channel configuration.
bool probe_latm(const unsigned char* es, std::size_t size, StreamFormat& f)
{
    for (std::size_t i = 0; i + 3 <= size; ++i) {
        const Sync s = synced(es, size, i, loas_frame);
        if (s == Sync::wait)
            return false;
        if (s == Sync::none)
            continue;
        Reader r{es + i + 3, loas_frame(es + i, size - i) - 3};
        if (r.bits(1) != 0 || r.bits(1) != 0)
            continue;  // useSameStreamMux, or audioMuxVersion 1: no configuration read here
        r.skip(1 + 6);  // allStreamsSameTimeFraming, numSubFrames
        if (r.bits(4) != 0 || r.bits(3) != 0)
            continue;  // more than one program or layer
        unsigned object = static_cast<unsigned>(r.bits(5));
        if (object == 31)
            object = 32 + static_cast<unsigned>(r.bits(6));
        const unsigned rate_index = static_cast<unsigned>(r.bits(4));
        const int rate = rate_index == 15 ? static_cast<int>(r.bits(24)) : aac_rates[rate_index];
        const unsigned config = static_cast<unsigned>(r.bits(4));
        if (r.cut || rate <= 0)
            continue;
        static constexpr const char* objects[] = {"", "Main", "LC", "SSR", "LTP", "HE-AAC"};
        std::snprintf(f.profile, sizeof f.profile, "%s", object < std::size(objects) ? objects[object] : "");
        f.object_type = static_cast<int>(object);
        f.sample_rate = rate;
        f.channels = config == 0 ? -1 : (config == 7 ? 8 : static_cast<int>(config));
        f.lfe = config == 0 ? -1 : (config >= 6 ? 1 : 0);
        f.known = true;
        return true;
    }
    return false;
}

}  // namespace ostrel
