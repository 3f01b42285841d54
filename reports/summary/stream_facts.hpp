// What --summary says of each stream, program and capture beyond the PSI:
// the codec and format of a stream, the service of a program (SDT), the
// network (NIT), the times of the TDT/TOT, the versions of PAT and PMTs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pass/facts.hpp"
#include "codecs/codec_id.hpp"
#include "codecs/stream_format.hpp"
#include "psi/dvb/service_info.hpp"

namespace ostrel {

struct StreamFacts {
    CodecId codec;
    std::vector<std::string> languages;
    const StreamFormat* format;  // null while no header was read
};

StreamFacts stream_facts(const Analysis& a, const Program& program, const StreamEntry& stream);
// "h264, High, level 3.1, 1280x720, 25 fps, progressive, 4:2:0 8-bit"; the parts known.
std::string stream_format_text(const StreamFacts& facts);
// "25", "29.97"
std::string frame_rate_text(double rate);

struct ProgramFacts {
    ServiceInfo service;
    std::uint64_t pmt_versions = 0;
    std::uint64_t last_pmt_packet = 0;
};

ProgramFacts program_facts(const Analysis& a, const Program& program, DvbText& text);

struct CaptureFacts {
    bool network_known = false;
    std::string network_name;
    std::uint64_t pat_versions = 0;
};

CaptureFacts capture_facts(const Analysis& a, DvbText& text);

}  // namespace ostrel
