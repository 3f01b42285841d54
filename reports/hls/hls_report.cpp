#include "reports/hls/hls_report.hpp"

#include <algorithm>

#include "pass/pass.hpp"
#include "sources/hls/hls_input.hpp"

namespace ostrel {
namespace {

// The segments of one variant as the pass finishes them.
struct SegmentSink final : PassListener {
    explicit SegmentSink(VariantResult& result) : v(result) {}
    VariantResult& v;
    void segment(const Analysis&, const SegmentFigures& figures) override
    {
        v.segments.push_back(SegmentRecord{*figures.entry, figures, -1});
        v.segments.back().figures.entry = nullptr;  // the record's own entry is the one to read
    }
};

// Whether the renditions of the variant's AUDIO group have playlists of their own.
bool audio_elsewhere(const Playlist& top, const VariantStream& v)
{
    if (v.audio.empty())
        return false;
    return std::any_of(top.renditions.begin(), top.renditions.end(), [&](const Rendition& r) {
        return r.type == "AUDIO" && r.group == v.audio && !r.uri.empty();
    });
}

void fetch_failed(VariantResult& v, std::string detail)
{
    v.findings.push_back(HlsFinding{HlsIndicator::fetch, v.index, no_sequence, 0, std::move(detail)});
}

// Reads the media playlist of variant `index` (the playlist named itself when not `listed`) through the pass.
VariantResult read_variant(const ReportRun& run, const HlsInput& in, unsigned index, bool listed, bool every_rap)
{
    VariantResult v;
    v.index = index;
    v.listed = listed;
    std::string location = in.location, text = in.text, error;
    if (listed) {
        v.stream = in.playlist.variants[index];
        v.uri = v.stream.uri;
        location = resolve_location(in.location, v.uri);
        if (!in.fetcher->fetch(location, FetchRange{}, playlist_limit, text, error)) {
            fetch_failed(v, "the media playlist " + v.uri + ": " + error);
            return v;
        }
        if (!looks_like_playlist(text)) {
            fetch_failed(v, "the media playlist " + v.uri + ": not a playlist (no #EXTM3U)");
            return v;
        }
        if (parse_playlist(text).multivariant) {
            fetch_failed(v, "the media playlist " + v.uri + ": a multivariant playlist");
            return v;
        }
    }
    v.read = true;
    HlsSource source(*in.fetcher, location, index, text, in.settings);
    SegmentSink sink(v);
    Analysis* const a = new_analysis(&sink);
    if (a == nullptr)
        return v;
    const PacketInput packets{nullptr, run.in.block, run.in.block_bytes, run.in.read_piece, true, nullptr, &source,
                              run.in.tap};
    run_pass(packets, *a, run.err);
    v.findings = source.findings();
    check_segments(v, source.playlist(), HlsCheckOptions{every_rap});
    check_variant(v, *a, listed && audio_elsewhere(in.playlist, v.stream));
    // In stream order: by the segment's time, a segment's own before the variant's.
    std::stable_sort(v.findings.begin(), v.findings.end(), [](const HlsFinding& x, const HlsFinding& y) {
        return x.time_s != y.time_s ? x.time_s < y.time_s : x.sequence < y.sequence;
    });
    delete_analysis(a);
    return v;
}

}  // namespace

ReportEnd HlsReport::write(const ReportRun& run, SyncLog& log)
{
    const HlsInput& in = *run.hls;
    std::vector<HlsFinding> top;
    std::vector<VariantResult> variants;
    if (in.playlist.multivariant) {
        for (const PlaylistProblem& p : in.playlist.problems)
            top.push_back(HlsFinding{HlsIndicator::playlist, no_variant, no_sequence, 0,
                                     "line " + std::to_string(p.line) + ": " + p.text});
        for (unsigned i = 0; i < in.playlist.variants.size(); ++i)
            variants.push_back(read_variant(run, in, i, true, options.all));
    } else {
        variants.push_back(read_variant(run, in, 0, false, options.all));
    }
    if (options.json)
        put_hls_json(log.out, top, variants);
    else
        put_hls_text(log.out, top, variants, options.all);
    bool any = !top.empty();
    for (const VariantResult& v : variants)
        any = any || !v.findings.empty();
    return any ? ReportEnd::findings : ReportEnd::done;
}

}  // namespace ostrel
