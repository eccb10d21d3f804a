#include "render/prometheus.h"

#include <cinttypes>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "decode/event_text.h"
#include "record/severity.h"
#include "render/civil_time.h"

namespace kestrav {

namespace {

void AppendLabelValue(std::string& out, std::string_view value) {
    out.push_back('"');
    for (char c : value) {
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '"': out.append("\\\""); break;
        case '\n': out.append("\\n"); break;
        default: out.push_back(c);
        }
    }
    out.push_back('"');
}

void AppendFamily(std::string& out, const char* name, const char* help) {
    out.append("# HELP ").append(name).append(" ").append(help).append("\n");
    out.append("# TYPE ").append(name).append(" gauge\n");
}

void AppendSample(std::string& out, const char* name, long long value) {
    out.append(name).append(" ").append(std::to_string(value)).append("\n");
}

} // namespace

std::optional<std::time_t> StampEpochSeconds(const LogTime& time) {
    const std::optional<CivilTime> local = StampCivil(time);
    int64_t offset = 0;
    if (!local || !HostOffsetAt(*local, offset)) {
        return std::nullopt;
    }
    return static_cast<std::time_t>(CivilSeconds(*local) - offset);
}

std::string FormatMetrics(const MetricsRead& read) {
    std::string out;
    AppendFamily(out, "kestrav_log_read_ok",
                 "Whether the log could be read: 0 when there is no device or it does not keep the log.");
    AppendSample(out, "kestrav_log_read_ok", read.read ? 1 : 0);
    AppendFamily(out, "kestrav_log_read_complete",
                 "Whether the last read of the log was complete: 0 when entries could not be read.");
    AppendSample(out, "kestrav_log_read_complete", read.read && read.complete ? 1 : 0);
    if (!read.read) {
        return out;
    }

    std::map<std::pair<std::string_view, uint16_t>, uint64_t> counts;
    uint32_t highest = 0;
    std::optional<std::time_t> newest;
    for (const LogEntry& entry : read.entries) {
        ++counts[{SeverityOf(entry.Severity()).word, entry.Class()}];
        highest = std::max(highest, entry.EventNumber());
        std::optional<std::time_t> updated = StampEpochSeconds(entry.UpdateTime());
        if (updated && (!newest || *updated > *newest)) {
            newest = updated;
        }
    }
    AppendFamily(out, "kestrav_log_entries", "Entries in the log by severity and class.");
    for (const auto& [key, count] : counts) {
        char className[DescriptionBufferSize];
        FormatClassName(key.second, className);
        out.append("kestrav_log_entries{severity=");
        AppendLabelValue(out, key.first);
        out.append(",class=\"").append(std::to_string(key.second)).append("\",class_name=");
        AppendLabelValue(out, className);
        out.append("} ").append(std::to_string(count)).append("\n");
    }
    AppendFamily(out, "kestrav_log_entries_count", "Entries in the log.");
    AppendSample(out, "kestrav_log_entries_count", static_cast<long long>(read.entries.size()));
    if (!read.entries.empty()) {
        AppendFamily(out, "kestrav_log_highest_event_number", "The highest event number in the log.");
        AppendSample(out, "kestrav_log_highest_event_number", highest);
    }
    if (newest) {
        AppendFamily(
            out, "kestrav_log_newest_update_time_seconds",
            "The newest update time of an entry, in seconds since the epoch (stamps are local time).");
        AppendSample(out, "kestrav_log_newest_update_time_seconds", static_cast<long long>(*newest));
    }
    return out;
}

} // namespace kestrav
