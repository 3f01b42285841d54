#include "reports/html/chart_series.hpp"

#include <algorithm>

namespace ostrel {
namespace {

void merge_into(ChartPoint& to, const ChartPoint& from)
{
    to.duration_s = from.start_s + from.duration_s - to.start_s;
    to.packets += from.packets;
    for (unsigned i = 0; i < chart_tracked; ++i)
        to.pid_packets[i] += from.pid_packets[i];
    to.pcr_interval_max_s = std::max(to.pcr_interval_max_s, from.pcr_interval_max_s);
    to.pcr_accuracy_max_s = std::max(to.pcr_accuracy_max_s, from.pcr_accuracy_max_s);
    for (unsigned p = 0; p < 3; ++p)
        to.findings[p] += from.findings[p];
}

void halve(ChartSeries& c)
{
    for (unsigned i = 0; i < c.count / 2; ++i) {
        ChartPoint merged = c.points[2 * i];
        merge_into(merged, c.points[2 * i + 1]);
        c.points[i] = merged;
    }
    if (c.count % 2 != 0)
        c.points[c.count / 2] = c.points[c.count - 1];
    c.count = (c.count + 1) / 2;
    c.rows_per_point *= 2;
}

// The series of a PID: its own while there is room, else the last.
unsigned series_of(ChartSeries& c, unsigned pid)
{
    for (unsigned i = 0; i < c.pid_count; ++i) {
        if (c.pids[i] == pid)
            return i;
    }
    if (c.pid_count < chart_tracked - 1) {
        c.pids[c.pid_count] = static_cast<unsigned short>(pid);
        return c.pid_count++;
    }
    c.others = true;
    return chart_tracked - 1;
}

}  // namespace

ChartLegend chart_legend(const ChartSeries& c)
{
    std::uint64_t total[chart_tracked - 1] = {};
    for (unsigned i = 0; i < c.count; ++i)
        for (unsigned k = 0; k < c.pid_count; ++k)
            total[k] += c.points[i].pid_packets[k];
    unsigned order[chart_tracked - 1];
    for (unsigned k = 0; k < c.pid_count; ++k)
        order[k] = k;
    std::stable_sort(order, order + c.pid_count, [&total](unsigned a, unsigned b) { return total[a] > total[b]; });
    ChartLegend legend{};
    legend.count = std::min(c.pid_count, chart_pid_series - 1);
    std::copy(order, order + legend.count, legend.slots);
    legend.others = c.others || c.pid_count > legend.count;
    return legend;
}

std::uint64_t other_packets(const ChartPoint& p, const ChartLegend& legend)
{
    std::uint64_t n = 0;
    for (unsigned k = 0; k < chart_tracked; ++k)
        n += p.pid_packets[k];
    for (unsigned k = 0; k < legend.count; ++k)
        n -= p.pid_packets[legend.slots[k]];
    return n;
}

void chart_start(ChartSeries& c)
{
    c = ChartSeries{};
    c.rows_per_point = 1;
}

void chart_take(ChartSeries& c, const IntervalRow& row)
{
    c.packet_size = row.packet_size;
    if (!row.timed) {
        c.untimed_packets += row.packets;
        return;
    }
    ChartPoint p{};
    p.start_s = row.start_s;
    p.duration_s = row.duration_s;
    p.packets = row.packets;
    for (unsigned i = 0; i < row.pid_count; ++i) {
        const unsigned pid = row.pids[i];
        if (row.pid_packets[pid] != 0)
            p.pid_packets[series_of(c, pid)] += row.pid_packets[pid];
    }
    p.pcr_interval_max_s = row.pcr_interval_max_s;
    p.pcr_accuracy_max_s = row.pcr_accuracy_max_s;
    std::copy(row.findings, row.findings + 3, p.findings);
    if (c.count > 0 && c.rows_in_last < c.rows_per_point) {
        merge_into(c.points[c.count - 1], p);
        ++c.rows_in_last;
        return;
    }
    if (c.count == chart_points)
        halve(c);
    c.points[c.count++] = p;
    c.rows_in_last = 1;
}

double chart_bitrate(const ChartSeries& c, const ChartPoint& p, std::uint64_t packets)
{
    return p.duration_s > 0 ? static_cast<double>(packets) * c.packet_size * 8 / p.duration_s : 0;
}

double chart_span(const ChartSeries& c)
{
    return c.count == 0 ? 0 : c.points[c.count - 1].start_s + c.points[c.count - 1].duration_s;
}

}  // namespace ostrel
