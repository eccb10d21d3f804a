#include "app/event_report.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/event_text.h"
#include "platform/output_file.h"
#include "record/text_rules.h"
#include "render/entry_fields.h"
#include "render/journal_fields.h"

namespace kestrav {

namespace {

platform::EventKind EventKindOf(EventLevel level) {
    switch (level) {
    case EventLevel::Error: return platform::EventKind::Error;
    case EventLevel::Warning: return platform::EventKind::Warning;
    case EventLevel::Information: break;
    }
    return platform::EventKind::Information;
}

// Where an entry a clear forwards stands, the last insertion its message shows.
constexpr std::string_view ErasedFromTheLog = ", erased from the log";

// The event of an entry: its message's texts as the export shows them, where it stands, then the further
// texts given.
uint32_t ForwardEntry(const LogEntry& entry, std::string_view standing,
                      std::span<const std::string> further) {
    char texts[std::size(ForwardFields)][DescriptionBufferSize];
    std::vector<std::string_view> insertions;
    insertions.reserve(std::size(ForwardFields) + 1 + further.size());
    for (size_t i = 0; i < std::size(ForwardFields); ++i) {
        FormatColumnText(entry, ForwardFields[i], texts[i]);
        insertions.push_back(texts[i]);
    }
    insertions.push_back(standing);
    insertions.insert(insertions.end(), further.begin(), further.end());
    const SeverityRow& event = SeverityOf(entry.Severity());
    return platform::ReportSystemEvent(event.eventId, EventKindOf(event.level), insertions);
}

// What the boot task's follower has reported, as its state file says; nothing when there is no such file
// or it cannot be read, so that a clear then forwards every entry as it would without a follower.
FollowState FollowerReported() {
    FollowState state;
    const std::optional<std::string> path = platform::EventLogFollowerStatePath();
    if (!path) {
        return state;
    }
    std::string text;
    std::string error;
    if (ReadOwnFile(*path, static_cast<size_t>(MaxFollowStateSize), text, error) != OwnFileRead::Read ||
        !ParseFollowState(text, state, error)) {
        return FollowState();
    }
    return state;
}

} // namespace

void ReportOutcome(Outcome outcome, std::string_view line) {
    for (const OutcomeEvent& event : OutcomeEvents) {
        if (event.outcome == outcome) {
            const std::string cut = CutStatusLine(line);
            const std::string_view texts[] = {cut};
            platform::ReportSystemEvent(event.eventId, event.kind, texts);
            return;
        }
    }
}

std::vector<const LogEntry*> NewestEntries(std::span<const LogEntry* const> entries, size_t limit) {
    if (entries.size() <= limit) {
        return std::vector<const LogEntry*>(entries.begin(), entries.end());
    }
    std::vector<const LogEntry*> newest;
    if (limit == 0) {
        return newest;
    }
    // The limit-th highest number is the lowest kept; of equal numbers (a log holds none, a dump may) those
    // standing first are kept.
    std::vector<uint32_t> numbers;
    numbers.reserve(entries.size());
    for (const LogEntry* entry : entries) {
        numbers.push_back(entry->EventNumber());
    }
    std::nth_element(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(limit - 1), numbers.end(),
                     std::greater<>());
    const uint32_t lowest = numbers[limit - 1];
    size_t above = 0;
    for (const LogEntry* entry : entries) {
        above += entry->EventNumber() > lowest ? 1 : 0;
    }
    size_t equalKept = limit - above;
    newest.reserve(limit);
    for (const LogEntry* entry : entries) {
        const uint32_t number = entry->EventNumber();
        if (number > lowest || (number == lowest && equalKept > 0)) {
            equalKept -= number == lowest ? 1 : 0;
            newest.push_back(entry);
        }
    }
    return newest;
}

std::vector<const LogEntry*> NotReportedEntries(std::span<const LogEntry* const> entries,
                                                const FollowState& reported) {
    std::vector<const LogEntry*> left;
    left.reserve(entries.size());
    for (const LogEntry* entry : entries) {
        const SeenEntry seen{entry->EventNumber(), EntryFingerprint(*entry)};
        const auto at =
            std::lower_bound(reported.seen.begin(), reported.seen.end(), seen.number,
                             [](const SeenEntry& a, uint32_t number) { return a.number < number; });
        if (at == reported.seen.end() || *at != seen) {
            left.push_back(entry);
        }
    }
    return left;
}

void ForwardErasedEntries(std::span<const LogEntry* const> entries) {
    if (!platform::SystemEventsReported()) {
        return;
    }
    const std::vector<const LogEntry*> unreported = NotReportedEntries(entries, FollowerReported());
    const std::vector<const LogEntry*> forwarded = NewestEntries(unreported, ForwardedEntriesLimit);
    for (const LogEntry* entry : forwarded) {
        ForwardEntry(*entry, ErasedFromTheLog, {});
    }
    if (forwarded.size() == unreported.size()) {
        return;
    }
    char left[24];
    char limit[24];
    std::snprintf(left, sizeof left, "%zu", unreported.size() - forwarded.size());
    std::snprintf(limit, sizeof limit, "%zu", ForwardedEntriesLimit);
    const std::string_view texts[] = {left, limit};
    platform::ReportSystemEvent(EntriesNotForwardedEventId, EntriesNotForwardedKind, texts);
}

void ForwardErasedEntries(const std::vector<LogEntry>& entries) {
    if (!platform::SystemEventsReported()) {
        return;
    }
    std::vector<const LogEntry*> pointers;
    pointers.reserve(entries.size());
    for (const LogEntry& entry : entries) {
        pointers.push_back(&entry);
    }
    ForwardErasedEntries(pointers);
}

uint32_t ReportFollowedEntry(const LogEntry& entry) {
    return ForwardEntry(entry, "", JournalFields(entry));
}

} // namespace kestrav
