#include "cli/event_report.h"

#include <string_view>

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

} // namespace kestrav
