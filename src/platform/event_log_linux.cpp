// Linux has no event log of this kind here: the journal is reached another way.
#include "platform/event_log.h"

namespace kestrav::platform {

bool SystemEventsReported() {
    return false;
}

uint32_t ReportSystemEvent(uint32_t, EventKind, std::span<const std::string_view>) {
    return 0;
}

std::optional<std::string> EventLogFollowerStatePath() {
    return std::nullopt;
}

} // namespace kestrav::platform
