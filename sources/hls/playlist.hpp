// An HLS playlist (RFC 8216) as its lines say: a media playlist's segments
// with their durations, sequence numbers and discontinuities, or a
// multivariant playlist's variants and renditions. Lines the RFC does not
// allow are kept as problems with their line numbers; tags it does not know
// are passed over, as clients must.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

struct PlaylistProblem {
    unsigned line;
    std::string text;
};

struct MediaSegment {
    std::string uri;
    double extinf = 0;            // seconds
    std::uint64_t sequence = 0;   // media sequence number
    std::uint64_t discontinuity_sequence = 0;
    bool discontinuity = false;   // #EXT-X-DISCONTINUITY before it
    bool ranged = false;          // #EXT-X-BYTERANGE: `range_length` bytes from `range_offset`
    std::uint64_t range_length = 0, range_offset = 0;
    std::string key_method;       // of the #EXT-X-KEY over it, "" for none (or NONE)
    bool initialised = false;     // an #EXT-X-MAP before it: its bytes are fragmented MP4
    unsigned line = 0;            // of its URI
};

struct VariantStream {
    std::string uri;
    std::uint64_t bandwidth = 0;          // bit/s, the peak
    std::uint64_t average_bandwidth = 0;  // 0 when not given
    int width = -1, height = -1;          // RESOLUTION
    std::string codecs;                   // CODECS, as written
    double frame_rate = 0;                // FRAME-RATE, 0 when not given
    std::string audio;                    // AUDIO group
    unsigned line = 0;
};

struct Rendition {
    std::string type, group, name, language, uri;
    bool is_default = false;
    unsigned line = 0;
};

struct Playlist {
    bool multivariant = false;   // variants, no segments
    unsigned version = 1;        // #EXT-X-VERSION, 1 when not given
    bool target_given = false;
    std::uint64_t target_duration = 0;  // #EXT-X-TARGETDURATION, whole seconds
    std::uint64_t media_sequence = 0;   // of the first segment
    std::uint64_t discontinuity_sequence = 0;
    bool endlist = false;
    bool independent_segments = false;
    std::string playlist_type;   // "VOD", "EVENT" or ""
    std::vector<MediaSegment> segments;
    std::vector<VariantStream> variants;
    std::vector<Rendition> renditions;
    std::vector<PlaylistProblem> problems;
};

// Reads a playlist's text. Never fails: what cannot be read is a problem.
Playlist parse_playlist(std::string_view text);

// Whether `text` begins as a playlist does (#EXTM3U, after a UTF-8 byte order mark).
bool looks_like_playlist(std::string_view text);

}  // namespace ostrel
