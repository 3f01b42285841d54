// The Prometheus text exposition format (version 0.0.4): a family's # HELP
// and # TYPE lines, then its samples, label values escaped as the format
// says (backslash, double quote and newline; any other UTF-8 as it is).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace ostrel {

using MetricLabels = std::initializer_list<std::pair<std::string_view, std::string_view>>;

struct MetricsText {
    std::string text;
    // # HELP and # TYPE ("counter", "gauge") of the family `name`.
    void family(std::string_view name, std::string_view help, std::string_view type);
    void sample(std::string_view name, double value, MetricLabels labels = {});
};

// A label value as the format writes it between its quotes.
std::string escaped_label(std::string_view value);

}  // namespace ostrel
