// Log entries made for tests, field by field; portable, so that in-process tests build for Windows too.
#pragma once

#include <cstring>
#include <string>

#include "record/log_entry.h"

namespace kestrav::clitest {

// An entry as the firmware would store it: Length covers the data and a terminator.
inline LogEntry MakeEntry(uint32_t number, uint8_t severity, uint16_t eventClass, uint16_t code,
                          LogTime initial, LogTime update, uint32_t count, const std::string& data) {
    LogEntry entry;
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + data.size() + 1));
    entry.SetEventNumber(number);
    entry.SetHeaderByte6(1);
    entry.SetSeverity(severity);
    entry.SetClass(eventClass);
    entry.SetCode(code);
    entry.SetInitialTime(initial);
    entry.SetUpdateTime(update);
    entry.SetCount(count);
    std::memcpy(entry.EventData(), data.data(), data.size());
    return entry;
}

} // namespace kestrav::clitest
