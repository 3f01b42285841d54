// What the input file is: a transport stream, or a network capture, told by
// its first bytes. They are looked at without being taken from the file
// where the file allows (a read at its position); else (a pipe, a stream in
// memory) they are read, and handed back in front of the rest: to the packet
// loop by a byte source, to libpcap by a FILE of our own.
#pragma once

#include <cstdio>
#include <memory>

#include "sources/capture/capture.hpp"
#include "sources/file/byte_window.hpp"

namespace ostrel {

struct Input;

// The head taken from the file, then the rest of the file.
struct InputBytes final : ByteSource {
    Input* input = nullptr;
    std::size_t read(unsigned char* into, std::size_t size) override;
    bool failed() const override;
};

struct Input {
    std::FILE* file;
    bool capture;              // pcap or pcapng
    unsigned char head[capture_magic_bytes];
    std::size_t head_length;   // bytes taken from the file to look at, to be handed back
    std::size_t head_at;
    InputBytes source;         // when head_length > 0: the head, then the file
    std::unique_ptr<char[]> capture_buffer;  // the buffer of the FILE libpcap reads
};

// False when the first bytes could not be read.
bool open_input(std::FILE* file, Input& input);

// A FILE for libpcap, which closes what it is given: a descriptor of its
// own for the file, else a FILE that hands the head back. Null when none
// can be made.
std::FILE* capture_file(Input& input);

}  // namespace ostrel
