// The parts of the page of --html:.
#pragma once

#include <string>
#include <string_view>

#include "reports/html/chart_series.hpp"
#include "output/output.hpp"

namespace ostrel {

// The charts of the intervals: bitrate by PID, total bitrate, PCR interval
// and accuracy with their limits, findings by priority.
void put_charts(Output& out, const ChartSeries& c);

// The page around its parts: `summary` and `check` are text, shown as it is.
void put_page_head(Output& out, std::string_view title);
void put_text_section(Output& out, std::string_view heading, std::string_view text);
void put_page_end(Output& out);

}  // namespace ostrel
