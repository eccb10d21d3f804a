// The value and location formatters that several decoders share, and the name-table type every decoder keeps
// its own tables in. Each formatter returns the text to print: either its scratch buffer or a constant text
// such as "Unknown", so callers print the returned pointer, never the scratch buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "decode/event_data.h"

namespace kestrav {

inline constexpr size_t ScratchSize = 64;                      // any number, temperature or letter
inline constexpr size_t SlotTextSize = 2 * EventDataSize + 16; // both names of a chassis and slot pair

// A fixed table of names indexed by a byte from the event data.
struct NameTable {
    const char* const* names;
    size_t bound;
    const char* fallback;
};

// The entry at index when index is below the table's bound, otherwise the table's fallback.
const char* LookupName(const NameTable& table, unsigned index);

// Builds a NameTable over a static array; the fallback is "Unknown" unless given.
template <size_t N>
constexpr NameTable MakeNameTable(const char* const (&names)[N], const char* fallback = "Unknown") {
    return NameTable{names, N, fallback};
}

// 0xFF gives "Unknown" (scratch untouched); any other value its decimal digits.
const char* FormatNumberOrUnknown(uint8_t value, std::span<char> scratch);
// The name when present and not empty, otherwise FormatNumberOrUnknown of the value; always returns scratch.
const char* FormatNameOrNumber(uint8_t value, const char* name, std::span<char> scratch);
// "Chassis <name>, " for a non-empty name, otherwise the empty text.
const char* FormatChassisPrefix(const char* chassisName, std::span<char> out);
// The chassis prefix, then the slot name, or "Slot " and the slot number when the slot name is empty.
// pairOffset is where the chassis name of the back-to-back pair starts in the event data.
const char* FormatStorageSlot(std::span<char> out, const EventData& data, size_t pairOffset, uint8_t slot);
// Byte 0 of the event data: 2 "External", 3 "Internal", anything else the empty text.
const char* StorageSideWord(const EventData& data);
// "Enclosure Serial Number <up to 16 characters>" when the text starts with a letter or digit, otherwise
// "Enclosure Address %04X" of event-data bytes 1 (high) and 2 (low).
const char* FormatEnclosureId(const char* text, const EventData& data, std::span<char> out);
// The two port characters of a storage enclosure at offset; a NUL among them ends the port early, so the
// rest of the sentence still follows.
const char* FormatEnclosurePort(const EventData& data, size_t offset, std::span<char> out);
// Copies text into out with leading and trailing white space dropped and each inner run made one blank.
const char* CollapseWhitespace(std::span<char> out, const char* text);

} // namespace kestrav
