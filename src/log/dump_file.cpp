#include "log/dump_file.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <utility>

#include "record/text_rules.h"

namespace kestrav {

namespace {

// The lines about a file's problems: the first DumpProblemsListed as they come, then only counted.
class ProblemLines {
public:
    ProblemLines(const std::string& name, std::vector<std::string>& lines) : name_(name), lines_(lines) {}

    // One line about record index of the file: "NAME: record I (offset O): " and the problem.
    template <typename... Values> void Record(uint64_t index, const char* format, Values... values) {
        if (Counted()) {
            return;
        }
        char text[200];
        std::snprintf(text, sizeof text, format, values...);
        char place[80];
        std::snprintf(place, sizeof place, ": record %" PRIu64 " (offset %" PRIu64 "): ", index,
                      index * LogEntrySize);
        lines_.push_back(EscapeControls(name_) + place + text);
    }

    template <typename... Values> void File(const char* format, Values... values) {
        if (Counted()) {
            return;
        }
        char text[200];
        std::snprintf(text, sizeof text, format, values...);
        lines_.push_back(EscapeControls(name_) + text);
    }

    void Finish() {
        if (unlisted_ > 0) {
            lines_.push_back(EscapeControls(name_) + ": " + std::to_string(unlisted_) +
                             (unlisted_ == 1 ? " more problem" : " more problems"));
        }
    }

private:
    // True, and counted, when the problem is past those listed.
    bool Counted() {
        if (listed_ < DumpProblemsListed) {
            ++listed_;
            return false;
        }
        ++unlisted_;
        return true;
    }

    const std::string& name_;
    std::vector<std::string>& lines_;
    size_t listed_ = 0;
    uint64_t unlisted_ = 0;
};

bool PlausibleLength(const LogEntry& record) {
    return record.Length() >= EntryHeaderSize && record.Length() <= LogEntrySize;
}

// The records of a dump as they arrive in the file's order. Every record that can be an entry is
// remembered by its event number and place in the file (to find repeats once the order is known); only the
// entries to decode are kept whole.
class RecordCheck {
public:
    RecordCheck(const std::function<bool(const LogEntry&)>& keep, ProblemLines& problems)
        : keep_(keep), problems_(problems) {}

    void Offer(std::span<const LogEntry> records) {
        for (const LogEntry& record : records) {
            Offer(record, index_++);
        }
    }

    // The entries to decode in ascending event number, each number once.
    void Finish(size_t tailBytes, std::vector<LogEntry>& entries) {
        if (!ordered_) {
            PutInOrder();
        }
        if (tailBytes > 0) {
            const uint64_t offset = index_ * LogEntrySize;
            problems_.File(": the last %zu bytes (offset %" PRIu64
                           ") are not a whole record: the size %" PRIu64
                           " is not a multiple of 256; they are left out",
                           tailBytes, offset, offset + tailBytes);
        }
        entries.swap(entries_);
    }

private:
    using Seen = std::pair<uint32_t, uint64_t>; // event number, index in the file

    void Offer(const LogEntry& record, uint64_t index) {
        if (!PlausibleLength(record)) {
            problems_.Record(index, "length %u is not 28 to 256; the record is left out",
                             static_cast<unsigned>(record.Length()));
            return;
        }
        const uint32_t number = record.EventNumber();
        if (number == 0) {
            problems_.Record(index, "event number %" PRIu32 "; the record is left out", number);
            return;
        }
        if (!seen_.empty()) {
            const auto [previous, origin] = seen_.back();
            if (number == previous) {
                problems_.Record(index,
                                 "event number %" PRIu32 " repeats that of record %" PRIu64
                                 "; the record is left out",
                                 previous, origin);
                return;
            }
            if (number < previous) {
                problems_.Record(index,
                                 "event number %" PRIu32 " comes after %" PRIu32 " of record %" PRIu64
                                 "; the entries are put in order",
                                 number, previous, origin);
                ordered_ = false;
            }
        }
        seen_.emplace_back(number, index);
        if (keep_(record)) {
            entries_.push_back(record);
            origins_.push_back(index);
        }
    }

    // Sorts the entries and leaves out each that repeats the number of a record earlier in the file, kept
    // for decoding or not.
    void PutInOrder() {
        // Indexes follow the file's order, so of equal numbers the first in the file comes first.
        std::sort(seen_.begin(), seen_.end());
        for (size_t i = 1; i < seen_.size(); ++i) {
            if (seen_[i - 1].first == seen_[i].first) {
                problems_.Record(seen_[i].second,
                                 "event number %" PRIu32 " repeats that of record %" PRIu64
                                 "; the record is left out",
                                 seen_[i].first, seen_[i - 1].second);
            }
        }
        std::vector<Seen> order;
        order.reserve(entries_.size());
        for (size_t i = 0; i < entries_.size(); ++i) {
            order.emplace_back(entries_[i].EventNumber(), i);
        }
        std::sort(order.begin(), order.end(), [this](const Seen& a, const Seen& b) {
            return a.first != b.first ? a.first < b.first : origins_[a.second] < origins_[b.second];
        });
        std::vector<LogEntry> sorted;
        sorted.reserve(entries_.size());
        for (const auto& [number, position] : order) {
            const auto first = std::lower_bound(seen_.begin(), seen_.end(), Seen{number, 0});
            if (first->second == origins_[position]) {
                sorted.push_back(entries_[position]);
            }
        }
        entries_.swap(sorted);
    }

    const std::function<bool(const LogEntry&)>& keep_;
    ProblemLines& problems_;
    uint64_t index_ = 0;
    bool ordered_ = true;
    std::vector<Seen> seen_;
    std::vector<LogEntry> entries_;
    std::vector<uint64_t> origins_; // the index in the file of each entry kept
};

} // namespace

bool ReadDumpFile(const std::string& path, const std::function<bool(const LogEntry&)>& keep,
                  std::vector<LogEntry>& entries, std::vector<std::string>& problems, std::string& why) {
    entries.clear();
    problems.clear();
    ProblemLines lines(path, problems);
    RecordCheck check(keep, lines);
    size_t tailBytes = 0;
    if (!ReadRecordFile(
            path, [&check](std::span<const LogEntry> records) { check.Offer(records); }, tailBytes, why)) {
        problems.clear();
        return false;
    }
    check.Finish(tailBytes, entries);
    lines.Finish();
    return true;
}

} // namespace kestrav
