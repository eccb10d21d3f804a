#include "cli/event_report.h"

#include <cstdio>
#include <string_view>

#include "decode/event_text.h"

namespace kestrav {

void ReportOutcome(const StatusLog& log, Outcome outcome) {
    for (const OutcomeEvent& event : OutcomeEvents) {
        if (event.outcome == outcome) {
            const std::string_view texts[] = {log.lastLine};
            platform::ReportSystemEvent(event.eventId, event.kind, texts);
            return;
        }
    }
}

void ForwardErasedEntries(const std::vector<LogEntry>& entries) {
    if (!platform::SystemEventsReported()) {
        return;
    }
    char number[16];
    char className[DescriptionBufferSize];
    char code[8];
    char updated[DescriptionBufferSize];
    char count[16];
    char description[DescriptionBufferSize];
    for (const LogEntry& entry : entries) {
        EntryEvent event = EntryEventUnknown;
        for (const EntryEvent& known : EntryEvents) {
            if (known.severity == entry.Severity()) {
                event = known;
            }
        }
        // The numbers as the export shows them.
        std::snprintf(number, sizeof number, "%d",
                      static_cast<int>(static_cast<int32_t>(entry.EventNumber())));
        FormatClassName(entry.Class(), className);
        std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(entry.Code()));
        FormatEntryTime(entry.UpdateTime(), updated);
        std::snprintf(count, sizeof count, "%d", static_cast<int>(static_cast<int32_t>(entry.Count())));
        FormatEntryDescription(entry, description);
        const std::string_view texts[] = {number, className, code, updated, count, description};
        platform::ReportSystemEvent(event.eventId, event.kind, texts);
    }
}

} // namespace kestrav
