// What --hls finds of one variant: its segments as measured, its findings,
// its bitrates and codecs against what the multivariant playlist says.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pass/segments.hpp"
#include "sources/hls/hls_finding.hpp"
#include "sources/hls/playlist.hpp"

namespace ostrel {

struct Analysis;

struct SegmentRecord {
    SegmentEntry entry;  // the playlist's word and the fetch's; entry.segment.uri and the rest
    SegmentFigures figures;
    double duration = -1;  // measured, s; negative when the PTS do not tell it
};

struct VariantResult {
    unsigned index = 0;
    bool listed = false;    // a variant of a multivariant playlist (else the media playlist itself)
    VariantStream stream;   // as listed
    std::string uri;        // of its media playlist
    bool read = false;      // its media playlist could be read
    std::vector<SegmentRecord> segments;
    std::vector<HlsFinding> findings;
    double peak_bps = -1, mean_bps = -1;  // negative when no segment with an #EXTINF was read
    std::string codecs_found;             // as CODECS would name them: "avc1.64001F,mp4a.40.2"
    double duration = 0;                  // the #EXTINF added up
};

struct HlsCheckOptions {
    bool every_rap;  // --all: each segment's video must start at a random access point
};

// The measured durations, then every check of the segments against the
// playlist (`p`: the media playlist as last loaded) and each other.
void check_segments(VariantResult& v, const Playlist& p, const HlsCheckOptions& options);
// Bitrates, and CODECS, RESOLUTION and FRAME-RATE against the streams the pass found.
void check_variant(VariantResult& v, const Analysis& a, bool audio_elsewhere);

}  // namespace ostrel
