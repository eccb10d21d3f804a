#include "cli/dump_file.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <utility>

#include "cli/status_log.h"

namespace kestrav {

namespace {

// One line about record index of the file: "NAME: record I (offset O): " and the problem.
template <typename... Values>
std::string RecordProblem(const std::string& name, size_t index, const char* format, Values... values) {
    char text[200];
    std::snprintf(text, sizeof text, format, values...);
    char place[80];
    std::snprintf(place, sizeof place, ": record %zu (offset %" PRIu64 "): ", index,
                  static_cast<uint64_t>(index) * LogEntrySize);
    return EscapeControls(name) + place + text;
}

bool PlausibleLength(const LogEntry& record) {
    return record.Length() >= EntryHeaderSize && record.Length() <= LogEntrySize;
}

// Puts the kept records in ascending event number and leaves out every later record with the number of an
// earlier one; origins holds each kept record's index in the file.
void SortRecords(const std::string& name, std::vector<LogEntry>& records, std::vector<uint32_t>& origins,
                 std::vector<std::string>& problems) {
    std::vector<std::pair<uint32_t, uint32_t>> order; // event number, position in records
    order.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        order.emplace_back(records[i].EventNumber(), static_cast<uint32_t>(i));
    }
    // Positions follow the file's order, so of equal numbers the first in the file comes first.
    std::sort(order.begin(), order.end());
    std::vector<LogEntry> sorted;
    sorted.reserve(records.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const auto [number, position] = order[i];
        if (i > 0 && order[i - 1].first == number) {
            problems.push_back(RecordProblem(name, origins[position],
                                             "event number %" PRIu32 " repeats that of record %" PRIu32
                                             "; the record is left out",
                                             number, origins[order[i - 1].second]));
            continue;
        }
        sorted.push_back(records[position]);
    }
    records.swap(sorted);
}

} // namespace

void CheckDumpRecords(const std::string& name, std::vector<LogEntry>& records, size_t tailBytes,
                      std::vector<std::string>& problems) {
    const size_t total = records.size();
    std::vector<uint32_t> origins; // the file index of each record kept
    origins.reserve(records.size());
    bool ordered = true;
    size_t kept = 0;
    for (size_t index = 0; index < records.size(); ++index) {
        const LogEntry& record = records[index];
        if (!PlausibleLength(record)) {
            problems.push_back(RecordProblem(name, index,
                                             "length %u is not 28 to 256; the record is left out",
                                             static_cast<unsigned>(record.Length())));
            continue;
        }
        if (record.EventNumber() == 0) {
            problems.push_back(RecordProblem(name, index, "event number %" PRIu32 "; the record is left out",
                                             record.EventNumber()));
            continue;
        }
        if (kept > 0) {
            const uint32_t previous = records[kept - 1].EventNumber();
            if (record.EventNumber() == previous) {
                problems.push_back(RecordProblem(name, index,
                                                 "event number %" PRIu32 " repeats that of record %" PRIu32
                                                 "; the record is left out",
                                                 previous, origins[kept - 1]));
                continue;
            }
            if (record.EventNumber() < previous) {
                problems.push_back(RecordProblem(name, index,
                                                 "event number %" PRIu32 " comes after %" PRIu32
                                                 " of record %" PRIu32 "; the entries are put in order",
                                                 record.EventNumber(), previous, origins[kept - 1]));
                ordered = false;
            }
        }
        if (kept != index) {
            records[kept] = record;
        }
        origins.push_back(static_cast<uint32_t>(index));
        ++kept;
    }
    records.resize(kept);
    if (!ordered) {
        SortRecords(name, records, origins, problems);
    }
    if (tailBytes > 0) {
        const uint64_t offset = static_cast<uint64_t>(total) * LogEntrySize;
        char text[200];
        std::snprintf(text, sizeof text,
                      ": the last %zu bytes (offset %" PRIu64 ") are not a whole record: the size %" PRIu64
                      " is not a multiple of 256; they are left out",
                      tailBytes, offset, offset + tailBytes);
        problems.push_back(EscapeControls(name) + text);
    }
}

} // namespace kestrav
