// The segments of a playlist as the pass meets them: for each, what its
// bytes begin with (a PAT, a PMT, a picture a decoder can start from), the
// PTS its video (else its audio) spans, and how its first packets follow
// the last ones of the segment before (continuity counters, the PCR). Where
// the playlist marks a discontinuity, or a segment could not be read, the
// pass's checks start again. Each segment goes to the listener when the
// next begins or the input ends.
#pragma once

#include <cstdint>

#include "sources/hls/segment_log.hpp"
#include "ts/pids.hpp"

namespace ostrel {

struct Analysis;
struct Packet;

// The PTS of one stream in a segment, unwrapped (90 kHz, continuous across the 33-bit wrap).
struct PtsSpan {
    bool seen = false;
    std::int64_t low = 0, high = 0;  // the earliest and the latest
    std::int64_t step = 0;           // between its last two PES packets, 0 unknown
    std::int64_t last = 0;
};

struct SegmentFigures {
    const SegmentEntry* entry = nullptr;  // what the playlist and the fetch say of it
    std::uint64_t bytes = 0;
    bool pat = false, pmt = false;  // a section of each began before the first PES packet
    bool pes_seen = false;
    bool has_video = false;
    bool rap = false;               // its video's first PES packet starts at a random access point
    bool video = false;             // `pts` is the video's, else the audio's
    PtsSpan pts;
    double frame_duration = 0;      // s: a picture, or an audio frame; 0 unknown
    double last_duration = 0;       // s: what the last PES packet holds; 0 unknown
    // Against the segment before
    bool cc_break = false;
    unsigned cc_pid = no_pid;
    bool pcr_step_known = false;
    double pcr_step = 0;            // s, from the last PCR before to the first in it
};

// Where a random access point is looked for in the first PES packet of the video.
struct RapScan {
    bool on = false;
    unsigned packets_left = 0;
    unsigned tail = 0xFFFFFF;  // the last three bytes seen, for a start code split between packets
    bool after_header = false; // the PES header has been passed
};

struct SegmentTracker {
    SegmentEntry entry;
    bool open = false;
    SegmentFigures figures;
    unsigned video_pid = no_pid, audio_pid = no_pid;  // chosen once: the first of each with a PTS
    PtsSpan video, audio;
    bool video_unwrapped = false, audio_unwrapped = false;
    std::uint64_t video_raw = 0, audio_raw = 0;
    std::int64_t video_at = 0, audio_at = 0;
    RapScan rap;
    unsigned pcr_pid = no_pid;
    bool pcr_known = false, pcr_in_segment = false;
    std::uint64_t last_pcr = 0;
    std::uint32_t pid_segment[pid_count] = {};  // the segment (number + 1) of each PID's last packet
};

// Starts tracking the segments of `log` (false when out of memory).
bool track_segments(Analysis& a, SegmentLog& log);
void untrack_segments(Analysis& a);
// The segments that begin at or before `offset` (the packet's own included).
void enter_segments(Analysis& a, std::uint64_t offset);
// A packet looked at one by one, before the analysis takes it (the segments
// it reaches entered first).
void segment_packet(Analysis& a, SegmentTracker& t, const Packet& packet);
// The input has ended: the segments left go to the listener.
void finish_segments(Analysis& a);

}  // namespace ostrel
