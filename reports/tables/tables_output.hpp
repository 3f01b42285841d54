// --tables: one entry per new table, then one line per table by (PID,
// table_id, table_id_extension); as text in ostrel's notation, or JSON Lines.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pass/analysis.hpp"
#include "output/output.hpp"
#include "psi/dvb/dvb_text.hpp"
#include "psi/field_sink.hpp"

#include <nlohmann/json.hpp>

namespace ostrel {

struct TablesWriter {
    virtual ~TablesWriter() = default;
    virtual void table(const TableEvent& t, DvbText& text) = 0;
    virtual void summary(const Analysis& a, unsigned pid_filter) = 0;
};

std::unique_ptr<TablesWriter> text_tables_writer(Output& out);
// The field writers the reports share: ostrel's notation, one field a line
// from indent level 1; or members of a JSON object.
std::unique_ptr<FieldSink> text_field_sink(Output& out);
std::unique_ptr<FieldSink> json_field_sink(nlohmann::json& object);
// A text in double quotes as the text form writes it: \" \\ \n, and \xHH for the other controls.
std::string quoted_text(std::string_view text);
// A line of the text form: "   Label:" and the value, aligned.
void put_field_line(Output& out, std::string_view label, const std::string& value);
std::unique_ptr<TablesWriter> json_tables_writer(Output& out);

// The interval figures of a table line: min, mean and max, or none when not timed.
struct RepeatIntervals {
    bool known;
    double min, mean, max;
};
RepeatIntervals table_intervals(const TableStats& s);
// The demux's table lines in (PID, table_id, table_id_extension) order.
std::vector<TableStats> sorted_stats(const Analysis& a);

}  // namespace ostrel
