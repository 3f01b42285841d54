#include "sources/hls/playlist.hpp"

#include <cstdio>

#include "sources/hls/attribute_list.hpp"

namespace ostrel {
namespace {

// The protocol version a playlist must declare to use a feature (RFC 8216 7).
enum VersionNeed : unsigned { need_iv, need_float_extinf, need_byterange, need_keyformat, need_map, need_count };
constexpr unsigned need_version[need_count] = {2, 3, 4, 5, 6};
constexpr const char* need_text[need_count] = {
    "the IV attribute of #EXT-X-KEY", "a decimal #EXTINF duration", "#EXT-X-BYTERANGE or #EXT-X-I-FRAMES-ONLY",
    "the KEYFORMAT attributes of #EXT-X-KEY", "#EXT-X-MAP"};

struct Reader {
    Playlist p;
    unsigned line = 0;
    // What the tags before the next URI say of it.
    bool extinf_open = false;
    unsigned extinf_line = 0;
    MediaSegment next;
    bool variant_open = false;
    VariantStream next_variant;
    std::uint64_t sequence = 0, discontinuity_sequence = 0;
    bool sequence_given = false, version_given = false, any_segment_tag = false, any_variant_tag = false;
    std::uint64_t range_end = 0;  // where the last byte range ended, for one without an offset
    std::string key_method;
    bool map_seen = false;
    unsigned need_line[need_count] = {};
    std::vector<PlaylistAttribute> attributes;

