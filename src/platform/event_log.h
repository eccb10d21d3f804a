// The system's event log, which fleets of servers collect centrally: on Windows the Application log under
// the event source "Kestrav", whose message table kestrav.exe holds; on Linux nothing yet.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrav::platform {

enum class EventKind : uint8_t { Information, Warning, Error };

// Whether events reach a log at all, so that a caller can spare itself the work of their texts.
bool SystemEventsReported();

// Reports one event with its insertion texts (UTF-8, at most eight). A failure to report is ignored: the
// event log only repeats what the program reports in its own files and exit status.
void ReportSystemEvent(uint32_t eventId, EventKind kind, std::span<const std::string_view> texts);

} // namespace kestrav::platform
