#include <unistd.h>

#include <string_view>

#include "cli/run.hpp"
#include "cli/stop_signals.hpp"
#include "sources/hls/hls_input.hpp"
#include "ts/utf8.hpp"

namespace ostrel {
namespace {

constexpr unsigned most_fetch_lines = 10;  // the failed fetches said on standard error after another report

bool ends_as_playlist(std::string_view name)
{
    const auto ends = [&](std::string_view suffix) {
        if (name.size() < suffix.size())
            return false;
        for (std::size_t i = 0; i < suffix.size(); ++i) {
            char c = name[name.size() - suffix.size() + i];
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
            if (c != suffix[i])
                return false;
        }
        return true;
    };
    return ends(".m3u8") || ends(".m3u");
}

// Reads the playlist a variant names; false with the message said.
bool read_media_playlist(Fetcher& fetcher, const HlsInput& in, unsigned variant, std::string& location,
                         std::string& text, std::FILE* err)
{
    const std::vector<VariantStream>& variants = in.playlist.variants;
    if (variant >= variants.size()) {
        std::fprintf(err, "ostrel: --variant:%u, but the playlist lists %zu variant%s\n", variant, variants.size(),
                     variants.size() == 1 ? "" : "s");
        return false;
    }
    location = resolve_location(in.location, variants[variant].uri);
    std::string error;
    if (!fetcher.fetch(location, FetchRange{}, playlist_limit, text, error)) {
        std::fprintf(err, "ostrel: the media playlist %s cannot be read: %s\n", shown_name(location.c_str()).c_str(),
                     error.c_str());
        return false;
    }
    if (!looks_like_playlist(text)) {
        std::fprintf(err, "ostrel: %s is not a playlist (it does not begin with #EXTM3U)\n",
                     shown_name(location.c_str()).c_str());
        return false;
    }
    return true;
}

// The segments that could not be read, after a report that is not --hls: the stream it read lacks them.
bool put_fetch_failures(const HlsSource& source, std::FILE* err)
{
    unsigned said = 0, failed = 0;
    for (const HlsFinding& f : source.findings()) {
        if (f.indicator != HlsIndicator::fetch)
            continue;
        if (++failed <= most_fetch_lines)
            std::fprintf(err, "ostrel: not read: %s\n", shown_name(f.detail.c_str()).c_str());
        else
            ++said;
    }
    if (said > 0)
        std::fprintf(err, "ostrel: and %u more not read (--hls lists them)\n", said);
    return failed == 0;
}

}  // namespace

bool names_playlist(const char* argument, std::FILE* file)
{
    if (ends_as_playlist(argument))
        return true;
    char head[10];
    const ssize_t n = pread(fileno(file), head, sizeof head, 0);
    return n > 0 && looks_like_playlist(std::string_view(head, static_cast<std::size_t>(n)));
}

int run_playlist(const RunOptions& options, const char* location, const RunBuffers& buffers, std::FILE* out_stream,
                 std::FILE* keys, std::FILE* err)
{
    Fetcher fetcher(options.timeout_seconds);
    std::string text, error;
    if (!fetcher.fetch(location, FetchRange{}, playlist_limit, text, error)) {
        std::fprintf(err, "ostrel: the playlist %s cannot be read: %s\n", shown_name(location).c_str(), error.c_str());
        return exit_failed;
    }
    if (!looks_like_playlist(text) && !ends_as_playlist(location)) {
        std::fprintf(err, "ostrel: %s is not a playlist (it does not begin with #EXTM3U)\n", shown_name(location).c_str());
        return exit_failed;
    }
    const StopOnSignals signals;
    const HlsInput in{location, text, parse_playlist(text), &fetcher, live_limits(options, buffers), options.variant};
    if (options.hls_mode)
        return run_stream(options, StreamInput{nullptr, nullptr, nullptr, &in, false}, location, buffers, out_stream,
                          keys, err);
    std::string media_location = in.location, media_text = in.text;
    if (in.playlist.multivariant && !read_media_playlist(fetcher, in, options.variant, media_location, media_text, err))
        return exit_failed;
    if (!in.playlist.multivariant && options.variant != 0)
        std::fprintf(err, "ostrel: --variant:%u ignored (a media playlist has no variants)\n", options.variant);
    HlsSource source(fetcher, media_location, in.playlist.multivariant ? options.variant : 0, media_text, in.settings);
    const int status = run_stream(options, StreamInput{nullptr, &source, nullptr, &in, source.live()}, location,
                                  buffers, out_stream, keys, err);
    return put_fetch_failures(source, err) ? status : exit_failed;
}

}  // namespace ostrel
