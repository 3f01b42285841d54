// The one section demux: sections (from the assembler, CRC_32 checked) are
// grouped into tables by (PID, table_id, table_id_extension). A table with
// the long header is complete when every section of one version has come
// (for the EIT, every section of every segment up to last_section_number);
// a new version, or changed content, is a new table. A section with the short
// header is a table of its own, new when its content is. New tables go to the
// sink; unchanged copies are counted, with their repetition interval.
// The last copy of each table is kept (but for the EIT schedule, the bulk of
// a multiplex's SI), so that a report may look a table up when it needs it.
// The store is bounded: tables past its size, and sections past its bytes
// (EIT schedule sections first), are counted, not kept.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "psi/table_decoders.hpp"

namespace ostrel {

struct TableEvent {
    unsigned pid, table_id, extension, version;  // version and extension 0 for the short header
    bool long_form, current;
    const SectionBytes* sections;  // in section_number order
    unsigned count;
    std::uint64_t packet, offset;  // where it became complete
};

struct TableStats {
    unsigned pid, table_id, extension;
    std::uint64_t versions = 0, copies = 0, crc_errors = 0;
    std::uint64_t last_packet = 0;  // where its latest new table completed
    std::uint64_t section_packet = 0, section_offset = 0;  // its latest section with a correct CRC_32
    std::uint64_t sections_seen = 0;  // bit n: a section with section_number n (< 64) came
    std::uint64_t intervals = 0;  // between complete copies, timed
    double interval_min = 0, interval_max = 0, interval_sum = 0;
};

// What the demux tells of the tables it gathers.
struct TableListener {
    virtual void table(const TableEvent& table) = 0;  // a new table, complete
    // Every complete copy, new or not: the table's index in stats() and where it completed.
    virtual void copy(unsigned table, std::uint64_t offset) = 0;

protected:
    ~TableListener() = default;
};

class SectionDemux {
public:
    static constexpr std::size_t max_tables = 4096;
    static constexpr std::size_t max_held_bytes = 8u << 20;
    static constexpr std::size_t max_schedule_bytes = 6u << 20;  // of them, for EIT schedule sections

    explicit SectionDemux(TableListener& listener) : listener_(listener) {}

    // A complete section on `pid`.
    void section(unsigned pid, const unsigned char* data, std::size_t size, bool crc_ok, std::uint64_t packet,
                 std::uint64_t offset);
    // The time between two copies of table `table`, once it is known.
    void add_interval(unsigned table, double seconds);

    // The last complete copy of a table; false when there is none kept.
    bool last_copy(unsigned pid, unsigned table_id, unsigned extension, std::vector<SectionBytes>& sections) const;

    // The same for the first table of a PID and table_id, whatever its extension.
    bool last_copy_any(unsigned pid, unsigned table_id, std::vector<SectionBytes>& sections) const;
    // The index in stats() of a table, or -1.
    int index_of(unsigned pid, unsigned table_id, unsigned extension) const;
    // The figures of one table; null when it never came.
    const TableStats* find_stats(unsigned pid, unsigned table_id, unsigned extension) const;

    const std::vector<TableStats>& stats() const { return stats_; }
    std::uint64_t untracked_sections() const { return untracked_; }  // of tables past the store's size
    std::uint64_t unkept_sections() const { return unkept_; }        // past its bytes

private:
    struct Held {
        unsigned number;
        std::vector<unsigned char> bytes;
    };
    struct State {
        int version = -1;  // being collected
        unsigned last_section = 0;
        std::bitset<256> have;
        std::array<unsigned char, 32> segment_last{};  // EIT: segment_last_section_number + 1 per segment, 0 unseen
        std::vector<std::uint32_t> got;  // the CRC_32 of each section collected, by section_number
        bool holding = false;  // the collection differs from the last copy: its sections are held
        std::vector<Held> held;
        bool kept = true;  // every section held was kept
        int copy_version = -1;             // of the last complete copy
        std::vector<std::uint32_t> copy;   // its sections' CRCs, by position
        std::vector<Held> copy_held;       // and its sections, when kept
    };

    TableListener& listener_;
    std::unordered_map<std::uint64_t, unsigned> index_;
    std::vector<State> states_;
    std::vector<TableStats> stats_;
    std::size_t held_bytes_ = 0;
    std::uint64_t untracked_ = 0, unkept_ = 0;

    int find(unsigned pid, unsigned table_id, unsigned extension);
    void restart(State& s, int version, unsigned last_section);
    bool complete(const State& s, unsigned table_id) const;
    void finish(unsigned slot, unsigned pid, unsigned table_id, unsigned extension, bool long_form, bool current,
                std::uint64_t packet, std::uint64_t offset);
};

}  // namespace ostrel
