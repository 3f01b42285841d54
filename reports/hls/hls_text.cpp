#include <cinttypes>
#include <map>

#include "reports/hls/hls_report.hpp"

namespace ostrel {
namespace {

constexpr std::uint64_t shown_per_kind = 10;  // findings of one indicator in one variant printed

std::string number_or_dash(double value, const char* format)
{
    if (value < 0)
        return "-";
    char t[32];
    std::snprintf(t, sizeof t, format, value);
    return t;
}

std::string count_or_dash(std::uint64_t value)
{
    return value == 0 ? "-" : std::to_string(value);
}

const char* yes_no(bool known, bool value) { return !known ? "-" : (value ? "yes" : "no"); }

void put_variant_table(Output& out, const std::vector<VariantResult>& variants)
{
    out_text(out, "=> Variant  BANDWIDTH   AVERAGE     Peak bit/s  Mean bit/s  RESOLUTION  Segments  Duration    "
                  "CODECS; found\n");
    for (const VariantResult& v : variants) {
        const VariantStream& s = v.stream;
        const std::string resolution =
            s.width > 0 ? std::to_string(s.width) + "x" + std::to_string(s.height) : std::string("-");
        out_format(out, "   %-8u %-11s %-11s %-11s %-11s %-11s %-9zu %-11s %s; %s\n", v.index,
                   count_or_dash(s.bandwidth).c_str(), count_or_dash(s.average_bandwidth).c_str(),
                   number_or_dash(v.peak_bps, "%.0f").c_str(), number_or_dash(v.mean_bps, "%.0f").c_str(),
                   resolution.c_str(), v.segments.size(), number_or_dash(v.duration, "%.3f s").c_str(),
                   s.codecs.empty() ? "-" : s.codecs.c_str(), v.codecs_found.empty() ? "-" : v.codecs_found.c_str());
    }
}

void put_segment(Output& out, const SegmentRecord& r)
{
    const MediaSegment& m = r.entry.segment;
    if (m.discontinuity)
        out_format(out, "   #EXT-X-DISCONTINUITY (discontinuity sequence %" PRIu64 ")\n", m.discontinuity_sequence);
    const bool read = r.entry.failure.empty();
    const SegmentFigures& f = r.figures;
    const double rate = read && m.extinf > 0 ? static_cast<double>(f.bytes) * 8 / m.extinf : -1;
    out_format(out, "   %-9" PRIu64 " %-9.3f %-9s %-10s %-10s %-4s %-4s %-4s %s%s%s\n", m.sequence, m.extinf,
               number_or_dash(r.duration, "%.3f").c_str(), read ? std::to_string(f.bytes).c_str() : "-",
               number_or_dash(rate, "%.0f").c_str(), yes_no(read, f.pat), yes_no(read, f.pmt),
               yes_no(read && f.has_video, f.rap), m.uri.c_str(), read ? "" : " (not read: ",
               read ? "" : (r.entry.failure + ")").c_str());
}

void put_finding(Output& out, const HlsFinding& f)
{
    if (f.variant != no_variant)
        out_format(out, "variant %u, ", f.variant);
    if (f.sequence == no_sequence)
        out_text(out, "playlist, ");
    else
        out_format(out, "segment %" PRIu64 ", at %.3f s, ", f.sequence, f.time_s);
    out_text(out, hls_indicator_name(f.indicator));
    out_text(out, ": ");
    out_text(out, f.detail);
    out_text(out, "\n");
}

struct Counts {
    std::uint64_t by_indicator[hls_indicator_count] = {};
    std::uint64_t withheld[hls_indicator_count] = {};
    std::map<std::pair<unsigned, unsigned>, std::uint64_t> withheld_by_variant;  // (variant, indicator)
};

void put_findings(Output& out, const std::vector<HlsFinding>& findings, bool all, Counts& c)
{
    std::uint64_t printed[hls_indicator_count] = {};
    for (const HlsFinding& f : findings) {
        const unsigned i = static_cast<unsigned>(f.indicator);
        ++c.by_indicator[i];
        if (!all && ++printed[i] > shown_per_kind) {
            ++c.withheld[i];
            ++c.withheld_by_variant[{f.variant, i}];
            continue;
        }
        put_finding(out, f);
    }
}

void put_counts(Output& out, const Counts& c)
{
    out_text(out, "=> Indicator               Errors\n");
    std::uint64_t total = 0;
    for (unsigned i = 0; i < hls_indicator_count; ++i) {
        out_format(out, "   %-23s '%" PRIu64 "'d", hls_indicator_names[i], c.by_indicator[i]);
        if (c.withheld[i] > 0)
            out_format(out, " ('%" PRIu64 "'d more not shown)", c.withheld[i]);
        out_text(out, "\n");
        total += c.by_indicator[i];
    }
    if (!c.withheld_by_variant.empty()) {
        out_text(out, "=> Not shown:");
        const char* separator = " ";
        for (const auto& [key, n] : c.withheld_by_variant) {
            out_format(out, "%s%s in variant %u ('%" PRIu64 "'d)", separator, hls_indicator_names[key.second], key.first, n);
            separator = "; ";
        }
        out_text(out, " (--all prints every finding)\n");
    }
    if (total == 0)
        out_text(out, "OK\n");
    else
        out_format(out, "%" PRIu64 " error%s\n", total, total == 1 ? "" : "s");
}

}  // namespace

void put_hls_text(Output& out, const std::vector<HlsFinding>& top, const std::vector<VariantResult>& variants, bool all)
{
    put_variant_table(out, variants);
    Counts counts;
    put_findings(out, top, all, counts);
    for (const VariantResult& v : variants) {
        out_format(out, "=> Segments of variant %u%s%s%s\n", v.index, v.uri.empty() ? "" : " (", v.uri.c_str(),
                   v.uri.empty() ? "" : ")");
        if (!v.segments.empty())
            out_text(out, "   Sequence  EXTINF    Measured  Bytes      Bit/s      PAT  PMT  RAP  URI\n");
        for (const SegmentRecord& r : v.segments)
            put_segment(out, r);
        put_findings(out, v.findings, all, counts);
    }
    put_counts(out, counts);
}

}  // namespace ostrel
