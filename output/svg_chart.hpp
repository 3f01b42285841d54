// Charts as inline SVG, drawn into the output: a frame with its grid and
// labelled axes (time in seconds across, a value up), then areas, lines,
// limits and marks in its coordinates.
#pragma once

#include <string_view>

#include "output/output.hpp"

namespace ostrel {

struct SvgChart {
    double x_max, y_max;  // the axes run from 0
    double height;        // of the plot, in the chart's units (its width is fixed)
};

// Opens the chart; `label` names it for readers of the page, `unit` is the value's.
void svg_begin(Output& out, const SvgChart& chart, std::string_view label, std::string_view unit);
void svg_end(Output& out);

// A run of values at times x: the polygon between `low` and `high` (stacked
// areas), or the line of `high` when `low` is null.
void svg_series(Output& out, const SvgChart& chart, const double* x, const double* low, const double* high,
                unsigned n, std::string_view colour);
// A horizontal line at `y`, labelled.
void svg_limit(Output& out, const SvgChart& chart, double y, std::string_view label);
// A mark over [x, x + width) in a lane of the chart's height (0 the top), titled.
void svg_mark(Output& out, const SvgChart& chart, double x, double width, double lane_y, double lane_height,
              std::string_view colour, std::string_view title);
// Text placed in the chart's units, left of the plot.
void svg_lane_label(Output& out, double lane_y, std::string_view text);

// `text` with &, <, > and quotes as entities.
void put_escaped(Output& out, std::string_view text);

// A round step for about `parts` grid lines up to `max`: 1, 2 or 5 times a power of ten.
double grid_step(double max, unsigned parts);

}  // namespace ostrel
