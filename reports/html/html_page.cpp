#include "reports/html/html_page.hpp"

#include "output/svg_chart.hpp"

namespace ostrel {
namespace {

constexpr const char* style =
    "body{margin:0;font:16px/1.45 system-ui,sans-serif;color:#1d1d1f;background:#fafafa}"
    "main{max-width:72rem;margin:0 auto;padding:1rem}"
    "h1{font-size:1.4rem;word-break:break-all}h2{font-size:1.1rem;margin:1.5rem 0 .3rem}"
    "section{background:#fff;border:1px solid #ddd;border-radius:6px;padding:.5rem 1rem;margin:1rem 0}"
    "svg{width:100%;height:auto;display:block}"
    ".chart{overflow-x:auto}.chart svg{min-width:560px}"
    "pre{overflow-x:auto;font-size:.8rem;background:#f4f4f4;padding:.5rem}"
    ".note{color:#555;margin:0 0 .3rem;font-size:.9rem}"
    ".plot{fill:#fff;stroke:#bbb}.grid{stroke:#e6e6e6}.limit{stroke:#c0392b;stroke-dasharray:6 4}"
    ".tick,.unit{font-size:13px;fill:#555}.limit-label{font-size:13px;fill:#c0392b}"
    ".legend{display:flex;flex-wrap:wrap;gap:.3rem 1rem;list-style:none;padding:0;margin:.3rem 0;font-size:.85rem}"
    ".swatch{display:inline-block;width:.9em;height:.9em;margin-right:.3em;vertical-align:-.1em}";

}  // namespace

void put_page_head(Output& out, std::string_view title)
{
    out_text(out, "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
    put_escaped(out, title);
    out_text(out, " - ostrel</title>\n<style>");
    out_text(out, style);
    out_text(out, "</style>\n</head>\n<body>\n<main>\n<h1>");
    put_escaped(out, title);
    out_text(out, "</h1>\n");
}

void put_text_section(Output& out, std::string_view heading, std::string_view text)
{
    out_text(out, "<section>\n<h2>");
    put_escaped(out, heading);
    out_text(out, "</h2>\n<pre>");
    put_escaped(out, text);
    out_text(out, "</pre>\n</section>\n");
}

void put_page_end(Output& out) { out_text(out, "</main>\n</body>\n</html>\n"); }

}  // namespace ostrel
