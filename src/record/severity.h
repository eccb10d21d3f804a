// What an entry's Severity byte means, once for every output: the name the list, exports and details show,
// the word of --severity and of the metrics, the system journal's priority, the event and level of an entry
// forwarded to the system's event log, the list's icon and the window filter's choice. Each reading is one
// row; the bytes it covers are its own, and every byte no row covers reads as the last row, Unknown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kestrav {

// The readings in the order of the table; the window's severity choices are these.
enum class SeverityReading : uint8_t { Critical, Caution, Repaired, Informational, Unknown };

// The level of an event in the system's event log.
enum class EventLevel : uint8_t { Error, Warning, Information };

struct SeverityRow {
    SeverityReading reading;
    uint8_t bytes[2]; // the Severity bytes of this reading, the first of them the one the program writes
    size_t byteCount; // 0 for Unknown: the bytes no other row covers
    const char* name; // "Critical": the list, the exports, the details
    const char* word; // "critical": a --severity item (any case) and the metrics label, in English always
    int priority;     // the syslog priority of the system journal
    uint32_t eventId; // the event of a forwarded entry in the program's message table
    EventLevel level; // and its level
    int icon;         // the list's severity icon: 0 critical, 1 caution, 2 repaired, 3 any other
};

// clang-format off
inline constexpr SeverityRow SeverityRows[] = {
    {SeverityReading::Critical,      {15, 0}, 1, "Critical",      "critical",      2, 200, EventLevel::Error,       0},
    {SeverityReading::Caution,       {9, 0},  1, "Caution",       "caution",       4, 201, EventLevel::Warning,     1},
    {SeverityReading::Repaired,      {6, 0},  1, "Repaired",      "repaired",      5, 202, EventLevel::Information, 2},
    {SeverityReading::Informational, {2, 3},  2, "Informational", "informational", 6, 203, EventLevel::Information, 3},
    {SeverityReading::Unknown,       {0, 0},  0, "Unknown",       "unknown",       6, 204, EventLevel::Information, 3},
};
// clang-format on

// Each row stands at its reading's place.
static_assert([] {
    for (size_t i = 0; i < std::size(SeverityRows); ++i) {
        if (static_cast<size_t>(SeverityRows[i].reading) != i) {
            return false;
        }
    }
    return true;
}());

// The rows of the readings that have bytes of their own, and the row of every other byte.
inline constexpr std::span<const SeverityRow> KnownSeverities(SeverityRows, std::size(SeverityRows) - 1);
inline constexpr const SeverityRow& UnknownSeverity = SeverityRows[std::size(SeverityRows) - 1];

// The row of a Severity byte: the row that lists it, else UnknownSeverity.
const SeverityRow& SeverityOf(uint8_t severity);

// Whether an entry of this Severity byte is a fault not yet repaired (Critical or Caution): what the
// monitoring check counts and the report lists as needing attention.
bool NeedsAttention(uint8_t severity);

// The row of a reading.
constexpr const SeverityRow& SeverityRowOf(SeverityReading reading) {
    return SeverityRows[static_cast<size_t>(reading)];
}

// The byte the program writes for a reading: the maintenance note is Informational, a marked entry Repaired.
constexpr uint8_t SeverityByte(SeverityReading reading) {
    return SeverityRowOf(reading).bytes[0];
}

// The known row whose word is word, in any case of ASCII letters; nullptr for none.
const SeverityRow* SeverityNamed(std::string_view word);

} // namespace kestrav
