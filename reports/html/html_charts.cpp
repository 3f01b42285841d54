#include <algorithm>
#include <vector>

#include "reports/html/html_page.hpp"
#include "output/svg_chart.hpp"

namespace ostrel {
namespace {

constexpr const char* palette[chart_pid_series] = {"#4e79a7", "#f28e2b", "#59a14f", "#e15759", "#76b7b2", "#edc948",
                                                   "#b07aa1", "#ff9da7", "#9c755f", "#86bcb6", "#d37295", "#8c8c8c"};
constexpr const char* priority_colours[3] = {"#c0392b", "#e67e22", "#2f6fb0"};
constexpr double pcr_repetition_limit_ms = 40, pcr_accuracy_limit_ns = 500;

// Each point as a step: its value from its start to its end.
struct Steps {
    std::vector<double> x, low, high;
};

Steps steps_of(const ChartSeries& c)
{
    Steps s;
    for (unsigned i = 0; i < c.count; ++i) {
        s.x.push_back(c.points[i].start_s);
        s.x.push_back(c.points[i].start_s + c.points[i].duration_s);
    }
    s.low.assign(s.x.size(), 0);
    s.high.assign(s.x.size(), 0);
    return s;
}

void set_step(Steps& s, unsigned i, double value) { s.high[2 * i] = s.high[2 * i + 1] = value; }

void put_heading(Output& out, std::string_view heading, std::string_view note)
{
    out_text(out, "<section>\n<h2>");
    put_escaped(out, heading);
    out_text(out, "</h2>\n");
    if (!note.empty()) {
        out_text(out, "<p class=\"note\">");
        put_escaped(out, note);
        out_text(out, "</p>\n");
    }
}

void put_bitrates(Output& out, const ChartSeries& c)
{
    Steps s = steps_of(c);
    double top = 0;
    for (unsigned i = 0; i < c.count; ++i)
        top = std::max(top, chart_bitrate(c, c.points[i], c.points[i].packets));
    put_heading(out, "Bitrate of each PID", "Stacked: the top edge is the bitrate of the whole stream.");
    const SvgChart chart{chart_span(c), top * 1.05, 200};
    svg_begin(out, chart, "Bitrate of each PID over time", "bit/s");
    const ChartLegend legend = chart_legend(c);
    const unsigned series = legend.count + (legend.others ? 1 : 0);
    const auto packets = [&legend](const ChartPoint& p, unsigned k) {
        return k < legend.count ? p.pid_packets[legend.slots[k]] : other_packets(p, legend);
    };
    for (unsigned k = 0; k < series; ++k) {
        const unsigned colour = k < legend.count ? k : chart_pid_series - 1;
        for (unsigned i = 0; i < c.count; ++i) {
            s.low[2 * i] = s.low[2 * i + 1] = s.high[2 * i];
            set_step(s, i, s.high[2 * i] + chart_bitrate(c, c.points[i], packets(c.points[i], k)));
        }
        svg_series(out, chart, s.x.data(), s.low.data(), s.high.data(), static_cast<unsigned>(s.x.size()), palette[colour]);
    }
    svg_end(out);
    out_text(out, "<ul class=\"legend\">\n");
    for (unsigned k = 0; k < series; ++k) {
        out_format(out, "<li><span class=\"swatch\" style=\"background:%s\"></span>",
                   palette[k < legend.count ? k : chart_pid_series - 1]);
        if (k < legend.count)
            out_format(out, "PID 0x%04X</li>\n", c.pids[legend.slots[k]]);
        else
            out_text(out, "every other PID</li>\n");
    }
    out_text(out, "</ul>\n</section>\n");
}

void put_total(Output& out, const ChartSeries& c)
{
    Steps s = steps_of(c);
    double top = 0;
    for (unsigned i = 0; i < c.count; ++i) {
        set_step(s, i, chart_bitrate(c, c.points[i], c.points[i].packets));
        top = std::max(top, s.high[2 * i]);
    }
    put_heading(out, "Total bitrate", "");
    const SvgChart chart{chart_span(c), top * 1.05, 160};
    svg_begin(out, chart, "Total bitrate over time", "bit/s");
    svg_series(out, chart, s.x.data(), nullptr, s.high.data(), static_cast<unsigned>(s.x.size()), "#2f6fb0");
    svg_end(out);
    out_text(out, "</section>\n");
}

// A PCR figure over time: the points that measured it, against its limit.
void put_pcr_chart(Output& out, const ChartSeries& c, bool accuracy)
{
    std::vector<double> x, y;
    for (unsigned i = 0; i < c.count; ++i) {
        const ChartPoint& p = c.points[i];
        const double v = accuracy ? p.pcr_accuracy_max_s * 1e9 : p.pcr_interval_max_s * 1e3;
        if (v >= 0) {
            x.push_back(p.start_s + p.duration_s / 2);
            y.push_back(v);
        }
    }
    const double limit = accuracy ? pcr_accuracy_limit_ns : pcr_repetition_limit_ms;
    put_heading(out, accuracy ? "PCR accuracy" : "PCR interval",
                accuracy ? "The largest deviation of a PCR in each interval, in nanoseconds."
                         : "The longest interval between two PCRs of a PID in each interval, in milliseconds.");
    if (x.empty()) {
        out_text(out, accuracy ? "<p>Not measured.</p>\n</section>\n" : "<p>No PCR interval.</p>\n</section>\n");
        return;
    }
    const double top = std::max(limit, *std::max_element(y.begin(), y.end())) * 1.15;
    const SvgChart chart{chart_span(c), top, 160};
    svg_begin(out, chart, accuracy ? "PCR accuracy over time" : "PCR interval over time", accuracy ? "ns" : "ms");
    svg_limit(out, chart, limit, accuracy ? "500 ns: PCR_accuracy_error" : "40 ms: PCR_repetition_error");
    svg_series(out, chart, x.data(), nullptr, y.data(), static_cast<unsigned>(x.size()), "#59a14f");
    svg_end(out);
    out_text(out, "</section>\n");
}

void put_findings(Output& out, const ChartSeries& c)
{
    put_heading(out, "Findings over time", "Where the TR 101 290 indicators counted errors, by priority.");
    const SvgChart chart{chart_span(c), 0, 84};
    svg_begin(out, chart, "Findings over time by priority", "");
    char title[96];
    for (unsigned p = 0; p < 3; ++p) {
        const double lane = 4 + 28.0 * p;
        char label[16];
        std::snprintf(label, sizeof label, "P%u", p + 1);
        svg_lane_label(out, lane + 14, label);
        for (unsigned i = 0; i < c.count; ++i) {
            const ChartPoint& point = c.points[i];
            if (point.findings[p] == 0)
                continue;
            std::snprintf(title, sizeof title, "%llu priority %u findings from %.3f s",
                          static_cast<unsigned long long>(point.findings[p]), p + 1, point.start_s);
            svg_mark(out, chart, point.start_s, point.duration_s, lane, 20, priority_colours[p], title);
        }
    }
    svg_end(out);
    out_text(out, "</section>\n");
}

}  // namespace

void put_charts(Output& out, const ChartSeries& c)
{
    if (c.count == 0) {
        out_text(out, "<p>No time: the stream carries no PCR, so there is nothing to draw over time.</p>\n");
        return;
    }
    put_bitrates(out, c);
    put_total(out, c);
    put_pcr_chart(out, c, false);
    put_pcr_chart(out, c, true);
    put_findings(out, c);
}

}  // namespace ostrel
