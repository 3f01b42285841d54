// The read window: with a page-aligned buffer every read lands on a page
// boundary and asks for whole pages, whatever is left over from the read
// before (the window's end stays on a page boundary until the file ends);
// the bytes handed on are the file's, in order.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sources/file/byte_window.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

TEST(ByteWindow, AlignedReadsOfWholePagesWhateverIsLeftOver)
{
    // 192-byte steps leave a different remainder before every refill.
    Bytes file(100'000);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<unsigned char>(i * 7 + i / 251);
    for (const std::size_t step : {188u, 192u, 204u, 1020u}) {
        std::FILE* f = std::tmpfile();
        ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), f), file.size());
        std::rewind(f);
        constexpr std::size_t capacity = 4 * page_bytes;
        const std::unique_ptr<unsigned char, decltype(&std::free)> block(
            static_cast<unsigned char*>(std::aligned_alloc(page_bytes, capacity)), &std::free);
        ByteWindow w{f, block.get(), capacity, capacity, 0, 0, 0, false, false};
        Bytes seen;
        unsigned refills = 0;
        // Each read starts where the window ends: on a page boundary until the file ends.
        while (window_ensure(w, step) >= step) {
            EXPECT_TRUE(w.end % page_bytes == 0 || w.at_end) << "steps of " << step << ", end " << w.end;
            refills += w.begin < page_bytes;
            EXPECT_EQ(window_offset(w), seen.size());
            seen.insert(seen.end(), w.data + w.begin, w.data + w.begin + step);
            w.begin += step;
        }
        seen.insert(seen.end(), w.data + w.begin, w.data + w.end);
        EXPECT_EQ(seen, file) << "steps of " << step;
        EXPECT_GT(refills, 5u) << "steps of " << step;
        std::fclose(f);
    }
}

}  // namespace
}  // namespace ostrel::test
