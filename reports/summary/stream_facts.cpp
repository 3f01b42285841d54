#include "reports/summary/stream_facts.hpp"

#include <cstdio>
#include <string_view>

namespace ostrel {
namespace {

std::string channels_text(const StreamFormat& f)
{
    std::string t = f.channel_mode;
    if (f.lfe == 1 && !t.empty())
        t += "+LFE";
    if (f.channels < 0)
        return t;
    const std::string n = joined({std::to_string(f.channels), f.channels == 1 ? " channel" : " channels"});
    return t.empty() ? n : joined({t, " (", n, ")"});
}

void add(std::string& text, const std::string& part)
{
    if (!part.empty()) {
        text += ", ";
        text += part;
    }
}

}  // namespace

StreamFacts stream_facts(const Analysis& a, const Program& program, const StreamEntry& stream)
{
    const unsigned char* info;
    std::size_t length;
    program_info(program, info, length);
    StreamFacts facts{identify_codec(stream.stream_type, stream.info, stream.info_length, info, length),
                      stream_languages(stream.info, stream.info_length), probed_format(a, stream.pid)};
    if (facts.format != nullptr && facts.format->codec != nullptr &&
        std::string_view(facts.format->codec) != facts.codec.codec) {  // the headers name another codec
        facts.codec.codec = facts.format->codec;
        facts.codec.text = facts.format->codec_text;
    } else if (facts.format != nullptr && facts.codec.probe == Probe::mpeg_audio && facts.format->layer > 0) {
        static constexpr const char* layers[] = {"mp1", "mp2", "mp3"};
        facts.codec.codec = layers[facts.format->layer - 1];
    }
    return facts;
}

std::string frame_rate_text(double rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", rate);
    std::string t = text;
    while (t.back() == '0')
        t.pop_back();
    if (t.back() == '.')
        t.pop_back();
    return t;
}

std::string stream_format_text(const StreamFacts& facts)
{
    std::string text = facts.codec.codec;
    const StreamFormat* f = facts.format;
    if (f == nullptr)
        return text;
    add(text, f->profile);
    if (f->level[0] != 0)
        add(text, joined({"level ", f->level}));
    if (f->width > 0)
        add(text, joined({std::to_string(f->width), "x", std::to_string(f->height)}));
    if (f->frame_rate > 0)
        add(text, joined({frame_rate_text(f->frame_rate), " fps"}));
    if (f->interlaced >= 0)
        add(text, f->interlaced ? "interlaced" : "progressive");
    if (f->chroma_format[0] != 0)
        add(text, joined({f->chroma_format, f->bit_depth > 0 ? joined({" ", std::to_string(f->bit_depth), "-bit"}) : ""}));
    if (f->sample_rate > 0)
        add(text, joined({std::to_string(f->sample_rate), " Hz"}));
    add(text, channels_text(*f));
    if (f->bitrate > 0)
        add(text, joined({std::to_string(f->bitrate / 1000), " kbit/s"}));
    return text;
}

ProgramFacts program_facts(const Analysis& a, const Program& program, DvbText& text)
{
    ProgramFacts facts;
    std::vector<SectionBytes> sdt;
    if (a.tsid_known && a.demux->last_copy(0x0011, 0x42, a.transport_stream_id, sdt))
        facts.service = find_service(sdt, program.program_number, text);
    if (const TableStats* s = a.demux->find_stats(program.pmt_pid, 0x02, program.program_number)) {
        facts.pmt_versions = s->versions;
        facts.last_pmt_packet = s->last_packet;
    }
    return facts;
}

CaptureFacts capture_facts(const Analysis& a, DvbText& text)
{
    CaptureFacts facts;
    std::vector<SectionBytes> nit;
    if (a.demux->last_copy_any(0x0010, 0x40, nit))
        facts.network_known = find_network_name(nit, text, facts.network_name);
    for (const TableStats& s : a.demux->stats())
        facts.pat_versions += s.pid == 0x0000 && s.table_id == 0x00 ? s.versions : 0;
    return facts;
}

}  // namespace ostrel
