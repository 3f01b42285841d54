#include "sources/hls/attribute_list.hpp"

namespace ostrel {
namespace {

bool name_character(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool read_attribute_list(std::string_view list, std::vector<PlaylistAttribute>& out)
{
    out.clear();
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t name_at = at;
        while (at < list.size() && name_character(list[at]))
            ++at;
        if (at == name_at || at == list.size() || list[at] != '=')
            return false;
        const std::string_view name = list.substr(name_at, at - name_at);
        ++at;
        PlaylistAttribute a{name, {}, false};
        if (at < list.size() && list[at] == '"') {
            const std::size_t close = list.find('"', at + 1);
            if (close == std::string_view::npos)
                return false;
            a.value = list.substr(at + 1, close - at - 1);
            a.quoted = true;
            at = close + 1;
        } else {
            const std::size_t comma = list.find(',', at);
            const std::size_t end = comma == std::string_view::npos ? list.size() : comma;
            a.value = list.substr(at, end - at);
            at = end;
        }
        if (find_attribute(out, name) != nullptr)
            return false;
        out.push_back(a);
        if (at < list.size()) {
            if (list[at] != ',')
                return false;
            ++at;
            if (at == list.size())
                return false;  // a comma with nothing after it
        }
    }
    return true;
}

const PlaylistAttribute* find_attribute(const std::vector<PlaylistAttribute>& list, std::string_view name)
{
    for (const PlaylistAttribute& a : list) {
        if (a.name == name)
            return &a;
    }
    return nullptr;
}

bool read_decimal_integer(std::string_view text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        if (!digit(c))
            return false;
        const unsigned d = static_cast<unsigned>(c - '0');
        if (v > (UINT64_MAX - d) / 10)
            return false;
        v = v * 10 + d;
    }
    value = v;
    return true;
}

bool read_decimal_float(std::string_view text, double& value)
{
    bool point = false, digits = false;
    double whole = 0, scale = 1;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (digit(c)) {
            digits = true;
            if (point)
                scale /= 10;
            whole = whole * (point ? 1 : 10) + (c - '0') * (point ? scale : 1);
        } else {
            return false;
        }
    }
    if (!digits || whole > 1e15)
        return false;
    value = whole;
    return true;
}

bool read_resolution(std::string_view text, int& width, int& height)
{
    const std::size_t x = text.find('x');
    std::uint64_t w, h;
    if (x == std::string_view::npos || !read_decimal_integer(text.substr(0, x), w) ||
        !read_decimal_integer(text.substr(x + 1), h) || w == 0 || h == 0 || w > 65535 || h > 65535)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

}  // namespace ostrel
