// The four renderers that turn a log entry's fields into the texts of the list and the exports: severity name,
// class name, timestamp and event description. Each clears the caller's buffer and leaves one terminated text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "record/log_entry.h"

namespace kestrav {

inline constexpr size_t DescriptionBufferSize = 2048;

void FormatSeverityName(uint8_t severity, std::span<char> buffer);
void FormatClassName(uint16_t eventClass, std::span<char> buffer);
void FormatEntryTime(const LogTime& time, std::span<char> buffer);
// The two parts FormatEntryTime joins with one blank: the stamp's date in the user's locale, else
// "Invalid: M/D/YYYY"; its time of day, else "Invalid: H:M". Each at most 50 bytes.
void FormatEntryDate(const LogTime& time, std::span<char> buffer);
void FormatEntryClock(const LogTime& time, std::span<char> buffer);

// eventData points at the 228-byte event data area; eventDataLength is (Length - 28) modulo 256 and reaches
// only the power subsystem decoder.
void FormatEventDescription(uint16_t eventClass, uint16_t code, const uint8_t* eventData, std::span<char> buffer,
                            uint8_t eventDataLength);

// The description of a whole entry.
void FormatEntryDescription(const LogEntry& entry, std::span<char> buffer);

}  // namespace kestrav
