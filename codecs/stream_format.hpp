// What the first headers of an elementary stream say of its picture or
// sound. A field the headers do not establish stays unknown (-1, 0 or "").
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

struct StreamFormat {
    bool known = false;  // a header was read whole
    // Picture
    char profile[32] = "";
    char level[16] = "";
    int width = -1, height = -1;
    double frame_rate = 0;  // frames a second; 0 unknown
    int interlaced = -1;    // 0 progressive, 1 interlaced
    const char* chroma_format = "";  // "4:2:0"
    int bit_depth = -1;
    const char* aspect_ratio = "";   // MPEG-2 display aspect ratio: "16:9"
    // H.264's SPS as RFC 6381 names a stream by it (avc1.PPCCLL): profile_idc,
    // the constraint_set flags byte, level_idc; -1 unknown.
    int profile_idc = -1, constraint_flags = -1, level_idc = -1;
    // Sound
    int sample_rate = -1;
    int channels = -1;  // LFE included
    int lfe = -1;       // 0 or 1
    long bitrate = -1;  // bit/s, where the header states it
    int layer = -1;     // MPEG audio
    const char* channel_mode = "";  // "stereo", "3/2", ...
    int object_type = -1;  // AAC's audio object type (2: LC), as in mp4a.40.N; -1 unknown
    // Where the headers show another codec than the stream type names (AAC in
    // ADTS under an MPEG audio type, MPEG-1 video under 0x02): its short name.
    const char* codec = nullptr;
    const char* codec_text = nullptr;
};

// The header probes, each on elementary stream bytes from the start of a
// PES payload; true when the format was read (then `f` holds it).
bool probe_mpeg_video(const unsigned char* es, std::size_t size, bool mpeg2, StreamFormat& f);
bool probe_h264(const unsigned char* es, std::size_t size, StreamFormat& f);
bool probe_hevc(const unsigned char* es, std::size_t size, StreamFormat& f);
bool probe_adts(const unsigned char* es, std::size_t size, StreamFormat& f);
bool probe_mpeg_audio(const unsigned char* es, std::size_t size, StreamFormat& f);
bool probe_ac3(const unsigned char* es, std::size_t size, StreamFormat& f);  // AC-3 and E-AC-3
bool probe_dts(const unsigned char* es, std::size_t size, StreamFormat& f);  // the DTS core frame
bool probe_latm(const unsigned char* es, std::size_t size, StreamFormat& f);  // AAC in LOAS/LATM

}  // namespace ostrel
