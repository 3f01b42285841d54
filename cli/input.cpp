#include "cli/input.hpp"

#include <unistd.h>

#include <cstring>

#include "network/capture.hpp"

namespace ostrel {
namespace {

constexpr std::size_t capture_read_buffer = 1024 * 1024;  // libpcap reads a record at a time

// The bytes read before the reader knew what the file is, then the file.
struct Replay {
    unsigned char head[capture_magic_bytes];
    std::size_t length, at;
    std::FILE* rest;
};

ssize_t read_replay(void* cookie, char* into, std::size_t size)
{
    Replay& r = *static_cast<Replay*>(cookie);
    std::size_t done = 0;
    for (; r.at < r.length && done < size; ++done)
        into[done] = static_cast<char>(r.head[r.at++]);
    if (done < size) {
        done += std::fread(into + done, 1, size - done, r.rest);
        if (done == 0 && std::ferror(r.rest))
            return -1;
    }
    return static_cast<ssize_t>(done);
}

int close_replay(void* cookie)
{
    delete static_cast<Replay*>(cookie);  // the file itself stays open: it is the caller's
    return 0;
}

}  // namespace

bool open_input(std::FILE* file, Input& input)
{
    input = Input{file, nullptr, false};
    unsigned char head[capture_magic_bytes];
    const int fd = fileno(file);
    const off_t at = fd >= 0 ? lseek(fd, 0, SEEK_CUR) : -1;
    if (at >= 0) {
        const ssize_t n = pread(fd, head, sizeof head, at);
        if (n >= 0) {
            input.capture = is_capture_start(head, static_cast<std::size_t>(n));
            return true;
        }
    }
    auto* const replay = new Replay{{}, 0, 0, file};
    replay->length = std::fread(replay->head, 1, sizeof replay->head, file);
    input.capture = is_capture_start(replay->head, replay->length);
    const cookie_io_functions_t functions{read_replay, nullptr, nullptr, close_replay};
    input.replay = fopencookie(replay, "rb", functions);
    if (input.replay == nullptr) {
        delete replay;
        return false;
    }
    std::setvbuf(input.replay, nullptr, _IONBF, 0);
    input.file = input.replay;
    return true;
}

std::FILE* capture_file(Input& input)
{
    if (input.replay != nullptr) {
        std::FILE* const f = input.replay;
        input.replay = nullptr;
        input.file = nullptr;
        return f;
    }
    const int fd = dup(fileno(input.file));
    if (fd < 0)
        return nullptr;
    std::FILE* const f = fdopen(fd, "rb");
    if (f == nullptr) {
        close(fd);
        return nullptr;
    }
    std::setvbuf(f, nullptr, _IOFBF, capture_read_buffer);
    return f;
}

void close_input(Input& input)
{
    if (input.replay != nullptr)
        std::fclose(input.replay);
    input.replay = nullptr;
}

}  // namespace ostrel
