// The Conditional Access Table (ISO/IEC 13818-1 2.4.4.6) and the
// CA_descriptor (2.6.16) that it, and the map sections, carry: decoded once
// here for the pass (which PIDs carry ECMs and EMMs) and the tables report.
#pragma once

#include <cstddef>

#include "psi/section_bytes.hpp"
#include "ts/descriptor_loop.hpp"
#include "ts/pids.hpp"

namespace ostrel {

inline constexpr unsigned tag_ca_descriptor = 0x09;

struct CaDescriptor {
    bool system_known;  // the bytes hold CA_system_id
    bool pid_known;     // and CA_PID
    unsigned ca_system_id;
    unsigned ca_pid;
    const unsigned char* private_data;  // what follows CA_PID
    std::size_t private_length;
};

// A CA_descriptor's bytes after its tag and length.
CaDescriptor decode_ca_descriptor(const unsigned char* bytes, std::size_t length);

// The descriptors of one CAT section: its whole body.
inline Reader cat_descriptors(const SectionBytes& section) { return section_body(table_id_cat, section); }

// Calls `f(ca_pid)` for each CA_descriptor of the loop that names its PID.
template <class F>
void for_each_ca_pid(const unsigned char* loop, std::size_t length, F f)
{
    for_each_descriptor(loop, length, [&](unsigned tag, const unsigned char* d, std::size_t n) {
        if (tag != tag_ca_descriptor)
            return;
        const CaDescriptor ca = decode_ca_descriptor(d, n);
        if (ca.pid_known)
            f(ca.ca_pid);
    });
}

}  // namespace ostrel
