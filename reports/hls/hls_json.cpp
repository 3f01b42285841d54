#include "output/json_line.hpp"
#include "reports/hls/hls_report.hpp"

namespace ostrel {
namespace {

using nlohmann::json;

json number_or_null(double value) { return value < 0 ? json(nullptr) : json(value); }
json count_or_null(std::uint64_t value) { return value == 0 ? json(nullptr) : json(value); }
json variant_of(unsigned variant) { return variant == no_variant ? json(nullptr) : json(variant); }

json segment_json(const VariantResult& v, const SegmentRecord& r)
{
    const MediaSegment& m = r.entry.segment;
    const SegmentFigures& f = r.figures;
    const bool read = r.entry.failure.empty();
    json j = {
        {"variant", v.index},
        {"sequence", m.sequence},
        {"uri", m.uri},
        {"extinf", m.extinf},
        {"duration_s", number_or_null(r.duration)},
        {"bytes", read ? json(f.bytes) : json(nullptr)},
        {"bitrate_bps", read && m.extinf > 0 ? json(static_cast<double>(f.bytes) * 8 / m.extinf) : json(nullptr)},
        {"starts_with_pat", read ? json(f.pat) : json(nullptr)},
        {"starts_with_pmt", read ? json(f.pmt) : json(nullptr)},
        {"starts_with_rap", read && f.has_video ? json(f.rap) : json(nullptr)},
        {"discontinuity", m.discontinuity},
        {"discontinuity_sequence", m.discontinuity_sequence},
        {"fetch_error", read ? json(nullptr) : json(r.entry.failure)},
    };
    return j;
}

json finding_json(const HlsFinding& f)
{
    return {{"variant", variant_of(f.variant)},
            {"sequence", f.sequence == no_sequence ? json(nullptr) : json(f.sequence)},
            {"indicator", hls_indicator_name(f.indicator)},
            {"detail", f.detail},
            {"time_s", f.sequence == no_sequence ? json(nullptr) : json(f.time_s)}};
}

json variant_json(const VariantResult& v)
{
    const VariantStream& s = v.stream;
    return {{"variant", v.index},
            {"uri", v.listed ? json(v.uri) : json(nullptr)},
            {"bandwidth", count_or_null(s.bandwidth)},
            {"average_bandwidth", count_or_null(s.average_bandwidth)},
            {"peak_bps", number_or_null(v.peak_bps)},
            {"mean_bps", number_or_null(v.mean_bps)},
            {"resolution", s.width > 0 ? json(std::to_string(s.width) + "x" + std::to_string(s.height)) : json(nullptr)},
            {"codecs", s.codecs.empty() ? json(nullptr) : json(s.codecs)},
            {"codecs_found", v.codecs_found},
            {"segments", v.segments.size()},
            {"duration_s", v.duration}};
}

}  // namespace

void put_hls_json(Output& out, const std::vector<HlsFinding>& top, const std::vector<VariantResult>& variants)
{
    std::uint64_t counts[hls_indicator_count] = {};
    for (const HlsFinding& f : top) {
        put_json_line(out, finding_json(f));
        ++counts[static_cast<unsigned>(f.indicator)];
    }
    json list = json::array();
    for (const VariantResult& v : variants) {
        for (const SegmentRecord& r : v.segments)
            put_json_line(out, segment_json(v, r));
        for (const HlsFinding& f : v.findings) {
            put_json_line(out, finding_json(f));
            ++counts[static_cast<unsigned>(f.indicator)];
        }
        list.push_back(variant_json(v));
    }
    json by_indicator = json::object();
    for (unsigned i = 0; i < hls_indicator_count; ++i)
        by_indicator[hls_indicator_names[i]] = counts[i];
    put_json_line(out, {{"hls_summary", {{"variants", list}, {"counts", by_indicator}}}});
}

}  // namespace ostrel
