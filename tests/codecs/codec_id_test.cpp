// Which codec a stream is, from its stream_type, its registration and its
// DVB descriptors (the first that names one), and its languages.
#include <gtest/gtest.h>

#include "codecs/codec_id.hpp"
#include "support.hpp"

namespace ostrel::test {
namespace {

struct Named {
    unsigned stream_type;
    Bytes es_info, program_info;
    const char* codec;
};

TEST(CodecId, StreamTypeThenRegistrationThenDescriptors)
{
    const Bytes ac3_reg = descriptor(0x05, {'A', 'C', '-', '3'});
    const Named cases[] = {
        {0x02, {}, {}, "mpeg2video"},
        {0x1B, {}, {}, "h264"},
        {0x24, {}, {}, "hevc"},
        {0x33, {}, {}, "vvc"},
        {0x0F, {}, {}, "aac"},
        {0x11, {}, {}, "aac_latm"},
        {0x2D, {}, {}, "mpegh_3d_audio"},
        {0x86, {}, {}, "scte_35"},
        {0x81, {}, {}, "unknown"},  // user private: nothing says, until the frames do
        {0x81, ac3_reg, {}, "ac3"},
        {0x87, {}, descriptor(0x05, {'G', 'A', '9', '4'}), "eac3"},  // an ATSC program
        {0x06, ac3_reg, {}, "ac3"},
        {0x06, descriptor(0x05, {'E', 'A', 'C', '3'}), {}, "eac3"},
        {0x06, descriptor(0x05, {'O', 'p', 'u', 's'}), {}, "opus"},
        {0x06, descriptor(0x05, {'B', 'S', 'S', 'D'}), {}, "s302m"},
        {0x06, descriptor(0x05, {'C', 'U', 'E', 'I'}), {}, "scte_35"},
        {0x15, descriptor(0x05, {'I', 'D', '3', ' '}), {}, "timed_id3"},
        {0x15, descriptor(0x05, {'K', 'L', 'V', 'A'}), {}, "klv"},
        {0x06, descriptor(0x6A, {0x00}), {}, "ac3"},
        {0x06, descriptor(0x7A, {0x00}), {}, "eac3"},
        {0x06, descriptor(0x7B, {0, 0, 0, 0, 0, 0}), {}, "dts"},
        {0x06, descriptor(0x7C, {0x58}), {}, "aac"},
        {0x06, descriptor(0x59, {'d', 'e', 'u', 0x10, 0, 1, 0, 1}), {}, "dvb_subtitle"},
        {0x06, descriptor(0x56, {'d', 'e', 'u', 0x09, 0x00}), {}, "dvb_teletext"},
        {0x06, descriptor(0x7F, {0x15, 0x00}), {}, "ac4"},
        // the language descriptor names no codec; the subtitling one after it does
        {0x06, join({descriptor(0x0A, {'d', 'e', 'u', 0}), descriptor(0x59, {'d', 'e', 'u', 0x10, 0, 1, 0, 1})}), {},
         "dvb_subtitle"},
        {0x06, {}, {}, "unknown"},
        {0x06, {0x6A, 0x05, 0x00}, {}, "unknown"},  // a descriptor cut by its loop: not read
    };
    for (const Named& c : cases) {
        const CodecId id =
            identify_codec(c.stream_type, c.es_info.data(), c.es_info.size(), c.program_info.data(), c.program_info.size());
        EXPECT_STREQ(id.codec, c.codec) << "stream_type " << c.stream_type;
    }
}

TEST(CodecId, LanguagesOfEveryDescriptorInOrder)
{
    const Bytes info = join({descriptor(0x0A, {'d', 'e', 'u', 0, 'e', 'n', 'g', 3}),
                             descriptor(0x59, {'f', 'r', 'a', 0x10, 0, 1, 0, 1}), descriptor(0x56, {'i', 't', 'a', 0x09, 0})});
    EXPECT_EQ(stream_languages(info.data(), info.size()), (std::vector<std::string>{"deu", "eng", "fra", "ita"}));
}

}  // namespace
}  // namespace ostrel::test
