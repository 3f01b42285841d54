// When the TS bytes of a network source arrived: one record per datagram,
// the position of its first TS byte in the source's byte stream, the frame
// it came in and its arrival time. The source writes records as it hands
// bytes on; readers look packets up in position order. The log holds more
// datagrams than a read window can hold TS bytes for, so a record is never
// overwritten before the packets it times are read.
#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

struct ArrivalRecord {
    std::uint64_t offset;  // of the datagram's first TS byte
    std::uint64_t frame;   // its number in the capture (0 for a socket)
    std::int64_t time_ns;  // since 1970
};

struct ArrivalLog {
    static constexpr unsigned capacity = 8192;
    ArrivalRecord records[capacity];
    std::uint64_t written = 0;
};

inline void arrival_note(ArrivalLog& log, const ArrivalRecord& record)
{
    log.records[log.written++ % ArrivalLog::capacity] = record;
}

// A reader's place in the log.
struct ArrivalCursor {
    std::uint64_t index = 0;
};

// The record of the datagram that holds byte `offset`, from the cursor on;
// null when none is logged.
inline const ArrivalRecord* arrival_at(const ArrivalLog& log, ArrivalCursor& cursor, std::uint64_t offset)
{
    if (log.written == 0)
        return nullptr;
    if (log.written > ArrivalLog::capacity && cursor.index < log.written - ArrivalLog::capacity)
        cursor.index = log.written - ArrivalLog::capacity;
    while (cursor.index + 1 < log.written && log.records[(cursor.index + 1) % ArrivalLog::capacity].offset <= offset)
        ++cursor.index;
    return &log.records[cursor.index % ArrivalLog::capacity];
}

// Where the datagram after the cursor's starts: the end of the bytes the
// cursor's record times; none (UINT64_MAX) while that datagram is not logged.
inline std::uint64_t next_arrival_offset(const ArrivalLog& log, const ArrivalCursor& cursor)
{
    const std::uint64_t next = cursor.index + 1;
    return next < log.written ? log.records[next % ArrivalLog::capacity].offset : UINT64_MAX;
}

// "2026-12-09 08:50:47.123456789 UTC"; `iso`: "2026-12-09T08:50:47.123456789Z".
std::string arrival_time_text(std::int64_t time_ns, bool iso);

}  // namespace ostrel
