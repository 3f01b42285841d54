#include "ts/utf8.hpp"

#include <cstdio>

namespace ostrel {

std::size_t utf8_sequence(const unsigned char* p, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned b = p[0];
    if (b < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : low;    // no overlong form
        high = b == 0xED ? 0x9F : high;  // no surrogate
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : low;
        high = b == 0xF4 ? 0x8F : high;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (size < length || p[1] < low || p[1] > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

std::string valid_utf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8_sequence(p + i, text.size() - i);
        if (n == 0) {
            out += replacement_character;
            ++i;
        } else {
            out.append(text.data() + i, n);
            i += n;
        }
    }
    return out;
}

std::string shown_name(std::string_view name)
{
    const auto* p = reinterpret_cast<const unsigned char*>(name.data());
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t n = utf8_sequence(p + i, name.size() - i);
        const bool control = n == 1 ? p[i] < 0x20 || p[i] == 0x7F : n == 2 && p[i] == 0xC2 && p[i + 1] <= 0x9F;
        if (n != 0 && !control) {
            out.append(name.data() + i, n);
            i += n;
            continue;
        }
        for (const std::size_t end = i + (n == 0 ? 1 : n); i < end; ++i) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", p[i]);
            out += esc;
        }
    }
    return out;
}

}  // namespace ostrel
