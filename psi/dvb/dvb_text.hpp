// DVB strings (EN 300 468 Annex A) to UTF-8: the first byte selects the
// character table (none: ISO/IEC 6937 with the euro sign at 0xA4); the
// conversion is the C library's iconv. The emphasis codes 0x86/0x87 are
// dropped, 0x8A becomes a line break; bytes that do not convert become U+FFFD.
#pragma once

#include <cstddef>
#include <string>

namespace ostrel {

// iconv descriptors opened once per character table for the run.
class DvbText {
public:
    DvbText() = default;
    DvbText(const DvbText&) = delete;
    DvbText& operator=(const DvbText&) = delete;
    ~DvbText();

    std::string to_utf8(const unsigned char* data, std::size_t size);

private:
    static constexpr unsigned table_count = 24;
    void* handles_[table_count] = {};  // iconv_t, opened on first use; (void*)-1 when unavailable
    void convert(unsigned table, const unsigned char* data, std::size_t size, std::string& out);
};

}  // namespace ostrel