    void problem(std::string text) { p.problems.push_back(PlaylistProblem{line, std::move(text)}); }
    void need(VersionNeed n)
    {
        if (need_line[n] == 0)
            need_line[n] = line;
    }
    // The attribute list of `tag`, with `required` present; false (said once) when not.
    bool attributes_of(std::string_view tag, std::string_view list, std::initializer_list<std::string_view> required)
    {
        if (!read_attribute_list(list, attributes)) {
            problem(std::string(tag) + ": the attribute list cannot be read");
            return false;
        }
        for (const std::string_view name : required) {
            if (find_attribute(attributes, name) == nullptr) {
                problem(std::string(tag) + " without " + std::string(name));
                return false;
            }
        }
        return true;
    }
    const PlaylistAttribute* attribute(std::string_view name) const { return find_attribute(attributes, name); }
};

bool starts(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

void read_extinf(Reader& r, std::string_view value)
{
    if (r.extinf_open)  // said at the #EXTINF left without its URI
        r.p.problems.push_back(PlaylistProblem{r.extinf_line, "#EXTINF without a URI"});
    const std::size_t comma = value.find(',');
    const std::string_view duration = value.substr(0, comma);
    double seconds = 0;
    if (!read_decimal_float(duration, seconds)) {
        r.problem("#EXTINF: the duration is not a decimal number of seconds");
        seconds = 0;
    } else if (duration.find('.') != std::string_view::npos) {
        r.need(need_float_extinf);
    }
    r.extinf_open = true;
    r.extinf_line = r.line;
    r.next.extinf = seconds;
    r.any_segment_tag = true;
}

void read_byterange(Reader& r, std::string_view value)
{
    const std::size_t at = value.find('@');
    std::uint64_t length = 0, offset = r.range_end;
    if (!read_decimal_integer(value.substr(0, at), length) ||
        (at != std::string_view::npos && !read_decimal_integer(value.substr(at + 1), offset)) ||
        offset > UINT64_MAX - length) {
        r.problem("#EXT-X-BYTERANGE: not LENGTH[@OFFSET]");
        return;
    }
    r.need(need_byterange);
    r.next.ranged = true;
    r.next.range_length = length;
    r.next.range_offset = offset;
    r.range_end = offset + length;
}

void read_key(Reader& r, std::string_view value)
{
    if (!r.attributes_of("#EXT-X-KEY", value, {"METHOD"}))
        return;
    const std::string_view method = r.attribute("METHOD")->value;
    if (method != "NONE" && r.attribute("URI") == nullptr)
        r.problem("#EXT-X-KEY without URI");
    if (r.attribute("IV") != nullptr)
        r.need(need_iv);
    if (r.attribute("KEYFORMAT") != nullptr || r.attribute("KEYFORMATVERSIONS") != nullptr)
        r.need(need_keyformat);
    r.key_method = method == "NONE" ? "" : std::string(method);
}

void read_unique_integer(Reader& r, std::string_view tag, std::string_view value, bool& given, std::uint64_t& into)
{
    if (given)
        r.problem(std::string(tag) + " given twice");
    given = true;
    if (!read_decimal_integer(value, into))
        r.problem(std::string(tag) + ": not a decimal integer");
}

void read_stream_inf(Reader& r, std::string_view value)
{
    r.variant_open = true;
    r.any_variant_tag = true;
    r.next_variant = VariantStream{};
    r.next_variant.line = r.line;
    if (!r.attributes_of("#EXT-X-STREAM-INF", value, {"BANDWIDTH"}))
        return;
    VariantStream& v = r.next_variant;
    if (!read_decimal_integer(r.attribute("BANDWIDTH")->value, v.bandwidth))
        r.problem("#EXT-X-STREAM-INF: BANDWIDTH is not a decimal integer");
    if (const PlaylistAttribute* a = r.attribute("AVERAGE-BANDWIDTH"); a && !read_decimal_integer(a->value, v.average_bandwidth))
        r.problem("#EXT-X-STREAM-INF: AVERAGE-BANDWIDTH is not a decimal integer");
    if (const PlaylistAttribute* a = r.attribute("RESOLUTION"); a && !read_resolution(a->value, v.width, v.height))
        r.problem("#EXT-X-STREAM-INF: RESOLUTION is not WIDTHxHEIGHT");
    if (const PlaylistAttribute* a = r.attribute("FRAME-RATE"); a && !read_decimal_float(a->value, v.frame_rate))
        r.problem("#EXT-X-STREAM-INF: FRAME-RATE is not a decimal number");
    if (const PlaylistAttribute* a = r.attribute("CODECS"))
        v.codecs = a->value;
    if (const PlaylistAttribute* a = r.attribute("AUDIO"))
        v.audio = a->value;
}

void read_media(Reader& r, std::string_view value)
{
    if (!r.attributes_of("#EXT-X-MEDIA", value, {"TYPE", "GROUP-ID", "NAME"}))
        return;
    Rendition m;
    m.type = r.attribute("TYPE")->value;
    m.group = r.attribute("GROUP-ID")->value;
    m.name = r.attribute("NAME")->value;
    if (const PlaylistAttribute* a = r.attribute("LANGUAGE"))
        m.language = a->value;
    if (const PlaylistAttribute* a = r.attribute("URI"))
        m.uri = a->value;
    if (const PlaylistAttribute* a = r.attribute("DEFAULT"))
        m.is_default = a->value == "YES";
    if (m.type == "SUBTITLES" && m.uri.empty())
        r.problem("#EXT-X-MEDIA of TYPE SUBTITLES without URI");
    if (m.type == "CLOSED-CAPTIONS" && r.attribute("INSTREAM-ID") == nullptr)
        r.problem("#EXT-X-MEDIA of TYPE CLOSED-CAPTIONS without INSTREAM-ID");
    m.line = r.line;
    r.p.renditions.push_back(std::move(m));
}

// A tag line; tags not known here are passed over.
void read_tag(Reader& r, std::string_view tag)
{
    const std::size_t colon = tag.find(':');
    const std::string_view name = tag.substr(0, colon);
    const std::string_view value = colon == std::string_view::npos ? std::string_view{} : tag.substr(colon + 1);
    if (name == "#EXTINF") {
        read_extinf(r, value);
    } else if (name == "#EXT-X-VERSION") {
        std::uint64_t v = 1;
        read_unique_integer(r, name, value, r.version_given, v);
        r.p.version = v > 1000 ? 1000 : static_cast<unsigned>(v);
    } else if (name == "#EXT-X-TARGETDURATION") {
        read_unique_integer(r, name, value, r.p.target_given, r.p.target_duration);
    } else if (name == "#EXT-X-MEDIA-SEQUENCE") {
        if (!r.p.segments.empty() || r.extinf_open)
            r.problem("#EXT-X-MEDIA-SEQUENCE after the first segment");
        read_unique_integer(r, name, value, r.sequence_given, r.sequence);
        r.p.media_sequence = r.sequence;
    } else if (name == "#EXT-X-DISCONTINUITY-SEQUENCE") {
        bool given = false;
        read_unique_integer(r, name, value, given, r.discontinuity_sequence);
        r.p.discontinuity_sequence = r.discontinuity_sequence;
    } else if (name == "#EXT-X-DISCONTINUITY") {
        r.next.discontinuity = true;
        r.any_segment_tag = true;
    } else if (name == "#EXT-X-BYTERANGE") {
        read_byterange(r, value);
    } else if (name == "#EXT-X-KEY") {
        read_key(r, value);
    } else if (name == "#EXT-X-MAP") {
        if (r.attributes_of("#EXT-X-MAP", value, {"URI"}))
            r.need(need_map);
        r.map_seen = true;
    } else if (name == "#EXT-X-ENDLIST") {
        r.p.endlist = true;
    } else if (name == "#EXT-X-PLAYLIST-TYPE") {
        if (value != "VOD" && value != "EVENT")
            r.problem("#EXT-X-PLAYLIST-TYPE: neither VOD nor EVENT");
        r.p.playlist_type = value;
    } else if (name == "#EXT-X-I-FRAMES-ONLY") {
        r.need(need_byterange);
    } else if (name == "#EXT-X-INDEPENDENT-SEGMENTS") {
        r.p.independent_segments = true;
    } else if (name == "#EXT-X-STREAM-INF") {
        read_stream_inf(r, value);
    } else if (name == "#EXT-X-I-FRAME-STREAM-INF") {
        r.any_variant_tag = true;
        r.attributes_of(name, value, {"BANDWIDTH", "URI"});
    } else if (name == "#EXT-X-MEDIA") {
        read_media(r, value);
    } else if (name == "#EXT-X-SESSION-DATA") {
        r.attributes_of(name, value, {"DATA-ID"});
    } else if (name == "#EXT-X-START") {
        r.attributes_of(name, value, {"TIME-OFFSET"});
    } else if (name == "#EXT-X-DATERANGE") {
        r.attributes_of(name, value, {"ID", "START-DATE"});
    }
}

void read_uri(Reader& r, std::string_view uri)
{
    if (r.variant_open) {
        r.next_variant.uri = uri;
        r.p.variants.push_back(std::move(r.next_variant));
        r.variant_open = false;
        return;
    }
    if (!r.extinf_open) {
        r.problem("a URI without #EXTINF");
        return;
    }
    MediaSegment& s = r.next;
    s.uri = uri;
    s.line = r.line;
    s.sequence = r.sequence++;
    if (s.discontinuity && !r.p.segments.empty())
        ++r.discontinuity_sequence;
    s.discontinuity_sequence = r.discontinuity_sequence;
    s.key_method = r.key_method;
    s.initialised = r.map_seen;
    r.p.segments.push_back(std::move(s));
    r.next = MediaSegment{};
    r.extinf_open = false;
}

void finish(Reader& r)
{
    r.line = r.extinf_open ? r.extinf_line : r.line;
    if (r.extinf_open)
        r.problem("#EXTINF without a URI");
    if (r.variant_open) {
        r.line = r.next_variant.line;
        r.problem("#EXT-X-STREAM-INF without a URI");
    }
    r.p.multivariant = r.any_variant_tag || (!r.p.renditions.empty() && r.p.segments.empty());
    r.line = 1;
    if (r.p.multivariant && (r.any_segment_tag || r.p.target_given)) {
        r.problem("media segment tags and variant streams in one playlist");
    } else if (!r.p.multivariant && !r.p.target_given) {
        r.problem("no #EXT-X-TARGETDURATION");
    }
    for (unsigned n = 0; n < need_count; ++n) {
        if (r.need_line[n] != 0 && r.p.version < need_version[n]) {
            r.line = r.need_line[n];
            char text[160];
            std::snprintf(text, sizeof text, "%s needs #EXT-X-VERSION %u or more (the playlist's is %u)",
                          need_text[n], need_version[n], r.p.version);
            r.problem(text);
        }
    }
}

}  // namespace

bool looks_like_playlist(std::string_view text)
{
    if (starts(text, "\xEF\xBB\xBF"))
        text.remove_prefix(3);
    return starts(text, "#EXTM3U");
}

Playlist parse_playlist(std::string_view text)
{
    Reader r;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        std::string_view line = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? text.size() : end + 1;
        ++r.line;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (r.line == 1) {
            if (!looks_like_playlist(line))
                r.problem("the first line is not #EXTM3U");
            else
                continue;
        }
        if (line.empty() || (line[0] == '#' && !starts(line, "#EXT")))
            continue;  // blank lines and comments
        if (line[0] == '#')
            read_tag(r, line);
        else
            read_uri(r, line);
    }
    if (r.line == 0) {  // no line at all
        r.line = 1;
        r.problem("the first line is not #EXTM3U");
    }
    finish(r);
    return std::move(r.p);
}

}  // namespace ostrel
