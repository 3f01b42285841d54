// MPEG-1 and MPEG-2 video (ISO/IEC 13818-2 6.2.2): the sequence header and,
// for MPEG-2, the sequence extension after it.
#include <cstdio>
#include <cstring>

#include "codecs/stream_format.hpp"
#include "ts/reader.hpp"

namespace ostrel {
namespace {

constexpr double frame_rates[16] = {0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
constexpr const char* aspect_ratios[16] = {"", "1:1", "4:3", "16:9", "2.21:1"};
constexpr const char* chroma_formats[4] = {"", "4:2:0", "4:2:2", "4:4:4"};

// The bytes after the start code 00 00 01 `code` (any code when `code` is
// any_code) from `from`; null when none.
constexpr unsigned any_code = 0x100;
const unsigned char* find_code(const unsigned char* es, std::size_t size, unsigned code, std::size_t from,
                               std::size_t& at)
{
    for (std::size_t i = from; i + 4 <= size; ++i) {
        if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1 && (code == any_code || es[i + 3] == code)) {
            at = i + 4;
            return es + at;
        }
    }
    return nullptr;
}

void profile_and_level(unsigned pli, StreamFormat& f)
{
    if (pli & 0x80) {  // escape: the profiles of ISO/IEC 13818-2 8.2 that the whole byte names
        struct Escape {
            unsigned code;
            const char* profile;
            const char* level;
        };
        static constexpr Escape escapes[] = {{0x82, "4:2:2", "High"},      {0x85, "4:2:2", "Main"},
                                             {0x8A, "Multi-view", "High"}, {0x8B, "Multi-view", "High 1440"},
                                             {0x8D, "Multi-view", "Main"}, {0x8E, "Multi-view", "Low"}};
        for (const Escape& e : escapes) {
            if (e.code == pli) {
                std::snprintf(f.profile, sizeof f.profile, "%s", e.profile);
                std::snprintf(f.level, sizeof f.level, "%s", e.level);
            }
        }
        return;
    }
    constexpr const char* profiles[8] = {"", "High", "Spatially Scalable", "SNR Scalable", "Main", "Simple"};
    const char* level = "";
    switch (pli & 0x0F) {
    case 4: level = "High"; break;
    case 6: level = "High 1440"; break;
    case 8: level = "Main"; break;
    case 10: level = "Low"; break;
    default: break;
    }
    std::snprintf(f.profile, sizeof f.profile, "%s", profiles[(pli >> 4) & 7]);
    std::snprintf(f.level, sizeof f.level, "%s", level);
}

}  // namespace

bool probe_mpeg_video(const unsigned char* es, std::size_t size, bool mpeg2, StreamFormat& f)
{
    std::size_t at;
    const unsigned char* h = find_code(es, size, 0xB3, 0, at);
    if (h == nullptr || size - at < 8)
        return false;
    Reader r{h, size - at};
    unsigned width = static_cast<unsigned>(r.bits(12));
    unsigned height = static_cast<unsigned>(r.bits(12));
    const unsigned aspect = static_cast<unsigned>(r.bits(4));
    const unsigned rate_code = static_cast<unsigned>(r.bits(4));
    double rate = frame_rates[rate_code];
    bool progressive = true;
    unsigned chroma = 1;
    // MPEG-2 has the sequence extension (extension_start_code_identifier 1)
    // as the next start code after the header; MPEG-1 (ISO/IEC 11172-2, which
    // stream_type 0x02 may carry too) has none.
    std::size_t next_at = at;
    const unsigned char* next = mpeg2 ? find_code(es, size, any_code, at + 8, next_at) : nullptr;
    if (mpeg2 && next == nullptr)
        return false;  // the next start code is not in these bytes yet
    if (mpeg2 && next[-1] != 0xB5) {
        mpeg2 = false;
        f.codec = "mpeg1video";
        f.codec_text = "MPEG-1 video";
    }
    if (mpeg2) {
        const unsigned char* e = next;
        const std::size_t ext_at = next_at;
        if (size - ext_at < 6 || (e[0] >> 4) != 1)
            return false;
        Reader x{e, size - ext_at};
        x.skip(4);
        profile_and_level(static_cast<unsigned>(x.bits(8)), f);
        progressive = x.bits(1) != 0;
        chroma = static_cast<unsigned>(x.bits(2));
        width |= static_cast<unsigned>(x.bits(2)) << 12;
        height |= static_cast<unsigned>(x.bits(2)) << 12;
        x.skip(12 + 1 + 8 + 1);
        const unsigned n = static_cast<unsigned>(x.bits(2));
        const unsigned d = static_cast<unsigned>(x.bits(5));
        rate = rate * (n + 1) / (d + 1);
        f.aspect_ratio = aspect_ratios[aspect];
    }
    f.width = static_cast<int>(width);
    f.height = static_cast<int>(height);
    f.frame_rate = rate;
    f.interlaced = progressive ? 0 : 1;
    f.chroma_format = chroma_formats[chroma];
    f.bit_depth = 8;
    f.known = true;
    return true;
}

}  // namespace ostrel
