#include "output/metrics_text.hpp"

#include <cmath>
#include <cstdio>

#include "ts/utf8.hpp"

namespace ostrel {

std::string escaped_label(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

void MetricsText::family(std::string_view name, std::string_view help, std::string_view type)
{
    text.append("# HELP ").append(name).append(" ").append(help).append("\n");
    text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void MetricsText::sample(std::string_view name, double value, MetricLabels labels)
{
    text.append(name);
    if (labels.size() > 0) {
        text += '{';
        bool first = true;
        for (const auto& [label, v] : labels) {
            if (!first)
                text += ',';
            first = false;
            // Bytes that are not UTF-8 would make the exposition unreadable: replaced.
            text.append(label).append("=\"").append(escaped_label(valid_utf8(v))).append("\"");
        }
        text += '}';
    }
    char number[40];
    if (std::isnan(value))
        std::snprintf(number, sizeof number, " NaN\n");
    else if (std::isinf(value))
        std::snprintf(number, sizeof number, value > 0 ? " +Inf\n" : " -Inf\n");
    else if (value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(number, sizeof number, " %.0f\n", value);
    else
        std::snprintf(number, sizeof number, " %.9g\n", value);
    text.append(number);
}

}  // namespace ostrel
