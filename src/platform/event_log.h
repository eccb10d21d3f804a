// The system's event log, which fleets of servers collect centrally: on Windows the Application log under
// the event source "Kestrav", whose message table kestrav.exe holds; on Linux nothing yet.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kestrav::platform {

enum class EventKind : uint8_t { Information, Warning, Error };

// Whether events reach a log at all, so that a caller can spare itself the work of their texts.
bool SystemEventsReported();

// Reports one event with its insertion texts (UTF-8, at most MaxEventTexts); 0, or the system's error code
// when the event was not taken. The outcomes of a run ignore a failure, since the event log only repeats
// what the run reports in its own files and exit status; the follower, for which it is the output, does not.
inline constexpr size_t MaxEventTexts = 32;
uint32_t ReportSystemEvent(uint32_t eventId, EventKind kind, std::span<const std::string_view> texts);

// Where the follower that the installed boot task starts keeps its state, so that a clear can tell which
// entries it has reported already: the data folder's follow.state; none where there is no event log or no
// data folder.
std::optional<std::string> EventLogFollowerStatePath();

} // namespace kestrav::platform
