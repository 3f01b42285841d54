#include "psi/demux.hpp"

#include <algorithm>

#include "ts/packet_header.hpp"
#include "ts/crc32.hpp"

namespace ostrel {
namespace {

bool is_eit(unsigned table_id) { return table_id >= 0x4E && table_id <= 0x6F; }
bool is_schedule(unsigned table_id) { return table_id >= 0x50 && table_id <= 0x6F; }

std::uint64_t key_of(unsigned pid, unsigned table_id, unsigned extension)
{
    return std::uint64_t{pid} << 24 | table_id << 16 | extension;
}

std::uint32_t carried_crc(const unsigned char* d, std::size_t size)
{
    return be32_at(d + size - 4);
}

}  // namespace

int SectionDemux::find(unsigned pid, unsigned table_id, unsigned extension)
{
    const std::uint64_t key = key_of(pid, table_id, extension);
    const auto it = index_.find(key);
    if (it != index_.end())
        return static_cast<int>(it->second);
    if (states_.size() == max_tables)
        return -1;
    index_.emplace(key, static_cast<unsigned>(states_.size()));
    states_.emplace_back();
    TableStats stats;
    stats.pid = pid;
    stats.table_id = table_id;
    stats.extension = extension;
    stats_.push_back(stats);
    return static_cast<int>(states_.size() - 1);
}

void SectionDemux::restart(State& s, int version, unsigned last_section)
{
    s.version = version;
    s.last_section = last_section;
    s.have.reset();
    s.segment_last.fill(0);
    s.got.assign(last_section + 1, 0);
    for (const Held& h : s.held)
        held_bytes_ -= h.bytes.size();
    s.held.clear();
    s.holding = false;
    s.kept = true;
}

bool SectionDemux::complete(const State& s, unsigned table_id) const
{
    if (!is_eit(table_id))
        return s.have.count() == s.last_section + 1;
    // EIT: every segment up to last_section_number, each to its segment_last_section_number.
    for (unsigned segment = 0; segment * 8 <= s.last_section; ++segment) {
        if (s.segment_last[segment] == 0)
            return false;
        const unsigned first = segment * 8;
        unsigned last = s.segment_last[segment] - 1u;
        last = std::clamp(last, first, std::min(first + 7, s.last_section));
        for (unsigned n = first; n <= last; ++n) {
            if (!s.have[n])
                return false;
        }
    }
    return true;
}

void SectionDemux::section(unsigned pid, const unsigned char* data, std::size_t size, bool crc_ok,
                           std::uint64_t packet, std::uint64_t offset)
{
    if (size < 3)
        return;
    const unsigned table_id = data[0];
    const bool long_form = (data[1] & 0x80) != 0;
    if (long_form && size < 12)
        return;  // no room for the header and the CRC_32
    const unsigned extension = long_form ? (data[3] << 8 | data[4]) : 0;
    const int slot = find(pid, table_id, extension);
    if (slot < 0) {
        ++untracked_;
        return;
    }
    State& s = states_[static_cast<unsigned>(slot)];
    if (!crc_ok) {
        ++stats_[static_cast<unsigned>(slot)].crc_errors;
        return;
    }
    const int version = long_form ? (data[5] >> 1) & 0x1F : 0;
    const bool current = !long_form || (data[5] & 1) != 0;
    const unsigned number = long_form ? data[6] : 0;
    const unsigned last = long_form ? data[7] : 0;
    if (!current || number > last)
        return;  // not yet applicable, or no such section
    TableStats& stats = stats_[static_cast<unsigned>(slot)];
    stats.section_packet = packet;
    stats.section_offset = offset;
    if (number < 64)
        stats.sections_seen |= std::uint64_t{1} << number;
    // What tells one content from another: the CRC_32 the section carries, or
    // one worked out over a section that carries none (a TDT). Worked out over
    // a section and its own correct CRC_32, it would be the same for every TOT.
    const std::uint32_t crc =
        carries_crc(table_id, data[1]) ? carried_crc(data, size) : crc32_update(crc32_initial, data, size);
    if (s.version != version || s.last_section != last)
        restart(s, version, last);
    if (s.have[number]) {
        if (s.got[number] == crc)
            return;  // once more in this collection
        restart(s, version, last);  // the content changed within the version
    }
    const bool as_copy = s.copy_version == version && s.copy.size() == last + 1u && s.copy[number] == crc;
    if (!as_copy && !s.holding) {
        // Differs from the last copy: from here on every section is held.
        if (s.have.any())
            restart(s, version, last);
        s.holding = true;
    }
    s.have.set(number);
    s.got[number] = crc;
    if (is_eit(table_id) && size >= 14)
        s.segment_last[number / 8] = static_cast<unsigned char>(std::min(data[12], static_cast<unsigned char>(254)) + 1);
    if (s.holding) {
        const std::size_t room = is_schedule(table_id) ? max_schedule_bytes : max_held_bytes;
        if (held_bytes_ + size <= room) {
            s.held.push_back(Held{number, std::vector<unsigned char>(data, data + size)});
            held_bytes_ += size;
        } else {
            s.kept = false;
            ++unkept_;
        }
    }
    if (complete(s, table_id))
        finish(static_cast<unsigned>(slot), pid, table_id, extension, long_form, current, packet, offset);
}

void SectionDemux::finish(unsigned slot, unsigned pid, unsigned table_id, unsigned extension, bool long_form,
                          bool current, std::uint64_t packet, std::uint64_t offset)
{
    State& s = states_[slot];
    TableStats& stats = stats_[slot];
    ++stats.copies;
    listener_.copy(slot, offset);
    if (s.holding) {
        if (s.copy_version != s.version)
            ++stats.versions;
        stats.last_packet = packet;
        if (s.kept) {
            std::sort(s.held.begin(), s.held.end(), [](const Held& a, const Held& b) { return a.number < b.number; });
            std::vector<SectionBytes> sections;
            for (const Held& h : s.held)
                sections.push_back(SectionBytes{h.bytes.data(), h.bytes.size()});
            listener_.table(TableEvent{pid, table_id, extension, static_cast<unsigned>(s.version), long_form, current,
                                       sections.data(), static_cast<unsigned>(sections.size()), packet, offset});
        }
        s.copy_version = s.version;
        s.copy = s.got;
        for (const Held& h : s.copy_held)
            held_bytes_ -= h.bytes.size();
        s.copy_held.clear();
        if (s.kept && !is_schedule(table_id))
            s.copy_held.swap(s.held);  // kept as the last copy; restart frees the rest
    }
    restart(s, s.version, s.last_section);
}

void SectionDemux::add_interval(unsigned table, double interval)
{
    TableStats& stats = stats_[table];
    stats.interval_min = stats.intervals == 0 ? interval : std::min(stats.interval_min, interval);
    stats.interval_max = stats.intervals == 0 ? interval : std::max(stats.interval_max, interval);
    stats.interval_sum += interval;
    ++stats.intervals;
}

bool SectionDemux::last_copy_any(unsigned pid, unsigned table_id, std::vector<SectionBytes>& sections) const
{
    sections.clear();
    for (const TableStats& s : stats_) {
        if (s.pid == pid && s.table_id == table_id && last_copy(pid, table_id, s.extension, sections))
            return true;
    }
    return false;
}

int SectionDemux::index_of(unsigned pid, unsigned table_id, unsigned extension) const
{
    const auto it = index_.find(key_of(pid, table_id, extension));
    return it == index_.end() ? -1 : static_cast<int>(it->second);
}

const TableStats* SectionDemux::find_stats(unsigned pid, unsigned table_id, unsigned extension) const
{
    const int slot = index_of(pid, table_id, extension);
    return slot < 0 ? nullptr : &stats_[static_cast<unsigned>(slot)];
}

bool SectionDemux::last_copy(unsigned pid, unsigned table_id, unsigned extension,
                             std::vector<SectionBytes>& sections) const
{
    sections.clear();
    const int slot = index_of(pid, table_id, extension);
    if (slot < 0)
        return false;
    for (const Held& h : states_[static_cast<unsigned>(slot)].copy_held)
        sections.push_back(SectionBytes{h.bytes.data(), h.bytes.size()});
    return !sections.empty();
}

}  // namespace ostrel
