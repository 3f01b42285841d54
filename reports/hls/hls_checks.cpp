#include <cmath>

#include "output/output.hpp"
#include "reports/hls/hls_variant.hpp"

namespace ostrel {
namespace {

constexpr double pts_hz = 90000.0;
constexpr double least_duration_slack = 0.5;   // s: a measured duration may differ from #EXTINF by this,
constexpr double duration_slack_share = 0.10;  // or this share of it, whichever is larger
constexpr double audio_frame_fallback = 0.05;  // s: an audio frame whose length is unknown
constexpr double pts_jump_limit = 1.0;         // s: a step beyond this is a discontinuity
constexpr double pcr_step_limit = 0.1;         // s: a PCR step across a boundary within 0 to this runs on

void add(VariantResult& v, HlsIndicator indicator, const SegmentRecord& s, std::string detail)
{
    v.findings.push_back(
        HlsFinding{indicator, v.index, s.entry.segment.sequence, s.entry.playlist_time, std::move(detail)});
}

bool read_with_pts(const SegmentRecord& s) { return s.entry.failure.empty() && s.figures.pts.seen; }

// Where a segment's stream ends: its latest PTS and what that PES packet holds.
double end_pts(const SegmentRecord& s) { return s.figures.pts.high / pts_hz + s.figures.last_duration; }

// The next segment of the same discontinuity sequence, read after this one
// without a restart; `broken`: the boundary turned out discontinuous all the same.
bool runs_on(const SegmentRecord& s, const SegmentRecord& next, bool broken)
{
    return !broken && !next.entry.restart &&
           next.entry.segment.discontinuity_sequence == s.entry.segment.discontinuity_sequence;
}

// Each segment's duration: to the next one's earliest PTS where the stream
// runs on into it, else its own PTS span and what its last PES packet holds.
void measure(VariantResult& v, const std::vector<bool>& broken)
{
    for (std::size_t i = 0; i < v.segments.size(); ++i) {
        SegmentRecord& s = v.segments[i];
        if (!read_with_pts(s))
            continue;
        const SegmentRecord* next = i + 1 < v.segments.size() ? &v.segments[i + 1] : nullptr;
        if (next != nullptr && runs_on(s, *next, broken[i]) && read_with_pts(*next) &&
            next->figures.video == s.figures.video)
            s.duration = static_cast<double>(next->figures.pts.low - s.figures.pts.low) / pts_hz;
        else if (s.figures.last_duration > 0)
            s.duration = end_pts(s) - s.figures.pts.low / pts_hz;
    }
}

void check_one(VariantResult& v, const SegmentRecord& s, const Playlist& p, const HlsCheckOptions& o)
{
    const double extinf = s.entry.segment.extinf;
    if (p.target_given && std::floor(extinf + 0.5) > static_cast<double>(p.target_duration))
        add(v, HlsIndicator::target_duration, s,
            formatted("#EXTINF %.3f s, rounded above #EXT-X-TARGETDURATION %llu s", extinf,
                 static_cast<unsigned long long>(p.target_duration)));
    if (!s.entry.failure.empty())
        return;
    if (s.duration >= 0 && std::fabs(s.duration - extinf) > std::max(least_duration_slack, duration_slack_share * extinf))
        add(v, HlsIndicator::segment_duration, s, formatted("measured %.3f s, #EXTINF %.3f s", s.duration, extinf));
    const SegmentFigures& f = s.figures;
    if (!f.pat)
        add(v, HlsIndicator::segment_start, s, "no PAT before its first PES packet");
    if (!f.pmt)
        add(v, HlsIndicator::segment_start, s, "no PMT before its first PES packet");
    if ((p.independent_segments || o.every_rap) && f.has_video && !f.rap)
        add(v, HlsIndicator::segment_start, s, "its video does not start at a random access point");
}

// The boundary from `s` into `next`, both read; true when it breaks without being marked.
bool check_boundary(VariantResult& v, const SegmentRecord& s, const SegmentRecord& next)
{
    const SegmentFigures& n = next.figures;
    const bool pts_known = read_with_pts(s) && read_with_pts(next) && s.figures.video == n.video;
    const double gap = pts_known ? n.pts.low / pts_hz - end_pts(s) : 0;
    const bool pcr_jumps = n.pcr_step_known && (n.pcr_step < 0 || n.pcr_step > pcr_step_limit);
    if (!next.entry.restart) {
        std::string why;
        if (n.cc_break)
            why = formatted("continuity_counter breaks on PID '%04X'h", n.cc_pid);
        else if (pcr_jumps)
            why = formatted("PCR steps %.3f ms, expected 0 to 100 ms", n.pcr_step * 1e3);
        else if (std::fabs(gap) > pts_jump_limit)
            why = formatted("PTS %s of %.3f s", gap > 0 ? "gap" : "overlap", std::fabs(gap));
        if (!why.empty()) {
            add(v, HlsIndicator::discontinuity, next, why + " without #EXT-X-DISCONTINUITY");
            return true;
        }
        const double frame = n.frame_duration > 0 ? n.frame_duration : (n.video ? 0 : audio_frame_fallback);
        if (pts_known && frame > 0 && std::fabs(gap) > frame + 1e-9)
            add(v, HlsIndicator::timestamp, next,
                formatted("PTS %s of %.3f ms after the segment before, more than one %s (%.3f ms)",
                     gap > 0 ? "gap" : "overlap", std::fabs(gap) * 1e3, n.video ? "frame" : "audio frame", frame * 1e3));
        return false;
    }
    if (next.entry.segment.discontinuity && !n.cc_break && n.pcr_step_known && !pcr_jumps && pts_known &&
        std::fabs(gap) <= pts_jump_limit)
        add(v, HlsIndicator::discontinuity, next, "#EXT-X-DISCONTINUITY where counters, PCR and PTS all run on");
    return false;
}

}  // namespace

void check_segments(VariantResult& v, const Playlist& p, const HlsCheckOptions& options)
{
    std::vector<bool> broken(v.segments.size(), false);
    for (std::size_t i = 0; i + 1 < v.segments.size(); ++i) {
        if (v.segments[i].entry.failure.empty() && v.segments[i + 1].entry.failure.empty())
            broken[i] = check_boundary(v, v.segments[i], v.segments[i + 1]);
    }
    measure(v, broken);
    for (const SegmentRecord& s : v.segments) {
        v.duration += s.entry.segment.extinf;
        check_one(v, s, p, options);
    }
}

}  // namespace ostrel
