// The outcomes of a command-line run, and of the same commands in the window, as events of the system's
// event log, beside their status log lines: one event number per kind of outcome, the line's text as its
// insertion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "app/follow_state.h"
#include "platform/event_log.h"
#include "record/log_entry.h"
#include "record/severity.h"

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

// The events of forwarded entries are those of the severity table: each reading's eventId and level, the
// readings with bytes of their own in EntryEvents and every other byte's in EntryEventUnknown.
using EntryEvent = SeverityRow;
inline constexpr std::span<const SeverityRow> EntryEvents = KnownSeverities;
inline constexpr const SeverityRow& EntryEventUnknown = UnknownSeverity;

// A clear of a full log would flood the event log with one event per entry: at most this many erased
// entries are forwarded, the newest, and one event more (with the number left out and this bound) says
// how many older ones were not.
inline constexpr size_t ForwardedEntriesLimit = 1000;
inline constexpr uint32_t EntriesNotForwardedEventId = 205;
inline constexpr platform::EventKind EntriesNotForwardedKind = platform::EventKind::Warning;

// Reports line, cut as the status log would hold it, as the event of the outcome: for the window, which
// writes no status log but reports what the command line would have written.
void ReportOutcome(Outcome outcome, std::string_view line);

// Of entries, those with the limit highest event numbers, in the order they stand.
std::vector<const LogEntry*> NewestEntries(std::span<const LogEntry* const> entries, size_t limit);

// Of entries, those that the follower's state does not record as reported: an entry counts as reported
// when the state holds its number with the fingerprint of the same content, so that a version changed
// since (a higher count, Mark Repaired) is not.
std::vector<const LogEntry*> NotReportedEntries(std::span<const LogEntry* const> entries,
                                                const FollowState& reported);

// Forwards the newest ForwardedEntriesLimit entries to the event log, each as the event of its severity,
// and then how many older ones were left out: entries that an erase has removed, so that the event log
// keeps them. Entries that the boot task's follower has reported already (its state file, when there is
// one) are left out first, so that each entry reaches the event log once.
void ForwardErasedEntries(std::span<const LogEntry* const> entries);
void ForwardErasedEntries(const std::vector<LogEntry>& entries);

// Reports an entry as the follower hands it on: the event of its severity with the texts of a forwarded
// one, but not said to be erased, and after them the system journal's fields of the entry ("NAME=value",
// from %8 on) for collectors to filter on; 0, or the system's error code when the event was not taken.
uint32_t ReportFollowedEntry(const LogEntry& entry);

} // namespace kestrav
