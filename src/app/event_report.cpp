#include "app/event_report.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

#include "decode/event_text.h"
#include "record/text_rules.h"
#include "render/entry_fields.h"

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

void ForwardEntry(const LogEntry& entry) {
    // The texts as the export shows them.
    char texts[std::size(ForwardFields)][DescriptionBufferSize];
    std::string_view insertions[std::size(ForwardFields)];
    for (size_t i = 0; i < std::size(ForwardFields); ++i) {
        FormatColumnText(entry, ForwardFields[i], texts[i]);
        insertions[i] = texts[i];
    }
    const SeverityRow& event = SeverityOf(entry.Severity());
    platform::ReportSystemEvent(event.eventId, EventKindOf(event.level), insertions);
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

void ForwardErasedEntries(std::span<const LogEntry* const> entries) {
    if (!platform::SystemEventsReported()) {
        return;
    }
    const std::vector<const LogEntry*> forwarded = NewestEntries(entries, ForwardedEntriesLimit);
    for (const LogEntry* entry : forwarded) {
        ForwardEntry(*entry);
    }
    if (forwarded.size() == entries.size()) {
        return;
    }
    char left[24];
    char limit[24];
    std::snprintf(left, sizeof left, "%zu", entries.size() - forwarded.size());
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

} // namespace kestrav
