#include <algorithm>
#include <initializer_list>
#include <cinttypes>
#include <string>
#include <tuple>

#include "pass/facts.hpp"
#include "reports/tables/tables_output.hpp"
#include "output/hex_dump.hpp"
#include "psi/field_sink.hpp"
#include "ts/description_texts.hpp"
#include "ts/si_texts.hpp"
#include "ts/pids.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

constexpr unsigned label_width = 28;

std::string dec(std::uint64_t v) { return joined({"'", std::to_string(v), "'d"}); }

class TextFields final : public FieldSink {
public:
    explicit TextFields(Output& out) : out_(out) {}
    unsigned depth = 1;

    void line(std::string_view name, const std::string& value)
    {
        std::string l(3 * depth, ' ');
        l += name;
        l += ':';
        if (value.empty()) {
            l += '\n';
        } else {
            l.append(l.size() < 3 * depth + label_width ? 3 * depth + label_width - l.size() : 1, ' ');
            l += value;
            l += '\n';
        }
        out_text(out_, l);
    }
    void number(std::string_view name, std::uint64_t v) override { line(name, dec(v)); }
    void code(std::string_view name, std::uint64_t v, unsigned digits, std::string_view meaning) override
    {
        char hex[24];
        std::snprintf(hex, sizeof hex, "'%0*" PRIX64 "'h", static_cast<int>(digits), v);
        line(name, meaning.empty() ? std::string(hex) : joined({hex, ", ", meaning}));
    }
    void flag(std::string_view name, bool v) override { line(name, v ? "'1'b" : "'0'b"); }
    void seconds(std::string_view name, double v) override
    {
        char text[48];
        std::snprintf(text, sizeof text, "'%.6f' s", v);
        line(name, text);
    }
    void text(std::string_view name, std::string_view utf8) override { line(name, quoted_text(utf8)); }
    void bytes(std::string_view name, const unsigned char* data, std::size_t size) override
    {
        line(name, "");
        const unsigned indent = 3 * depth + 3 < max_indent ? 3 * depth + 3 : max_indent;
        for (std::size_t at = 0; at < size; at += 4096) {
            const std::size_t n = size - at < 4096 ? size - at : 4096;
            char* w = out_space(out_, dump_size(n, indent));
            out_commit(out_, dump_bytes(w, data + at, n, indent));
        }
    }
    void begin_list(std::string_view name) override
    {
        line(name, "");
        ++depth;
    }
    void end_list() override { --depth; }
    void begin_item(std::string_view label) override
    {
        line(label, "");
        ++depth;
    }
    void end_item() override { --depth; }
    void begin_descriptor(unsigned tag, std::string_view name, std::size_t length) override
    {
        char head[32];
        std::snprintf(head, sizeof head, "'%02X'h, ", tag);
        line("Descriptor", joined({head, name.empty() ? std::string_view("unknown") : name, ", ", dec(length), " bytes"}));
        ++depth;
    }
    void end_descriptor() override { --depth; }
    void cut() override
    {
        out_text(out_, std::string(3 * depth, ' '));
        out_text(out_, "(cut: the bytes end here)\n");
    }

private:
    Output& out_;
};


std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", s);
    return text;
}

class TextTables final : public TablesWriter {
public:
    explicit TextTables(Output& out) : out_(out) {}

    void table(const TableEvent& t, DvbText& text) override
    {
        TextFields f(out_);
        char hex[16];
        std::snprintf(hex, sizeof hex, "'%02X'h", t.table_id);
        out_text(out_, joined({"=> Table:                   ", table_display_name(t.table_id), ", table_id ", hex, "\n"}));
        f.line("Packet", joined({dec(t.packet), ", byte ", dec(t.offset)}));
        std::snprintf(hex, sizeof hex, "'%04X'h", t.pid);
        f.line("PID", hex);
        if (t.long_form) {
            f.line(extension_name(t.table_id), dec(t.extension));
            f.line("Version", joined({dec(t.version), t.current ? ", current" : ", next"}));
            f.line("Sections", dec(t.count));
        }
        DecodeContext c{text};
        decode_table(t.table_id, t.sections, t.count, c, f);
        out_text(out_, "\n");
    }

