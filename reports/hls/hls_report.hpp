// --hls: a playlist's segments against the playlist and each other. For a
// multivariant playlist every variant in turn, for a media playlist that
// one: a table of the variants, a line per segment, the findings with their
// segment and time, a table of counts; status 1 on any finding.
#pragma once

#include <vector>

#include "reports/hls/hls_variant.hpp"
#include "reports/report.hpp"

namespace ostrel {

struct HlsOptions {
    bool json;
    bool all;  // every finding in the text, and every segment's video checked for a random access point
};

struct HlsReport final : TextReport {
    explicit HlsReport(const HlsOptions& asked) : options(asked) {}
    HlsOptions options;

protected:
    ReportEnd write(const ReportRun& run, SyncLog& log) override;
};

// The writers: `top` holds the findings of the multivariant playlist itself.
void put_hls_text(Output& out, const std::vector<HlsFinding>& top, const std::vector<VariantResult>& variants, bool all);
void put_hls_json(Output& out, const std::vector<HlsFinding>& top, const std::vector<VariantResult>& variants);

}  // namespace ostrel
