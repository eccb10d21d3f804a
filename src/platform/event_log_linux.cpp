// Linux has no event log of this kind here: the journal is reached another way.
#include "platform/event_log.h"

namespace kestrav::platform {

bool SystemEventsReported() {
    return false;
}

void ReportSystemEvent(uint32_t, EventKind, std::span<const std::string_view>) {}

} // namespace kestrav::platform