    void summary(const Analysis& a, unsigned pid_filter) override
    {
        const auto& all = a.demux->stats();
        unsigned shown = 0;
        for (const TableStats& s : all)
            shown += pid_filter == no_pid || s.pid == pid_filter;
        out_format(out_, "=> Tables:                  '%u'd\n", shown);
        out_format(out_, "   %-7s %-8s %-30s %9s %8s %8s %10s %9s %9s %9s\n", "PID", "table_id", "Table", "Extension",
                   "Versions", "Copies", "CRC errors", "Min s", "Mean s", "Max s");
        for (const TableStats& s : sorted_stats(a)) {
            if (pid_filter != no_pid && s.pid != pid_filter)
                continue;
            const RepeatIntervals iv = table_intervals(s);
            out_format(out_, "   '%04X'h '%02X'h    %-30.30s %9u %8" PRIu64 " %8" PRIu64 " %10" PRIu64 " %9s %9s %9s\n",
                       s.pid, s.table_id, std::string(table_display_name(s.table_id)).c_str(), s.extension, s.versions, s.copies,
                       s.crc_errors, iv.known ? seconds(iv.min).c_str() : "unknown",
                       iv.known ? seconds(iv.mean).c_str() : "unknown", iv.known ? seconds(iv.max).c_str() : "unknown");
        }
        if (a.demux->unkept_sections() != 0)
            out_format(out_, "=> Not kept:                '%" PRIu64 "'d sections, past the store of tables\n",
                       a.demux->unkept_sections());
        if (a.demux->untracked_sections() != 0)
            out_format(out_, "=> Not tracked:             '%" PRIu64 "'d sections of tables past the store's %zu\n",
                       a.demux->untracked_sections(), SectionDemux::max_tables);
    }

private:
    Output& out_;
};

}  // namespace

std::vector<TableStats> sorted_stats(const Analysis& a)
{
    std::vector<TableStats> s = a.demux->stats();
    std::sort(s.begin(), s.end(), [](const TableStats& x, const TableStats& y) {
        return std::tie(x.pid, x.table_id, x.extension) < std::tie(y.pid, y.table_id, y.extension);
    });
    return s;
}

RepeatIntervals table_intervals(const TableStats& s)
{
    if (s.intervals == 0)
        return RepeatIntervals{false, 0, 0, 0};
    return RepeatIntervals{true, s.interval_min, s.interval_sum / static_cast<double>(s.intervals), s.interval_max};
}

std::unique_ptr<TablesWriter> text_tables_writer(Output& out) { return std::make_unique<TextTables>(out); }

// Text and line breaks inside a quoted value: \" \\ \n, \xHH for the C0 and C1
// controls and DEL (so that none reaches a terminal), U+FFFD for a byte of no
// UTF-8 sequence.
std::string quoted_text(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::string q = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8_sequence(p + i, text.size() - i);
        const unsigned c = n == 2 ? (p[i] & 0x1Fu) << 6 | (p[i + 1] & 0x3Fu) : p[i];
        if (n == 0) {
            q += replacement_character;
        } else if (c == '"' || c == '\\') {
            q += '\\';
            q += static_cast<char>(c);
        } else if (c == '\n') {
            q += "\\n";
        } else if (c < 0x20 || c == 0x7F || (n == 2 && c <= 0x9F)) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            q += esc;
        } else {
            q.append(text.data() + i, n);
        }
        i += n == 0 ? 1 : n;
    }
    q += '"';
    return q;
}

std::unique_ptr<FieldSink> text_field_sink(Output& out) { return std::make_unique<TextFields>(out); }

void put_field_line(Output& out, std::string_view label, const std::string& value) { TextFields(out).line(label, value); }

}  // namespace ostrel
