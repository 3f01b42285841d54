// How a report ended; the command line turns this into a message and a status.
#pragma once

namespace ostrel {

enum class ReportEnd {
    done,                 // printed what was asked
    not_found,            // no packet starts a section on the PID
    bad_sync,             // stopped at a packet without the sync byte
    read_error,           // the file could not be read
    invalid_pmt,          // the section found is no program map section
    section_past_packet,  // a field the report needs lies past the packet
    no_packets,           // resync found no packet at all
    findings,             // --check counted errors
    out_of_memory,        // the analysis tables could not be had
    empty_cut,            // --write: selected no packet (the cut said why)
};

}  // namespace ostrel
