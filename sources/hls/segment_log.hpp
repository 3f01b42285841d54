// The segments of a playlist as its source hands their bytes on: where each
// begins in the one stream the packet loop reads, what the playlist says of
// it, and whether it could be read. The source adds an entry before the
// first byte of its segment; the pass takes entries as its packets reach
// them, so that the log holds only the segments of the bytes read ahead.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "sources/hls/playlist.hpp"

namespace ostrel {

struct SegmentEntry {
    std::uint64_t offset = 0;   // of its first byte in the stream
    std::uint64_t number = 0;   // segments before it in the run
    unsigned variant = 0;       // the variant read (0 for a media playlist)
    MediaSegment segment;
    double playlist_time = 0;   // the #EXTINF durations before it, added up
    bool restart = false;       // the checks start again: a discontinuity tag, or a failed segment before it
    std::string failure;        // why its bytes could not be read; "" when they were
};

struct SegmentLog {
    std::deque<SegmentEntry> entries;
    std::uint64_t next_offset = UINT64_MAX;  // of the first entry, or none

    void push(SegmentEntry entry)
    {
        if (entries.empty())
            next_offset = entry.offset;
        entries.push_back(std::move(entry));
    }
    void pop()
    {
        entries.pop_front();
        next_offset = entries.empty() ? UINT64_MAX : entries.front().offset;
    }
};

}  // namespace ostrel
