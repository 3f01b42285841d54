#include "psi/section_assembler.hpp"

#include <algorithm>
#include <cstring>

#include "ts/crc32.hpp"

namespace ostrel {
namespace {

constexpr std::size_t header_bytes = 3;  // table_id, section_syntax_indicator .. section_length
constexpr std::size_t crc_bytes = 4;
constexpr unsigned char stuffing = 0xFF;

void begin_section(SectionSlot& slot)
{
    slot.have = 0;
    slot.total = 0;
    slot.crc = crc32_initial;
    slot.carried = 0;
    slot.active = true;
}

// Takes bytes while the section needs them; yields how many were taken.
std::size_t take_bytes(SectionSlot& slot, const unsigned char* bytes, std::size_t n)
{
    std::size_t taken = 0;
    while (taken < n && (slot.total == 0 || slot.have < slot.total)) {
        std::size_t piece = n - taken;
        const std::size_t end = slot.total != 0 ? slot.total : header_bytes;
        if (piece > end - slot.have)
            piece = end - slot.have;
        const unsigned char* const p = bytes + taken;
        if (slot.have < max_section_bytes) {
            const std::size_t keep = piece < max_section_bytes - slot.have ? piece : max_section_bytes - slot.have;
            std::memcpy(slot.data + slot.have, p, keep);
        }
        // The CRC covers the bytes before the CRC_32 field; the field itself is kept apart.
        const std::size_t crc_end = slot.total != 0 ? slot.total - crc_bytes : header_bytes;
        const std::size_t covered = slot.have < crc_end ? std::min(piece, crc_end - slot.have) : 0;
        slot.crc = crc32_update(slot.crc, p, covered);
        for (std::size_t i = covered; i < piece; ++i)
            slot.carried = slot.carried << 8 | p[i];
        slot.have += piece;
        taken += piece;
        if (slot.total == 0 && slot.have == header_bytes) {
            slot.total = header_bytes + ((slot.data[1] & 0x0Fu) << 8 | slot.data[2]);
            if (slot.total > max_private_section_bytes || slot.total < header_bytes + crc_bytes) {
                // No section of this size: the bytes are not what a section would be.
                slot.active = false;
                return n;
            }
        }
    }
    return taken;
}

bool complete(const SectionSlot& slot) { return slot.active && slot.total != 0 && slot.have == slot.total; }

void finish(SectionSlot& slot, SectionDone& done)
{
    slot.active = false;
    const AssembledSection s{slot.data,
                    slot.total < max_section_bytes ? slot.total : max_section_bytes,
                    slot.total,
                    carries_crc(slot.data[0], slot.data[1]),
                    slot.carried,
                    slot.crc};
    done.section(s);
}

}  // namespace

void assemble_sections(SectionSlot& slot, const unsigned char* payload, std::size_t length, bool unit_start,
                       SectionDone& done)
{
    if (!unit_start) {
        if (slot.active) {
            take_bytes(slot, payload, length);
            if (complete(slot))
                finish(slot, done);
        }
        return;
    }
    if (length == 0) {
        slot.active = false;
        return;
    }
    // The bytes before the point where the pointer_field points end the previous section.
    const std::size_t first = 1 + static_cast<std::size_t>(payload[0]);
    const std::size_t tail_end = first < length ? first : length;
    if (slot.active) {
        take_bytes(slot, payload + 1, tail_end - 1);
        if (complete(slot))
            finish(slot, done);
    }
    slot.active = false;
    std::size_t i = first;
    while (i < length && payload[i] != stuffing) {
        begin_section(slot);
        i += take_bytes(slot, payload + i, length - i);
        if (!complete(slot))
            return;  // goes on in the next packet, or was no section
        finish(slot, done);
    }
}

}  // namespace ostrel
