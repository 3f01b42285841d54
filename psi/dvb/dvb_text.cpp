#include "psi/dvb/dvb_text.hpp"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "ts/utf8.hpp"

namespace ostrel {
namespace {

constexpr const char* replacement = "\xEF\xBF\xBD";  // U+FFFD
const auto unavailable = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));

// The character tables by index: 0 ISO/IEC 6937, 1-15 ISO/IEC 8859-N, then
// the multi-byte ones of the first byte 0x11 to 0x15.
constexpr const char* table_names[] = {
    "ISO_6937", "ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5", "ISO-8859-6",
    "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "ISO-8859-10", "ISO-8859-11", "", "ISO-8859-13",
    "ISO-8859-14", "ISO-8859-15", "UCS-2BE", "EUC-KR", "GB2312", "BIG5", "UTF-8",
};
constexpr unsigned ucs2 = 16, utf8 = 20, none = 99;

// The table that the first bytes select, and how many bytes select it.
unsigned select_table(const unsigned char* d, std::size_t size, std::size_t& skip)
{
    skip = 0;
    if (size == 0 || d[0] >= 0x20)
        return 0;
    skip = 1;
    const unsigned b = d[0];
    if (b >= 0x01 && b <= 0x0B)
        return b + 4;  // 0x01: ISO/IEC 8859-5 ... 0x0B: 8859-15
    if (b == 0x10) {
        skip = 3;
        if (size < 3 || d[1] != 0x00 || d[2] < 1 || d[2] > 15 || d[2] == 12)
            return none;
        return d[2];
    }
    if (b >= 0x11 && b <= 0x15)
        return ucs2 + (b - 0x11);
    return none;  // reserved, or encoding_type_id (0x1F)
}

}  // namespace

DvbText::~DvbText()
{
    for (void* h : handles_) {
        if (h != nullptr && h != unavailable)
            iconv_close(static_cast<iconv_t>(h));
    }
}

void DvbText::convert(unsigned table, const unsigned char* data, std::size_t size, std::string& out)
{
    if (size == 0)
        return;
    void*& h = handles_[table];
    if (h == nullptr) {
        const iconv_t cd = iconv_open("UTF-8", table_names[table]);
        h = cd == reinterpret_cast<iconv_t>(-1) ? unavailable : cd;
    }
    if (h == unavailable || table_names[table][0] == 0) {
        out += replacement;
        return;
    }
    const auto cd = static_cast<iconv_t>(h);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
    std::size_t in_left = size;
    char piece[1024];
    while (in_left > 0) {
        char* w = piece;
        std::size_t w_left = sizeof piece;
        const std::size_t r = iconv(cd, &in, &in_left, &w, &w_left);
        out.append(piece, static_cast<std::size_t>(w - piece));
        if (r != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // A byte (or, in UCS-2, a code unit) that does not convert, or a character cut at the end.
        out += replacement;
        const std::size_t step = table == ucs2 ? 2 : 1;
        if (errno == EINVAL || in_left <= step)
            break;
        in += step;
        in_left -= step;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

std::string DvbText::to_utf8(const unsigned char* data, std::size_t size)
{
    std::string out;
    std::size_t skip;
    unsigned table = select_table(data, size, skip);
    if (table == none) {
        // A selector of no table known here: it becomes U+FFFD. After 0x1F comes
        // a compressed text, which is not decoded; after a reserved selector, the
        // bytes are read in the default table, so that what is text stays text.
        if (size > skip)
            out += replacement;
        if (data[0] == 0x1F)
            return out;
        table = 0;
    }
    data += skip < size ? skip : size;
    size -= skip < size ? skip : size;
    // Runs between control codes (0x80-0x9F, in UCS-2 0xE080-0xE09F: 0x8A a
    // line break, the rest dropped) and, in the default table, the euro sign
    // convert in one piece.
    const std::size_t unit = table == ucs2 ? 2 : 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i + unit <= size; i += unit) {
        unsigned c = data[i];
        if (unit == 2)
            c = (c << 8 | data[i + 1]) >= 0xE080 && (c << 8 | data[i + 1]) <= 0xE09F ? data[i + 1] : 0;
        const bool control = (table <= 15 || table == ucs2) && c >= 0x80 && c <= 0x9F;
        const bool euro = table == 0 && c == 0xA4 && unit == 1 && (i == 0 || data[i - 1] < 0xC1 || data[i - 1] > 0xCF);
        if (!control && !euro)
            continue;
        convert(table, data + start, i - start, out);
        if (euro)
            out += "\xE2\x82\xAC";
        else if (c == 0x8A)
            out += "\n";
        start = i + unit;
    }
    convert(table, data + start, size - start, out);
    if (table == utf8) {  // the same codes as U+E086, U+E087, U+E08A
        std::string cleaned;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto b = static_cast<unsigned char>(out[i]);
            if (b == 0xEE && i + 2 < out.size() && static_cast<unsigned char>(out[i + 1]) == 0x82 &&
                static_cast<unsigned char>(out[i + 2]) >= 0x80 && static_cast<unsigned char>(out[i + 2]) <= 0x9F) {
                if (static_cast<unsigned char>(out[i + 2]) == 0x8A)
                    cleaned += '\n';
                i += 2;
                continue;
            }
            cleaned += out[i];
        }
        out.swap(cleaned);
    }
    return valid_utf8(out);  // a converter may pass on what is not UTF-8 (bytes past U+10FFFF)
}

}  // namespace ostrel
