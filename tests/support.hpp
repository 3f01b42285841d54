// Helpers for the tests: synthetic packets, files, and runs of the program.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "cli/options.hpp"

namespace ostrel::test {

using Bytes = std::vector<unsigned char>;

struct PacketFields {
    unsigned pid = 0x0100;
    unsigned start = 0;      // payload_unit_start_indicator
    unsigned error = 0;      // transport_error_indicator
    unsigned priority = 0;   // transport_priority
    unsigned scrambling = 0;
    unsigned adaptation = 1;  // adaptation_field_control
    unsigned counter = 0;
    unsigned adaptation_length = 0;  // byte 4 when adaptation is 2 or 3
    unsigned char fill = 0xFF;       // every byte after the header
};

// A 188-byte packet; `body` is written from byte 4 (or from byte 5 when an
// adaptation field is present) over the fill.
Bytes packet(const PacketFields& fields, std::initializer_list<unsigned> body = {});
// A packet of `pid` with an adaptation field that carries the PCR `ticks` (27 MHz), then payload.
Bytes pcr_packet(unsigned pid, unsigned counter, std::uint64_t ticks);
// Writes `bytes` into the packet at `offset`.
void put_bytes(Bytes& packet, std::size_t offset, std::initializer_list<unsigned> bytes);
Bytes join(std::initializer_list<Bytes> parts);

// A section with the long header (section_syntax_indicator 1): table_id,
// section_length, `extension`, version_number, current_next_indicator 1,
// section_number and last_section_number, then `body` and its CRC_32.
Bytes long_section(unsigned table_id, unsigned extension, unsigned version, const Bytes& body,
                   unsigned section_number = 0, unsigned last_section_number = 0);
// A section with the short header: table_id, the flags (the high nibble of
// byte 1), section_length, `body`, and a CRC_32 when `crc` (as a
// time_offset_section carries one).
Bytes short_section(unsigned table_id, const Bytes& body, bool crc, unsigned flags = 0x70);
// The packets that carry `section` on `pid`, counters from `counter`, the
// pointer_field in the first, 0xFF after the section's end.
Bytes section_packets(unsigned pid, const Bytes& section, unsigned counter = 0);
// A descriptor: tag, length, bytes.
Bytes descriptor(unsigned tag, const Bytes& body);

// ffmpeg_clean.ts (or another stream) played 7 times, each time a second
// later (PCRs) with the counters going on; the audio (PID 0101) is gone from
// the 2nd to the 6th time. With `no_pcr_until`, the PCR flags are cleared
// from the 2nd play to packet `no_pcr_until` of the 7th.
Bytes looped(const Bytes& s, std::size_t no_pcr_until = 0);
// The stream played `times` times the same way, `edit(play, packet, bytes)` called on each packet.
Bytes played(const Bytes& s, unsigned times,
             const std::function<void(unsigned, std::size_t, unsigned char*)>& edit = {});
unsigned packet_pid_of(const unsigned char* p);

// Packet n (from 1) of a stream of 188-byte packets; dropping it; repeating it.
unsigned char* at(Bytes& stream, std::size_t n);
void drop(Bytes& stream, std::size_t n);
void repeat(Bytes& stream, std::size_t n, unsigned times);
std::string fixture_path(const std::string& name);  // under tests/fixtures/

// What a plain read says at a lost sync byte of a stream in memory (no head to read again).
inline const std::string invalid_sync_message =
    "Invalid sync_byte\nostrel: --resync finds the packets again after bytes that are not packets\n";

struct Result {
    std::string out;
    std::string err;
    int status;
};

// Runs the report `options` choose over `file` in this process, reading
// `read_piece` bytes at a time into a window of six packets.
Result run_report(const Bytes& file, const RunOptions& options, const std::string& keys = "",
                  std::size_t read_piece = 3 * 188);
Bytes read_bytes(const std::string& path);

// The packet report of a flow without its "=> Capture Frame:" lines: as the same TS in a file reads.
std::string without_frame_lines(const std::string& report);

// --check's finding lines without their ", at 1.234 s" (tests of the values alone).
std::string without_times(const std::string& findings);

// Runs the built program through /bin/sh; `command` may use $OSTREL for it.
Result run_program(const std::string& command);

// A fresh file under the test's own temporary folder.
std::string temp_path(const std::string& name);
void write_file(const std::string& path, const Bytes& bytes);
std::string read_file(const std::string& path);

std::string sample_path(const std::string& name);  // under samples/
std::string golden(const std::string& name);       // contents of tests/golden/NAME

}  // namespace ostrel::test
