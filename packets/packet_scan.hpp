// The one packet loop: the file is read front to back in large blocks and
// handed on one 188-byte packet at a time, numbered from 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "packets/packet_header.hpp"

namespace ostrel {

enum class ScanEnd {
    end_of_file,  // no complete packet left; a trailing piece is ignored
    stopped,      // the step asked to stop
    bad_sync,     // a packet whose byte 0 is not 0x47
    read_error,   // the file could not be read
};

struct PacketInput {
    std::FILE* file;
    unsigned char* block;      // the caller's read buffer
    std::size_t block_packets; // its size in packets, at least 1
};

// Calls step(packet, packet_number) for each packet until it returns false.
template <class Step>
ScanEnd scan_packets(const PacketInput& in, Step&& step)
{
    const std::size_t block_bytes = in.block_packets * packet_size;
    std::uint64_t number = 0;
    for (;;) {
        const std::size_t got = std::fread(in.block, 1, block_bytes, in.file);
        const unsigned char* const end = in.block + got / packet_size * packet_size;
        for (const unsigned char* p = in.block; p != end; p += packet_size) {
            if (p[0] != sync_byte_value)
                return ScanEnd::bad_sync;
            if (!step(p, ++number))
                return ScanEnd::stopped;
        }
        if (got < block_bytes)
            return std::ferror(in.file) ? ScanEnd::read_error : ScanEnd::end_of_file;
    }
}

// Finds the first packet without transport error that starts a unit on `pid`
// and copies it to `packet`. Yields ScanEnd::stopped when one was found.
ScanEnd find_section_packet(const PacketInput& in, unsigned pid, unsigned char* packet);

}  // namespace ostrel
