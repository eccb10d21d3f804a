// An entry's fields, declared once for every output: what each field is, the title of its column, its key in
// JSON Lines and CSV, its name in the system journal, and how its value is read and shown. Each output is an
// order of fields that its writer walks: the listing and the classic export, the window's columns, JSON, CSV,
// the journal and the insertion texts of an entry forwarded to the system's event log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>

#include "record/log_entry.h"
#include "resources/string_table.h"

namespace kestrav {

enum class EntryField : uint8_t {
    EventNumber,
    Severity,     // the byte
    SeverityName, // its name
    Class,
    ClassName,
    Code,
    UpdateTime,
    InitialTime,
    Host,     // the name of the host that reads the log
    Program,  // the name of the program that reports the entry
    Priority, // the system journal's priority of the severity
    Count,
    Description,
    Data, // the event data area
    Raw,  // the whole record
};

enum class FieldKind : uint8_t {
    Number, // an unsigned number, in decimal
    Text,   // a text: a name, the description
    Time,   // one of the entry's stamps
    Bytes,  // bytes of the record, as lower-case hex digits
};

struct FieldRow {
    EntryField field;
    FieldKind kind;
    uint32_t title;          // the string number of its column title; 0 for a field that is no column
    const char* key;         // its JSON key and CSV heading; nullptr for a field that neither carries
    const char* journalName; // its system journal field name; nullptr for a field the journal does not carry
    bool signedInColumns;    // a column shows it as a signed 32-bit number
};

// clang-format off
inline constexpr FieldRow EntryFields[] = {
    {EntryField::EventNumber,  FieldKind::Number, EventNumberColumnTitle, "event_number",  "CVR_EVENT_NUMBER",  true},
    {EntryField::Severity,     FieldKind::Number, 0,                      "severity",      "CVR_SEVERITY",      false},
    {EntryField::SeverityName, FieldKind::Text,   SeverityColumnTitle,    "severity_name", "CVR_SEVERITY_NAME", false},
    {EntryField::Class,        FieldKind::Number, 0,                      "class",         "CVR_CLASS",         false},
    {EntryField::ClassName,    FieldKind::Text,   ClassColumnTitle,       "class_name",    "CVR_CLASS_NAME",    false},
    {EntryField::Code,         FieldKind::Number, CodeColumnTitle,        "code",          "CVR_CODE",          false},
    {EntryField::UpdateTime,   FieldKind::Time,   UpdateTimeColumnTitle,  "update_time",   "CVR_UPDATE_TIME",   false},
    {EntryField::InitialTime,  FieldKind::Time,   InitialTimeColumnTitle, "initial_time",  "CVR_INITIAL_TIME",  false},
    {EntryField::Host,         FieldKind::Text,   0,                      "host",          nullptr,             false},
    {EntryField::Program,      FieldKind::Text,   0,                      nullptr,         "SYSLOG_IDENTIFIER", false},
    {EntryField::Priority,     FieldKind::Number, 0,                      nullptr,         "PRIORITY",          false},
    {EntryField::Count,        FieldKind::Number, CountColumnTitle,       "count",         "CVR_COUNT",         true},
    {EntryField::Description,  FieldKind::Text,   DescriptionColumnTitle, "description",   "MESSAGE",           false},
    {EntryField::Data,         FieldKind::Bytes,  0,                      "data",          nullptr,             false},
    {EntryField::Raw,          FieldKind::Bytes,  0,                      "raw",           "CVR_RAW",           false},
};
// clang-format on

// Each row stands at its field's place.
static_assert([] {
    for (size_t i = 0; i < std::size(EntryFields); ++i) {
        if (static_cast<size_t>(EntryFields[i].field) != i) {
            return false;
        }
    }
    return true;
}());

constexpr const FieldRow& FieldOf(EntryField field) {
    return EntryFields[static_cast<size_t>(field)];
}

// The fields of each output, in its order. The listing's columns and the classic export's, the last one the
// description.
inline constexpr EntryField ColumnFields[] = {
    EntryField::SeverityName, EntryField::EventNumber, EntryField::ClassName, EntryField::Code,
    EntryField::UpdateTime,   EntryField::InitialTime, EntryField::Count,     EntryField::Description};
// The window's columns.
inline constexpr EntryField WindowFields[] = {
    EntryField::SeverityName, EntryField::EventNumber, EntryField::ClassName,  EntryField::UpdateTime,
    EntryField::InitialTime,  EntryField::Count,       EntryField::Description};
// A JSON Lines object's members and a CSV row's fields.
inline constexpr EntryField JsonFields[] = {
    EntryField::EventNumber, EntryField::Severity, EntryField::SeverityName, EntryField::Class,
    EntryField::ClassName,   EntryField::Code,     EntryField::UpdateTime,   EntryField::InitialTime,
    EntryField::Host,        EntryField::Count,    EntryField::Description,  EntryField::Data,
    EntryField::Raw};
inline constexpr EntryField CsvFields[] = {
    EntryField::EventNumber, EntryField::Severity,    EntryField::SeverityName, EntryField::Class,
    EntryField::ClassName,   EntryField::Code,        EntryField::UpdateTime,   EntryField::InitialTime,
    EntryField::Count,       EntryField::Description, EntryField::Data,         EntryField::Raw};
// The system journal's fields of an entry.
inline constexpr EntryField JournalFieldOrder[] = {
    EntryField::Description,  EntryField::Priority,  EntryField::Program,    EntryField::EventNumber,
    EntryField::Class,        EntryField::ClassName, EntryField::Code,       EntryField::Severity,
    EntryField::SeverityName, EntryField::Count,     EntryField::UpdateTime, EntryField::InitialTime,
    EntryField::Raw};
// The insertion texts %1 to %6 of a forwarded entry's event.
inline constexpr EntryField ForwardFields[] = {EntryField::EventNumber, EntryField::ClassName,
                                               EntryField::Code,        EntryField::UpdateTime,
                                               EntryField::Count,       EntryField::Description};

// Every output's fields have what it writes of them: a column its title, JSON and CSV their key, the journal
// its name.
constexpr bool EveryField(std::span<const EntryField> fields, bool (*has)(const FieldRow&)) {
    for (EntryField field : fields) {
        if (!has(FieldOf(field))) {
            return false;
        }
    }
    return true;
}
static_assert(EveryField(ColumnFields, [](const FieldRow& row) { return row.title != 0; }) &&
              EveryField(WindowFields, [](const FieldRow& row) { return row.title != 0; }) &&
              EveryField(JsonFields, [](const FieldRow& row) { return row.key != nullptr; }) &&
              EveryField(CsvFields, [](const FieldRow& row) { return row.key != nullptr; }) &&
              EveryField(JournalFieldOrder, [](const FieldRow& row) { return row.journalName != nullptr; }));

// The value of a field of each kind; a field of another kind reads as 0, an invalid stamp, no bytes or "".
uint32_t FieldNumber(const LogEntry& entry, EntryField field);
LogTime FieldTime(const LogEntry& entry, EntryField field);
std::span<const uint8_t> FieldBytes(const LogEntry& entry, EntryField field);
// Writes the text into buffer (always terminated).
void FormatFieldText(const LogEntry& entry, EntryField field, std::span<char> buffer);

// A field as a column shows it, into buffer (always terminated): a text as it is, a number in decimal
// (signed 32-bit where the field says so), a stamp as FormatEntryTime writes it, bytes as hex digits.
void FormatColumnText(const LogEntry& entry, EntryField field, std::span<char> buffer);

} // namespace kestrav
