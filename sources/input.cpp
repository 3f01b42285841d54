#include "sources/input.hpp"

#include <stdio_ext.h>

#include <unistd.h>

namespace ostrel {
namespace {

constexpr std::size_t capture_read_buffer = 256 * 1024;  // libpcap reads a record at a time

ssize_t read_replay(void* cookie, char* into, std::size_t size)
{
    Input& in = *static_cast<Input*>(cookie);
    const std::size_t done = in.source.read(reinterpret_cast<unsigned char*>(into), size);
    return done == 0 && std::ferror(in.file) ? -1 : static_cast<ssize_t>(done);
}

// The FILE reads in large pieces: a buffer of our own (given none, the C
// library takes the block size, 4 KiB, whatever size is asked for).
std::FILE* buffered(Input& input, std::FILE* f)
{
    if (f != nullptr) {
        input.capture_buffer = std::make_unique<char[]>(capture_read_buffer);
        std::setvbuf(f, input.capture_buffer.get(), _IOFBF, capture_read_buffer);
        // One thread reads it: libpcap's two reads a record take no lock.
        __fsetlocking(f, FSETLOCKING_BYCALLER);
    }
    return f;
}

}  // namespace

bool open_input(std::FILE* file, Input& input)
{
    input = Input{};
    input.file = file;
    input.source.input = &input;
    const int fd = fileno(file);
    const off_t at = fd >= 0 ? lseek(fd, 0, SEEK_CUR) : -1;
    if (at >= 0) {
        const ssize_t n = pread(fd, input.head, sizeof input.head, at);
        if (n >= 0) {
            input.capture = is_capture_start(input.head, static_cast<std::size_t>(n));
            return true;
        }
    }
    input.head_length = std::fread(input.head, 1, sizeof input.head, file);
    if (input.head_length == 0 && std::ferror(file))
        return false;
    input.capture = is_capture_start(input.head, input.head_length);
    return true;
}

std::FILE* capture_file(Input& input)
{
    if (input.head_length > 0) {
        const cookie_io_functions_t functions{read_replay, nullptr, nullptr, nullptr};
        return buffered(input, fopencookie(&input, "rb", functions));
    }
    const int fd = dup(fileno(input.file));
    if (fd < 0)
        return nullptr;
    std::FILE* const f = fdopen(fd, "rb");
    if (f == nullptr)
        close(fd);
    return buffered(input, f);
}
std::size_t InputBytes::read(unsigned char* into, std::size_t size)
{
    Input& in = *input;
    std::size_t done = 0;
    for (; in.head_at < in.head_length && done < size; ++done)
        into[done] = in.head[in.head_at++];
    return done + std::fread(into + done, 1, size - done, in.file);
}

bool InputBytes::failed() const { return std::ferror(input->file) != 0; }

}  // namespace ostrel
