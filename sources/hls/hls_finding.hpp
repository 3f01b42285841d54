// What the HLS checks find, by the names the --hls report prints: those of
// the playlist and its fetches (sources/hls), of the segments' bytes (pass),
// of the variant against its segments (reports/hls).
#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

enum class HlsIndicator : unsigned char {
    playlist, target_duration, segment_duration, segment_start, timestamp, discontinuity, fetch, bandwidth, codecs,
    media_sequence, playlist_stale,
};
inline constexpr unsigned hls_indicator_count = 11;

inline constexpr const char* hls_indicator_names[hls_indicator_count] = {
    "Playlist_error",   "Target_duration_error", "Segment_duration_error", "Segment_start_error",
    "Timestamp_error",  "Discontinuity_error",   "Fetch_error",            "Bandwidth_error",
    "Codecs_error",     "Media_sequence_error",  "Playlist_stale_error",
};

inline const char* hls_indicator_name(HlsIndicator i) { return hls_indicator_names[static_cast<unsigned>(i)]; }

inline constexpr std::uint64_t no_sequence = UINT64_MAX;
inline constexpr unsigned no_variant = ~0u;  // a finding of the multivariant playlist

struct HlsFinding {
    HlsIndicator indicator;
    unsigned variant;
    std::uint64_t sequence;  // the segment's media sequence number, or no_sequence (the playlist)
    double time_s;           // the segment's start in the playlist (its #EXTINF before it added up)
    std::string detail;
};

}  // namespace ostrel
