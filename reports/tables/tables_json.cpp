#include <nlohmann/json.hpp>

#include "reports/tables/tables_output.hpp"
#include "psi/field_sink.hpp"
#include "ts/description_texts.hpp"
#include "ts/si_texts.hpp"
#include "output/json_line.hpp"
#include "ts/pids.hpp"

namespace ostrel {
namespace {

using nlohmann::json;

std::string hex_string(const unsigned char* data, std::size_t size)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < size; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 0xF];
    }
    return s;
}

// Builds one JSON object: fields are keys of the innermost object, lists arrays of objects.
// A decoder may name a field, or say the bytes were cut, while a list is open and
// no item of it is: the field then goes to the object that holds the list, so
// that no call can index an array with a name.
class JsonFields final : public FieldSink {
public:
    explicit JsonFields(json& root) { stack_.push_back(&root); }

    void number(std::string_view name, std::uint64_t v) override { field(name) = v; }
    void code(std::string_view name, std::uint64_t v, unsigned, std::string_view) override { field(name) = v; }
    void flag(std::string_view name, bool v) override { field(name) = v; }
    void seconds(std::string_view name, double v) override { field(name) = v; }
    void text(std::string_view name, std::string_view utf8) override { field(name) = std::string(utf8); }
    void bytes(std::string_view name, const unsigned char* data, std::size_t size) override
    {
        field(name) = hex_string(data, size);
    }
    void begin_list(std::string_view name) override
    {
        json& list = field(name);
        if (!list.is_array())
            list = json::array();
        stack_.push_back(&list);
    }
    void end_list() override { pop(); }
    void begin_item(std::string_view) override { push_object(); }
    void end_item() override { pop(); }
    void begin_descriptor(unsigned tag, std::string_view name, std::size_t length) override
    {
        json& d = push_object();
        d["tag"] = tag;
        if (!name.empty())
            d["name"] = std::string(name);
        d["length"] = length;
    }
    void end_descriptor() override { pop(); }
    void cut() override { field("cut") = true; }

private:
    std::vector<json*> stack_;
    json& field(std::string_view name)
    {
        for (auto at = stack_.rbegin(); at != stack_.rend(); ++at)
            if ((*at)->is_object())
                return (**at)[std::string(name)];
        return (*stack_.front())[std::string(name)];  // the root is always an object
    }
    void pop()
    {
        if (stack_.size() > 1)
            stack_.pop_back();
    }
    json& push_object()
    {
        json* list = stack_.back();
        if (!list->is_array()) {  // an item outside any list goes to a list of its own
            list = &field("items");
            if (!list->is_array())
                *list = json::array();
        }
        list->push_back(json::object());
        stack_.push_back(&list->back());
        return list->back();
    }
};


class JsonTables final : public TablesWriter {
public:
    explicit JsonTables(Output& out) : out_(out) {}

    void table(const TableEvent& t, DvbText& text) override
    {
        json entry = {{"packet", t.packet},
                      {"offset", t.offset},
                      {"pid", t.pid},
                      {"table_id", t.table_id},
                      {"table", std::string(table_display_name(t.table_id))},
                      {"table_id_extension", t.long_form ? json(t.extension) : json(nullptr)},
                      {"version", t.long_form ? json(t.version) : json(nullptr)},
                      {"current", t.current},
                      {"sections", t.count}};
        const std::string_view extension = extension_name(t.table_id);
        if (t.long_form && extension != "table_id_extension")
            entry[std::string(extension)] = t.extension;
        JsonFields f(entry);
        DecodeContext c{text};
        decode_table(t.table_id, t.sections, t.count, c, f);
        put_json_line(out_, entry);
    }

    void summary(const Analysis& a, unsigned pid_filter) override
    {
        json lines = json::array();
        for (const TableStats& s : sorted_stats(a)) {
            if (pid_filter != no_pid && s.pid != pid_filter)
                continue;
            const RepeatIntervals iv = table_intervals(s);
            lines.push_back({{"pid", s.pid},
                             {"table_id", s.table_id},
                             {"table", std::string(table_display_name(s.table_id))},
                             {"table_id_extension", s.extension},
                             {"versions", s.versions},
                             {"copies", s.copies},
                             {"crc_errors", s.crc_errors},
                             {"interval_min_s", iv.known ? json(iv.min) : json(nullptr)},
                             {"interval_mean_s", iv.known ? json(iv.mean) : json(nullptr)},
                             {"interval_max_s", iv.known ? json(iv.max) : json(nullptr)}});
        }
        put_json_line(out_, {{"tables_summary", lines},
                        {"sections_not_kept", a.demux->unkept_sections()},
                        {"sections_not_tracked", a.demux->untracked_sections()}});
    }

private:
    Output& out_;
};

}  // namespace

std::unique_ptr<TablesWriter> json_tables_writer(Output& out) { return std::make_unique<JsonTables>(out); }

std::unique_ptr<FieldSink> json_field_sink(json& object) { return std::make_unique<JsonFields>(object); }

}  // namespace ostrel
