// The outcomes of a command-line run as events of the system's event log, beside their status log lines:
// one event number per kind of outcome, the line's text as its insertion.
#pragma once

#include <cstdint>

#include "cli/status_log.h"
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

// Reports the status log's last line as the event of the outcome.
void ReportOutcome(const StatusLog& log, Outcome outcome);

} // namespace kestrav
