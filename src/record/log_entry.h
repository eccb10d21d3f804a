// The Corvane Log entry: the fixed 256-byte little-endian record exactly as it travels in a driver response,
// and its six-byte local timestamp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace kestrav {

inline constexpr size_t LogEntrySize = 256;
inline constexpr size_t EntryHeaderSize = 28;
inline constexpr size_t EventDataSize = LogEntrySize - EntryHeaderSize; // 228
inline constexpr size_t MaxNoteLength = 227; // the longest note or user name that fits with its NUL

// Century, year in century, month, day, hour, minute; local time, no seconds.
struct LogTime {
    uint8_t century = 0;
    uint8_t year = 0;
    uint8_t month = 0;
    uint8_t day = 0;
    uint8_t hour = 0;
    uint8_t minute = 0;
};
static_assert(sizeof(LogTime) == 6);

// The LogTime of a broken-down local time: century and year in century from the full year.
inline LogTime MakeLogTime(const std::tm& local) {
    int year = local.tm_year + 1900;
    return LogTime{static_cast<uint8_t>(year / 100),       static_cast<uint8_t>(year % 100),
                   static_cast<uint8_t>(local.tm_mon + 1), static_cast<uint8_t>(local.tm_mday),
                   static_cast<uint8_t>(local.tm_hour),    static_cast<uint8_t>(local.tm_min)};
}

// Little-endian loads and stores at any offset, for records that are copied byte for byte.
inline uint16_t LoadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LoadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void StoreLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// One log entry. The bytes are the record; the accessors read and write its fields at their fixed offsets.
struct LogEntry {
    uint8_t bytes[LogEntrySize] = {};

    static constexpr size_t LengthOffset = 0;
    static constexpr size_t EventNumberOffset = 2;
    static constexpr size_t HeaderByte6Offset = 6;
    static constexpr size_t SeverityOffset = 7;
    static constexpr size_t ClassOffset = 8;
    static constexpr size_t CodeOffset = 10;
    static constexpr size_t InitialTimeOffset = 12;
    static constexpr size_t UpdateTimeOffset = 18;
    static constexpr size_t CountOffset = 24;

    uint16_t Length() const { return LoadLe16(bytes + LengthOffset); }
    uint32_t EventNumber() const { return LoadLe32(bytes + EventNumberOffset); }
    uint8_t HeaderByte6() const { return bytes[HeaderByte6Offset]; }
    uint8_t Severity() const { return bytes[SeverityOffset]; }
    uint16_t Class() const { return LoadLe16(bytes + ClassOffset); }
    uint16_t Code() const { return LoadLe16(bytes + CodeOffset); }
    LogTime InitialTime() const { return LoadTime(InitialTimeOffset); }
    LogTime UpdateTime() const { return LoadTime(UpdateTimeOffset); }
    uint32_t Count() const { return LoadLe32(bytes + CountOffset); }
    const uint8_t* EventData() const { return bytes + EntryHeaderSize; }
    uint8_t* EventData() { return bytes + EntryHeaderSize; }

    // (Length - 28) modulo 256, from the low byte of Length: a Length below 28 wraps (0 gives 228).
    uint8_t EventDataLength() const { return static_cast<uint8_t>(bytes[LengthOffset] - EntryHeaderSize); }

    void SetLength(uint16_t v) { StoreLe16(bytes + LengthOffset, v); }
    void SetEventNumber(uint32_t v) { StoreLe32(bytes + EventNumberOffset, v); }
    void SetHeaderByte6(uint8_t v) { bytes[HeaderByte6Offset] = v; }
    void SetSeverity(uint8_t v) { bytes[SeverityOffset] = v; }
    void SetClass(uint16_t v) { StoreLe16(bytes + ClassOffset, v); }
    void SetCode(uint16_t v) { StoreLe16(bytes + CodeOffset, v); }
    void SetInitialTime(const LogTime& t) { StoreTime(InitialTimeOffset, t); }
    void SetUpdateTime(const LogTime& t) { StoreTime(UpdateTimeOffset, t); }
    void SetCount(uint32_t v) { StoreLe32(bytes + CountOffset, v); }

private:
    LogTime LoadTime(size_t offset) const {
        LogTime t;
        std::memcpy(&t, bytes + offset, sizeof t);
        return t;
    }
    void StoreTime(size_t offset, const LogTime& t) { std::memcpy(bytes + offset, &t, sizeof t); }
};
static_assert(sizeof(LogEntry) == LogEntrySize);

} // namespace kestrav
