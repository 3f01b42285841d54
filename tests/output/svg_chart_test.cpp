// The scales of the charts: a round grid step (1, 2 or 5 times a power of
// ten), at most a bounded count of grid lines, values with k, M and G.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "output/svg_chart.hpp"

namespace ostrel {
namespace {

TEST(SvgChart, GridStepsAreRound)
{
    struct Case {
        double max;
        unsigned parts;
        double step;
    };
    const Case cases[] = {
        {100, 4, 50},      // 25 a part: 10 and 20 are less, 50 the first round step
        {40e6, 4, 1e7},    // exactly a power of ten
        {0.3, 8, 0.05},    // 0.0375 a part
        {7, 4, 2},         // 1.75 a part
        {1, 1, 1},
        {0, 4, 1},         // nothing to scale
        {-5, 4, 1},
        {1.0 / 0.0, 4, 1},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(grid_step(c.max, c.parts), c.step) << c.max << " / " << c.parts;
}

// The tick labels of a chart's frame, in order.
std::vector<std::string> ticks(const SvgChart& chart)
{
    char buffer[65536];
    std::FILE* f = std::tmpfile();
    Output out{f, buffer, sizeof buffer, 0, false};
    svg_begin(out, chart, "a chart", "bit/s");
    svg_end(out);
    const std::string text(out.data, out.used);
    std::fclose(f);
    std::vector<std::string> labels;
    const std::regex tick("<text class=\"tick\"[^>]*>([^<]*)</text>");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), tick); it != std::sregex_iterator(); ++it)
        labels.push_back((*it)[1]);
    return labels;
}

TEST(SvgChart, AxesLabelledWithPrefixes)
{
    // Up: 40 Mbit/s in steps of 10 M; across: 2.5 s in steps of 0.5 s.
    EXPECT_EQ(ticks(SvgChart{2.5, 40e6, 100}),
              (std::vector<std::string>{"0", "10M", "20M", "30M", "40M", "0", "0.5", "1", "1.5", "2", "2.5"}));
    EXPECT_EQ(ticks(SvgChart{0, 2500, 100}), (std::vector<std::string>{"0", "1k", "2k"}));
    EXPECT_EQ(ticks(SvgChart{0, 3e9, 100}), (std::vector<std::string>{"0", "1G", "2G", "3G"}));
    // However long the stream, the grid stays bounded.
    EXPECT_LE(ticks(SvgChart{1e15, 0, 100}).size(), 21u);
}

}  // namespace
}  // namespace ostrel
