#include "reports/html/html_report.hpp"

#include <cstdlib>
#include <memory>
#include <string>

#include "reports/check/check_output.hpp"
#include "reports/html/html_page.hpp"
#include "pass/interval_pass.hpp"
#include "reports/summary/summary_output.hpp"
#include "pass/network/flow_figures.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

constexpr unsigned shown_findings = 50;
constexpr std::size_t page_buffer_bytes = 1 << 16;

// Text written into memory through an Output of its own.
class TextBuffer {
public:
    TextBuffer() : file_(open_memstream(&data_, &size_)), out_{file_, buffer_, sizeof buffer_, 0, false} {}
    ~TextBuffer()
    {
        if (file_ != nullptr)
            std::fclose(file_);
        std::free(data_);
    }
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    bool ok() const { return file_ != nullptr; }
    Output& out() { return out_; }
    std::string_view text()
    {
        if (file_ == nullptr)
            return {};
        out_flush(out_);
        std::fflush(file_);
        return {data_, size_};
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
    char buffer_[16384];
    Output out_;
};

struct Run final : IntervalListener {
    Output* page = nullptr;
    const char* name = nullptr;
    const CaptureFlow* flow = nullptr;
    ChartSeries* chart = nullptr;
    TextBuffer findings;
    std::uint64_t finding_count = 0;
    void row(const IntervalRow& row) override { chart_take(*chart, row); }
    void finding(const Finding& finding) override
    {
        if (finding_count++ < shown_findings)
            put_finding_text(findings.out(), finding);
    }
    // The page, once the pass is done.
    void finished(const Analysis& a) override;
};

void Run::finished(const Analysis& a)
{
    Run& run = *this;
    Output& out = *run.page;
    const char* const name = run.name;
    const CaptureFlow* const flow = run.flow;
    put_page_head(out, shown_name(name));
    put_charts(out, *run.chart);
    TextBuffer summary;
    if (summary.ok())
        put_summary_text(summary.out(), a, name, flow);
    put_text_section(out, "Summary", summary.text());
    TextBuffer check;
    if (check.ok()) {
        Output& c = check.out();
        if (run.finding_count > shown_findings)
            out_format(c, "=> The first '%u'd of '%llu'd findings\n", shown_findings,
                       static_cast<unsigned long long>(run.finding_count));
        out_text(c, run.findings.text());
        put_check_table_text(c, a, Withheld{});
    }
    put_text_section(out, "TR 101 290 check", check.text());
    put_page_end(out);
    out_flush(out);  // a failed write shows when the page is closed
}

}  // namespace

ReportEnd report_html(const PacketInput& in, std::FILE* page, const char* name, double interval_s, std::FILE* err,
                      const CaptureFlow* flow)
{
    const auto buffer = std::make_unique<char[]>(page_buffer_bytes);
    Output out{page, buffer.get(), page_buffer_bytes, 0, false};
    auto run = std::make_unique<Run>();
    auto chart = std::make_unique<ChartSeries>();
    chart_start(*chart);
    run->page = &out;
    run->name = name;
    run->flow = flow;
    run->chart = chart.get();
    if (!run->findings.ok())
        return ReportEnd::out_of_memory;
    return run_interval_pass(in, interval_s, *run, err, flow != nullptr ? flow->figures.get() : nullptr);
}

int HtmlReport::run(const ReportRun& run)
{
    return run_into_target(run, path, [&](std::FILE* target) {
        return TargetWrite{report_html(run.in, target, run.name, interval_s, run.err, run.flow), false};
    });
}

}  // namespace ostrel
