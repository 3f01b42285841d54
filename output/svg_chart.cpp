#include "output/svg_chart.hpp"

#include <cmath>

namespace ostrel {
namespace {

constexpr double width = 800, left = 64, right = 792, top = 8;
constexpr double plot_width = right - left;
constexpr unsigned max_grid_lines = 20;  // a step of about a quarter or an eighth of the axis: never more

double x_at(const SvgChart& c, double x) { return left + (c.x_max > 0 ? x / c.x_max : 0) * plot_width; }
double y_at(const SvgChart& c, double y)
{
    const double v = c.y_max > 0 ? std::fmin(y, c.y_max) / c.y_max : 0;
    return top + (1 - v) * c.height;
}

// A value for an axis, with k, M or G for thousands, millions and billions (40M for 40,000,000).
void put_number(Output& out, double v)
{
    static constexpr struct {
        double scale;
        const char* suffix;
    } prefixes[] = {{1e9, "G"}, {1e6, "M"}, {1e3, "k"}};
    for (const auto& p : prefixes) {
        if (v >= p.scale) {
            out_format(out, "%.4g%s", v / p.scale, p.suffix);
            return;
        }
    }
    out_format(out, "%.6g", v);
}

// A coordinate to a tenth, as printf's %.1f writes it, without printf.
char* put_tenths(char* w, double v)
{
    const long long tenths = std::llround(v * 10);
    if (tenths < 0)
        w = put_char(w, '-');
    const unsigned long long magnitude = static_cast<unsigned long long>(tenths < 0 ? -tenths : tenths);
    w = put_dec(w, magnitude / 10);
    w = put_char(w, '.');
    return put_char(w, static_cast<char>('0' + magnitude % 10));
}

void put_point(Output& out, double x, double y)
{
    char* w = out_space(out, 64);
    w = put_tenths(w, x);
    w = put_char(w, ',');
    w = put_tenths(w, y);
    out_commit(out, put_char(w, ' '));
}

}  // namespace

double grid_step(double max, unsigned parts)
{
    if (!(max > 0) || !std::isfinite(max))
        return 1;
    const double rough = max / parts;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= rough)
            return m * power;
    }
    return 10 * power;
}

void put_escaped(Output& out, std::string_view text)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        case '"': entity = "&quot;"; break;
        case '\'': entity = "&#39;"; break;
        default: continue;
        }
        out_text(out, text.substr(from, i - from));
        out_text(out, entity);
        from = i + 1;
    }
    out_text(out, text.substr(from));
}

void svg_begin(Output& out, const SvgChart& c, std::string_view label, std::string_view unit)
{
    const double bottom = top + c.height;
    out_format(out, "<div class=\"chart\"><svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %.0f %.0f\" role=\"img\" aria-label=\"",
               width, bottom + 30);
    put_escaped(out, label);
    out_text(out, "\">\n<rect class=\"plot\" x=\"64\" y=\"8\" width=\"728\" ");
    out_format(out, "height=\"%.0f\"/>\n", c.height);
    if (c.y_max > 0) {
        const double step = grid_step(c.y_max, 4);
        for (unsigned k = 0; k <= max_grid_lines && k * step <= c.y_max * 1.0000001; ++k) {
            const double v = k * step;
            out_format(out, "<line class=\"grid\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>", left, y_at(c, v),
                       right, y_at(c, v));
            out_format(out, "<text class=\"tick\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">", left - 4, y_at(c, v) + 4);
            put_number(out, v);
            out_text(out, "</text>\n");
        }
    }
    const double step = grid_step(c.x_max, 8);
    for (unsigned k = 0; c.x_max > 0 && k <= max_grid_lines && k * step <= c.x_max * 1.0000001; ++k) {
        const double t = k * step;
        out_format(out, "<text class=\"tick\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">", x_at(c, t), bottom + 16);
        put_number(out, t);
        out_text(out, "</text>\n");
    }
    out_format(out, "<text class=\"unit\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">s</text>\n", right, bottom + 28);
    out_format(out, "<text class=\"unit\" x=\"2\" y=\"%.1f\">", top + 10);
    put_escaped(out, unit);
    out_text(out, "</text>\n");
}

void svg_end(Output& out) { out_text(out, "</svg></div>\n"); }

void svg_series(Output& out, const SvgChart& c, const double* x, const double* low, const double* high, unsigned n,
                std::string_view colour)
{
    if (n == 0)
        return;
    out_text(out, low != nullptr ? "<polygon fill=\"" : "<polyline fill=\"none\" stroke-width=\"1.5\" stroke=\"");
    out_text(out, colour);
    out_text(out, "\" points=\"");
    for (unsigned i = 0; i < n; ++i)
        put_point(out, x_at(c, x[i]), y_at(c, high[i]));
    for (unsigned i = n; low != nullptr && i-- > 0;)
        put_point(out, x_at(c, x[i]), y_at(c, low[i]));
    out_text(out, "\"/>\n");
}

void svg_limit(Output& out, const SvgChart& c, double y, std::string_view label)
{
    out_format(out, "<line class=\"limit\" x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>", left, y_at(c, y), right,
               y_at(c, y));
    out_format(out, "<text class=\"limit-label\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">", right - 4, y_at(c, y) - 4);
    put_escaped(out, label);
    out_text(out, "</text>\n");
}

void svg_mark(Output& out, const SvgChart& c, double x, double w, double lane_y, double lane_height,
              std::string_view colour, std::string_view title)
{
    const double x0 = x_at(c, x);
    const double x1 = std::fmax(x_at(c, x + w), x0 + 2);
    out_format(out, "<rect fill=\"%.*s\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"><title>",
               static_cast<int>(colour.size()), colour.data(), x0, top + lane_y, x1 - x0, lane_height);
    put_escaped(out, title);
    out_text(out, "</title></rect>\n");
}

void svg_lane_label(Output& out, double lane_y, std::string_view text)
{
    out_format(out, "<text class=\"tick\" x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">", left - 4, top + lane_y);
    put_escaped(out, text);
    out_text(out, "</text>\n");
}

}  // namespace ostrel
