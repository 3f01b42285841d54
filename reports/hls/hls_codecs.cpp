// A variant against its segments: the peak and mean bitrate against
// BANDWIDTH and AVERAGE-BANDWIDTH (RFC 8216 4.3.4.2), the CODECS entries
// (RFC 6381 names) against the streams the segments carry, RESOLUTION and
// FRAME-RATE against the video's headers.
#include <cmath>
#include <cstdio>
#include <string_view>

#include "pass/analysis.hpp"
#include "pass/facts.hpp"
#include "reports/hls/hls_variant.hpp"
#include "reports/summary/stream_facts.hpp"

namespace ostrel {
namespace {

constexpr double average_slack = 1.10;    // the mean may exceed AVERAGE-BANDWIDTH by 10 %
constexpr double frame_rate_slack = 0.01; // FRAME-RATE has three decimals

// A stream as CODECS names it, and what an entry must begin with to name it.
struct FoundCodec {
    std::string name;       // "avc1.64001F"
    std::string_view kind;  // "avc", "hevc", "aac", "ac-3", "ec-3", "mp3", "mp2"
    bool audio;
    int object_type;        // AAC's
};

std::string upper(std::string_view s)
{
    std::string u(s);
    for (char& c : u)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return u;
}

bool found_codec(const StreamFacts& facts, FoundCodec& found)
{
    const std::string_view codec = facts.format != nullptr && facts.format->codec != nullptr ? facts.format->codec
                                                                                             : facts.codec.codec;
    const StreamFormat* f = facts.format;
    if (codec == "h264") {
        char name[32] = "avc1";
        if (f != nullptr && f->profile_idc >= 0)
            std::snprintf(name, sizeof name, "avc1.%02X%02X%02X", f->profile_idc & 0xFF, f->constraint_flags & 0xFF,
                          f->level_idc & 0xFF);
        found = {name, "avc", false, -1};
    } else if (codec == "hevc") {
        found = {"hvc1", "hevc", false, -1};
    } else if (codec == "aac") {
        const int type = f != nullptr ? f->object_type : -1;
        found = {type > 0 ? "mp4a.40." + std::to_string(type) : "mp4a.40", "aac", true, type};
    } else if (codec == "ac3" || codec == "eac3") {
        found = {codec == "ac3" ? "ac-3" : "ec-3", codec == "ac3" ? "ac-3" : "ec-3", true, -1};
    } else if (codec == "mp2" || codec == "mp3") {
        const bool layer3 = f != nullptr ? f->layer == 3 : codec == "mp3";
        found = {layer3 ? "mp4a.40.34" : "mp4a.40.33", layer3 ? "mp3" : "mp2", true, -1};
    } else {
        return false;  // not a codec CODECS names here (data, cues, subtitles, unknown)
    }
    return true;
}

// The kind an entry names; "" for one not checked here.
std::string_view entry_kind(std::string_view e, int& object_type)
{
    const std::string u = upper(e);
    object_type = -1;
    if (u.rfind("AVC1", 0) == 0 || u.rfind("AVC3", 0) == 0)
        return "avc";
    if (u.rfind("HVC1", 0) == 0 || u.rfind("HEV1", 0) == 0)
        return "hevc";
    if (u == "AC-3")
        return "ac-3";
    if (u == "EC-3")
        return "ec-3";
    if (u == "MP4A.40.34" || u == "MP4A.6B" || u == "MP4A.69")
        return u == "MP4A.40.34" ? "mp3" : "mp2-or-mp3";
    if (u == "MP4A.40.33")
        return "mp2";
    if (u.rfind("MP4A.40.", 0) == 0) {
        object_type = std::atoi(u.c_str() + 8);
        return "aac";
    }
    return "";
}

// Whether `entry` names `found` exactly as far as the bytes tell.
bool names(std::string_view entry, std::string_view kind, int object_type, const FoundCodec& found)
{
    if (kind == "mp2-or-mp3")
        return found.kind == "mp2" || found.kind == "mp3";
    if (kind != found.kind)
        return false;
    if (kind == "avc")
        return found.name.size() == 4 || upper(entry.substr(4)) == upper(std::string_view(found.name).substr(4));
    if (kind == "aac" && found.object_type > 0)  // SBR and PS are signalled implicitly in an LC stream
        return object_type == found.object_type || (found.object_type == 2 && (object_type == 5 || object_type == 29));
    return true;
}

void add(VariantResult& v, HlsIndicator indicator, std::string detail)
{
    v.findings.push_back(HlsFinding{indicator, v.index, no_sequence, 0, std::move(detail)});
}

void check_bitrates(VariantResult& v)
{
    double bits = 0, seconds = 0;
    const SegmentRecord* peak = nullptr;
    for (const SegmentRecord& s : v.segments) {
        const double extinf = s.entry.segment.extinf;
        if (!s.entry.failure.empty() || extinf <= 0)
            continue;
        const double rate = static_cast<double>(s.figures.bytes) * 8 / extinf;
        if (rate > v.peak_bps) {
            v.peak_bps = rate;
            peak = &s;
        }
        bits += static_cast<double>(s.figures.bytes) * 8;
        seconds += extinf;
    }
    if (seconds > 0)
        v.mean_bps = bits / seconds;
    if (!v.listed || peak == nullptr)
        return;
    char t[200];
    if (v.peak_bps > static_cast<double>(v.stream.bandwidth)) {
        std::snprintf(t, sizeof t, "segment %llu peaks at %.0f bit/s, above BANDWIDTH %llu",
                      static_cast<unsigned long long>(peak->entry.segment.sequence), v.peak_bps,
                      static_cast<unsigned long long>(v.stream.bandwidth));
        v.findings.push_back(HlsFinding{HlsIndicator::bandwidth, v.index, peak->entry.segment.sequence,
                                        peak->entry.playlist_time, t});
    }
    if (v.stream.average_bandwidth > 0 && v.mean_bps > average_slack * static_cast<double>(v.stream.average_bandwidth)) {
        std::snprintf(t, sizeof t, "mean %.0f bit/s, more than 10 %% above AVERAGE-BANDWIDTH %llu", v.mean_bps,
                      static_cast<unsigned long long>(v.stream.average_bandwidth));
        add(v, HlsIndicator::bandwidth, t);
    }
}

}  // namespace

void check_variant(VariantResult& v, const Analysis& a, bool audio_elsewhere)
{
    check_bitrates(v);
    std::vector<FoundCodec> found;
    const StreamFormat* video = nullptr;
    for (unsigned i = 0; i < a.program_count; ++i) {
        const Program& program = a.programs[i];
        StreamEntry streams[max_streams];
        const unsigned n = program.has_pmt ? program_streams(program, streams, max_streams) : 0;
        for (unsigned k = 0; k < n; ++k) {
            const StreamFacts facts = stream_facts(a, program, streams[k]);
            FoundCodec c;
            if (!found_codec(facts, c))
                continue;
            if (!c.audio && video == nullptr && facts.format != nullptr)
                video = facts.format;
            found.push_back(std::move(c));
        }
    }
    for (const FoundCodec& c : found)
        v.codecs_found += (v.codecs_found.empty() ? "" : ",") + c.name;
    if (!v.listed)
        return;
    std::vector<bool> named(found.size(), false);
    std::string_view list = v.stream.codecs;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view entry = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        while (!entry.empty() && entry.front() == ' ')
            entry.remove_prefix(1);
        int object_type;
        const std::string_view kind = entry_kind(entry, object_type);
        if (kind.empty())
            continue;
        bool matched = false;
        std::size_t same_kind = found.size();  // a stream of that codec whose details differ
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (names(entry, kind, object_type, found[i]))
                named[i] = matched = true;
            else if (found[i].kind == kind && !named[i])
                same_kind = i;
        }
        const bool audio = kind != "avc" && kind != "hevc";
        if (matched || (audio && audio_elsewhere && same_kind == found.size()))
            continue;
        if (same_kind != found.size()) {
            named[same_kind] = true;
            add(v, HlsIndicator::codecs,
                "CODECS names " + std::string(entry) + ", the segments carry " + found[same_kind].name);
        } else
            add(v, HlsIndicator::codecs, "CODECS names " + std::string(entry) + ", which the segments do not carry");
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (!named[i] && !v.stream.codecs.empty())
            add(v, HlsIndicator::codecs, "the segments carry " + found[i].name + ", which CODECS leaves out");
    }
    char t[160];
    if (video != nullptr && v.stream.width > 0 && (video->width != v.stream.width || video->height != v.stream.height)) {
        std::snprintf(t, sizeof t, "RESOLUTION %dx%d, the video's headers %dx%d", v.stream.width, v.stream.height,
                      video->width, video->height);
        add(v, HlsIndicator::codecs, t);
    }
    if (video != nullptr && v.stream.frame_rate > 0 && video->frame_rate > 0 &&
        std::fabs(video->frame_rate - v.stream.frame_rate) > frame_rate_slack) {
        std::snprintf(t, sizeof t, "FRAME-RATE %.3f, the video's %.3f", v.stream.frame_rate, video->frame_rate);
        add(v, HlsIndicator::codecs, t);
    }
}

}  // namespace ostrel
