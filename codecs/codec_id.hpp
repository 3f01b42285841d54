// Which codec a stream carries, from its stream_type (ISO/IEC 13818-1 as it
// stands today and the common system-specific ones), then its registration
// descriptor, then its DVB descriptors: the first that names one. And the
// languages its descriptors give.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ostrel {

// The probes; the last three, for a PES stream no map table names, try the
// formats its stream_id allows and name the codec they find.
enum class Probe : unsigned char {
    none, mpeg1_video, mpeg2_video, h264, hevc, adts, mpeg_audio, ac3, dts, latm, any_video, any_audio, any_private
};

inline bool probe_is_video(Probe kind)
{
    return kind == Probe::mpeg1_video || kind == Probe::mpeg2_video || kind == Probe::h264 || kind == Probe::hevc ||
           kind == Probe::any_video;
}

inline bool probe_is_audio(Probe kind)
{
    return kind == Probe::adts || kind == Probe::mpeg_audio || kind == Probe::ac3 || kind == Probe::dts ||
           kind == Probe::latm || kind == Probe::any_audio;
}

// The probe for a PES stream of `stream_id` that no map table names.
Probe probe_by_stream_id(unsigned stream_id);

struct CodecId {
    const char* codec;  // a short name as media tools use them; "unknown" where nothing says
    const char* text;   // in words
    Probe probe;        // the header probe that reads its format
};

// `es_info` and `program_info`: the descriptor loops of the stream and of its program.
CodecId identify_codec(unsigned stream_type, const unsigned char* es_info, std::size_t es_length,
                       const unsigned char* program_info, std::size_t program_length);

// ISO 639 codes from ISO_639_language, subtitling, teletext and VBI_teletext descriptors, in order.
std::vector<std::string> stream_languages(const unsigned char* es_info, std::size_t length);

}  // namespace ostrel
