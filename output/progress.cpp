#include "output/progress.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {
namespace {

using std::chrono::steady_clock;
constexpr auto quiet_start = std::chrono::seconds(1);
constexpr auto redraw_every = std::chrono::milliseconds(250);

}  // namespace

Progress progress_start(std::FILE* err, std::FILE* input)
{
    Progress progress{err, isatty(fileno(err)) == 1, false, 0, steady_clock::now(), steady_clock::now()};
    struct stat info;
    if (progress.enabled && input != nullptr && fstat(fileno(input), &info) == 0 && S_ISREG(info.st_mode))
        progress.total = static_cast<std::uint64_t>(info.st_size);
    return progress;
}

void progress_update(Progress& progress, std::uint64_t bytes)
{
    if (!progress.enabled)
        return;
    const auto now = steady_clock::now();
    if (now - progress.start < quiet_start || now - progress.last_draw < redraw_every)
        return;
    progress.last_draw = now;
    progress.drawn = true;
    const double seconds = std::chrono::duration<double>(now - progress.start).count();
    const double mb = static_cast<double>(bytes) / 1e6;
    if (progress.total > 0)
        std::fprintf(progress.err, "\r%.0f of %.0f MB (%.0f%%), %.0f MB/s ", mb,
                     static_cast<double>(progress.total) / 1e6, 100.0 * static_cast<double>(bytes) /
                     static_cast<double>(progress.total), mb / seconds);
    else
        std::fprintf(progress.err, "\r%.0f MB, %.0f MB/s ", mb, mb / seconds);
    std::fflush(progress.err);
}

void progress_end(Progress& progress)
{
    if (progress.drawn) {
        std::fputs("\r\033[K", progress.err);
        std::fflush(progress.err);
    }
}

}  // namespace ostrel
