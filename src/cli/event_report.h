// The outcomes of a command-line run as events of the system's event log, beside their status log lines:
// one event number per kind of outcome, the line's text as its insertion.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/status_log.h"
#include "log/log_entry.h"
#include "platform/event_log.h"

namespace kestrav {

enum class Outcome : uint8_t {
    ExportDone,
    ExportFailed,
    LogCleared,
    ClearRefused,
    NoteWritten,
    NoteFailed,
    WalkIncomplete,
    RunStopped,
};

struct OutcomeEvent {
    Outcome outcome;
    uint32_t eventId;
    platform::EventKind kind;
};

// The event numbers of the message table in the program's resources (src/resources/kestrav_events.mc).
inline constexpr OutcomeEvent OutcomeEvents[] = {
    {Outcome::ExportDone, 100, platform::EventKind::Information},
    {Outcome::ExportFailed, 101, platform::EventKind::Error},
    {Outcome::LogCleared, 102, platform::EventKind::Information},
    {Outcome::ClearRefused, 103, platform::EventKind::Warning},
    {Outcome::NoteWritten, 104, platform::EventKind::Information},
    {Outcome::NoteFailed, 105, platform::EventKind::Error},
    {Outcome::WalkIncomplete, 106, platform::EventKind::Warning},
    {Outcome::RunStopped, 107, platform::EventKind::Error},
};

struct EntryEvent {
    uint8_t severity;
    uint32_t eventId;
    platform::EventKind kind;
};

// The events of forwarded entries by severity; a severity not listed has EntryEventUnknown.
inline constexpr EntryEvent EntryEvents[] = {
    {15, 200, platform::EventKind::Error},      {9, 201, platform::EventKind::Warning},
    {6, 202, platform::EventKind::Information}, {2, 203, platform::EventKind::Information},
    {3, 203, platform::EventKind::Information},
};
inline constexpr EntryEvent EntryEventUnknown = {0, 204, platform::EventKind::Information};

// Reports the status log's last line as the event of the outcome.
void ReportOutcome(const StatusLog& log, Outcome outcome);

// Forwards each entry to the event log, as the event of its severity: entries that an erase has removed,
// so that the event log keeps them.
void ForwardErasedEntries(const std::vector<LogEntry>& entries);

} // namespace kestrav
