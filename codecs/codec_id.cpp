#include "codecs/codec_id.hpp"

#include <cstring>

#include "ts/descriptor_loop.hpp"

namespace ostrel {
namespace {

struct ByType {
    unsigned stream_type;
    CodecId id;
};

constexpr ByType by_type[] = {
    {0x01, {"mpeg1video", "MPEG-1 video", Probe::mpeg1_video}},
    {0x02, {"mpeg2video", "MPEG-2 video", Probe::mpeg2_video}},
    {0x03, {"mp2", "MPEG-1 audio", Probe::mpeg_audio}},
    {0x04, {"mp2", "MPEG-2 audio", Probe::mpeg_audio}},
    {0x0F, {"aac", "AAC (ADTS)", Probe::adts}},
    {0x10, {"mpeg4", "MPEG-4 Visual", Probe::none}},
    {0x11, {"aac_latm", "AAC (LATM)", Probe::latm}},
    {0x1B, {"h264", "H.264 / AVC video", Probe::h264}},
    {0x24, {"hevc", "H.265 / HEVC video", Probe::hevc}},
    {0x2D, {"mpegh_3d_audio", "MPEG-H 3D audio", Probe::none}},
    {0x2E, {"mpegh_3d_audio", "MPEG-H 3D audio", Probe::none}},
    {0x33, {"vvc", "H.266 / VVC video", Probe::none}},
};

struct ByFormat {
    const char* format_identifier;
    CodecId id;
};

constexpr ByFormat by_registration[] = {
    {"AC-3", {"ac3", "AC-3 audio", Probe::ac3}},       {"EAC3", {"eac3", "E-AC-3 audio", Probe::ac3}},
    {"AC-4", {"ac4", "AC-4 audio", Probe::none}},       {"DTS1", {"dts", "DTS audio", Probe::none}},
    {"DTS2", {"dts", "DTS audio", Probe::none}},        {"DTS3", {"dts", "DTS audio", Probe::none}},
    {"HEVC", {"hevc", "H.265 / HEVC video", Probe::hevc}}, {"Opus", {"opus", "Opus audio", Probe::none}},
    {"KLVA", {"klv", "KLV metadata", Probe::none}},     {"ID3 ", {"timed_id3", "timed ID3 metadata", Probe::none}},
    {"CUEI", {"scte_35", "SCTE 35 splice information", Probe::none}},
    {"BSSD", {"s302m", "SMPTE 302M audio", Probe::none}}, {"VC-1", {"vc1", "VC-1 video", Probe::none}},
};

constexpr CodecId unknown{"unknown", "unknown", Probe::none};

const CodecId* registered(const unsigned char* loop, std::size_t length)
{
    const CodecId* found = nullptr;
    for_each_descriptor(loop, length, [&](unsigned tag, const unsigned char* d, std::size_t n) {
        if (tag != 0x05 || n < 4 || found != nullptr)
            return;
        for (const ByFormat& f : by_registration)
            if (std::memcmp(d, f.format_identifier, 4) == 0)
                found = &f.id;
    });
    return found;
}

bool has_registration(const unsigned char* loop, std::size_t length, const char* format)
{
    bool found = false;
    for_each_descriptor(loop, length, [&](unsigned tag, const unsigned char* d, std::size_t n) {
        found |= tag == 0x05 && n >= 4 && std::memcmp(d, format, 4) == 0;
    });
    return found;
}

CodecId by_dvb_descriptor(const unsigned char* loop, std::size_t length)
{
    CodecId id = unknown;
    for_each_descriptor(loop, length, [&](unsigned tag, const unsigned char* d, std::size_t n) {
        if (id.probe != Probe::none || std::strcmp(id.codec, "unknown") != 0)
            return;
        switch (tag) {
        case 0x6A: id = {"ac3", "AC-3 audio", Probe::ac3}; break;
        case 0x7A: id = {"eac3", "E-AC-3 audio", Probe::ac3}; break;
        case 0x7B: id = {"dts", "DTS audio", Probe::none}; break;
        case 0x7C: id = {"aac", "AAC", Probe::adts}; break;
        case 0x59: id = {"dvb_subtitle", "DVB subtitles", Probe::none}; break;
        case 0x56: case 0x46: id = {"dvb_teletext", "DVB teletext", Probe::none}; break;
        case 0x7F:
            if (n >= 1 && d[0] == 0x15)
                id = {"ac4", "AC-4 audio", Probe::none};
            else if (n >= 1 && d[0] == 0x0E)
                id = {"dts", "DTS-HD audio", Probe::none};
            break;
        default: break;
        }
    });
    return id;
}

}  // namespace

CodecId identify_codec(unsigned stream_type, const unsigned char* es_info, std::size_t es_length,
                       const unsigned char* program_info, std::size_t program_length)
{
    for (const ByType& t : by_type)
        if (t.stream_type == stream_type)
            return t.id;
    // AC-3 and E-AC-3 as ATSC carries them: where a registration says so.
    const bool atsc = has_registration(program_info, program_length, "GA94");
    if (stream_type == 0x81 && (atsc || has_registration(es_info, es_length, "AC-3")))
        return {"ac3", "AC-3 audio", Probe::ac3};
    if (stream_type == 0x87 && (atsc || has_registration(es_info, es_length, "EAC3") ||
                                has_registration(es_info, es_length, "AC-3")))
        return {"eac3", "E-AC-3 audio", Probe::ac3};
    if (const CodecId* id = registered(es_info, es_length))
        return *id;
    // HDMV (Blu-ray) assigns 0x82 to DTS, 0x85 and 0x86 to DTS-HD.
    if (has_registration(program_info, program_length, "HDMV") && (stream_type == 0x82 || stream_type == 0x85 ||
                                                                    stream_type == 0x86))
        return stream_type == 0x82 ? CodecId{"dts", "DTS audio", Probe::dts} : CodecId{"dts", "DTS-HD audio", Probe::dts};
    if (stream_type == 0x15 || stream_type == 0x06 || stream_type >= 0x80) {
        const CodecId id = by_dvb_descriptor(es_info, es_length);
        if (std::strcmp(id.codec, "unknown") != 0)
            return id;
    }
    // The ATSC types without a registration (A/52 Annex A, G): AC-3 or
    // E-AC-3 where the frames say so, for other systems use them too.
    if (stream_type == 0x81 || stream_type == 0x87)
        return {"unknown", "unknown", Probe::ac3};
    if (stream_type == 0x86)
        return {"scte_35", "SCTE 35 splice information", Probe::none};
    // Private data, or DTS as some systems type it, that no descriptor names: DTS where its frames are.
    if (stream_type == 0x06 || stream_type == 0x82)
        return {"unknown", "unknown", Probe::dts};
    return unknown;
}

std::vector<std::string> stream_languages(const unsigned char* es_info, std::size_t length)
{
    std::vector<std::string> languages;
    for_each_descriptor(es_info, length, [&](unsigned tag, const unsigned char* d, std::size_t n) {
        std::size_t entry = 0;
        switch (tag) {
        case 0x0A: entry = 4; break;
        case 0x59: entry = 8; break;
        case 0x56: case 0x46: entry = 5; break;
        default: return;
        }
        for (std::size_t i = 0; i + entry <= n; i += entry)
            languages.push_back(printable_ascii(d + i, 3, '?'));
    });
    return languages;
}

Probe probe_by_stream_id(unsigned stream_id)
{
    if (stream_id >= 0xE0 && stream_id <= 0xEF)
        return Probe::any_video;
    if (stream_id >= 0xC0 && stream_id <= 0xDF)
        return Probe::any_audio;
    return stream_id == 0xBD ? Probe::any_private : Probe::none;  // private_stream_1
}

}  // namespace ostrel
