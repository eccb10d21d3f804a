#include <algorithm>
#include <cstring>

#include "decode/event_data.h"
#include "decode/event_text.h"
#include "platform/system.h"

namespace kestrav {

void FormatEntryDate(const LogTime& time, std::span<char> buffer) {
    if (buffer.empty()) {
        return;
    }
    const int year = time.century * 100 + time.year;
    char date[64];
    if (!platform::FormatLocaleDate(year, time.month, time.day, std::span<char>(date, 51))) {
        FormatInto(date, "Invalid: %d/%d/%d", time.month, time.day, year);
    }
    const size_t length = std::min(std::strlen(date), buffer.size() - 1);
    std::memcpy(buffer.data(), date, length);
    buffer[length] = '\0';
}

void FormatEntryClock(const LogTime& time, std::span<char> buffer) {
    if (buffer.empty()) {
        return;
    }
    char clock[64];
    if (!platform::FormatLocaleTime(time.hour, time.minute, std::span<char>(clock, 51))) {
        FormatInto(clock, "Invalid: %d:%d", time.hour, time.minute);
    }
    const size_t length = std::min(std::strlen(clock), buffer.size() - 1);
    std::memcpy(buffer.data(), clock, length);
    buffer[length] = '\0';
}

// The date and the time are judged separately: either may be invalid while the other renders normally.
void FormatEntryTime(const LogTime& time, std::span<char> buffer) {
    if (buffer.empty()) {
        return;
    }
    char date[64];
    FormatEntryDate(time, date);
    char clock[64];
    FormatEntryClock(time, clock);
    // "date time", cut to the buffer; copied rather than formatted, as every listed entry has two.
    size_t at = 0;
    for (const char* part : {static_cast<const char*>(date), " ", static_cast<const char*>(clock)}) {
        size_t length = std::min(std::strlen(part), buffer.size() - 1 - at);
        std::memcpy(buffer.data() + at, part, length);
        at += length;
    }
    buffer[at] = '\0';
}

} // namespace kestrav
