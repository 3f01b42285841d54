// One JSON value on a line of its own (JSON Lines), bytes that are not UTF-8 replaced.
#pragma once

#include <nlohmann/json.hpp>

#include "output/output.hpp"

namespace ostrel {

inline void put_json_line(Output& out, const nlohmann::json& value)
{
    out_text(out, value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    out_text(out, "\n");
}

}  // namespace ostrel
