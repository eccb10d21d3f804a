// The log's figures in the Prometheus text exposition format, for node_exporter's textfile collector.
#pragma once

#include <ctime>
#include <optional>
#include <span>
#include <string>

#include "record/log_entry.h"

namespace kestrav {

struct MetricsRead {
    bool read = false;     // the device answered and keeps the log
    bool complete = false; // every entry was read
    std::span<const LogEntry> entries;
};

// The exposition text: whether the log was read and read whole, the entries by severity and class, the
// highest event number and the newest update time in seconds since the epoch. The device reports no
// capacity, so there is no figure for it.
std::string FormatMetrics(const MetricsRead& read);

// A stored stamp (local time) as seconds since the epoch; unset for an invalid stamp.
std::optional<std::time_t> StampEpochSeconds(const LogTime& time);

} // namespace kestrav
