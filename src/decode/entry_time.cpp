#include <algorithm>
#include <cstring>

#include "decode/event_data.h"
#include "decode/event_text.h"
#include "platform/system.h"

namespace kestrav {

namespace {

// text into the buffer, cut to fit.
void CopyCut(std::span<char> buffer, const char* text) {
    const size_t length = std::min(std::strlen(text), buffer.size() - 1);
    std::memcpy(buffer.data(), text, length);
    buffer[length] = '\0';
}

} // namespace

void FormatEntryDate(const LogTime& time, std::span<char> buffer) {
    const int year = time.century * 100 + time.year;
    char date[64];
    if (!platform::FormatLocaleDate(year, time.month, time.day, std::span<char>(date, 51))) {
        FormatInto(date, "Invalid: %d/%d/%d", time.month, time.day, year);
    }
    if (!buffer.empty()) {
        CopyCut(buffer, date);
    }
}

void FormatEntryClock(const LogTime& time, std::span<char> buffer) {
    char clock[64];
    if (!platform::FormatLocaleTime(time.hour, time.minute, std::span<char>(clock, 51))) {
        FormatInto(clock, "Invalid: %d:%d", time.hour, time.minute);
    }
    if (!buffer.empty()) {
        CopyCut(buffer, clock);
    }
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
