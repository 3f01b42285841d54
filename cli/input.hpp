// What the input file is: a transport stream, or a network capture, told by
// its first bytes. They are looked at without being taken from the file
// where the file allows (a read at its position); else (a pipe, a stream in
// memory) they are read and handed back in front of the rest by a FILE of
// our own.
#pragma once

#include <cstdio>

namespace ostrel {

struct Input {
    std::FILE* file;    // what to read: the file itself, or `replay`
    std::FILE* replay;  // the FILE that hands the first bytes back, or null; closed by close_input
    bool capture;       // pcap or pcapng
};

// False when the first bytes could not be read (with the input then empty).
bool open_input(std::FILE* file, Input& input);

// A FILE for libpcap, which closes what it is given: a descriptor of its
// own for a file, else the replay (which then belongs to libpcap). Null
// when none can be made.
std::FILE* capture_file(Input& input);

void close_input(Input& input);

}  // namespace ostrel
