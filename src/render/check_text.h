// The monitoring check's text, for engines that run Nagios-style plugins: the entries that are Critical or
// Caution (not repaired) counted, the counts measured against the limits in the plugins' threshold syntax,
// and the lines an engine shows: the state with the counts and the performance data, then the newest of
// those entries, one line each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record/log_entry.h"

namespace kestrav {

// The plugins' states, which are their exit statuses.
enum class CheckState : int { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

// A threshold: "N" (0 to N), "N:" (N and up), "~:N" (up to N), "N:M"; a count outside the range alerts, or
// with "@" in front a count inside it.
struct CheckRange {
    std::optional<double> low = 0.0;  // unset: no lower end ("~")
    std::optional<double> high = 0.0; // unset: no upper end ("N:")
    bool inside = false;

    bool Alerts(uint64_t count) const;
};

// The range a threshold text gives; unset for a text that is none (empty, not a number, low above high).
std::optional<CheckRange> ParseCheckRange(std::string_view text);

// What makes the check alert. critical is measured against the number of Critical entries, warning against
// the number of Critical and Caution entries together, so that a critical entry below the critical limit
// still warns. Both default to "0": any Critical entry is CRITICAL, any Caution entry WARNING.
struct CheckLimits {
    CheckRange warning;
    CheckRange critical;
};

// The entry lines shown at most; a last line counts those left out.
inline constexpr size_t CheckEntryLines = 10;

// The entries a check looks at, counted as they come, in any order: all of them, the Critical and the
// Caution ones, and the newest of the latter (by event number) kept for their lines.
class CheckTally {
public:
    void Add(const LogEntry& entry);

    uint64_t Entries() const { return entries_; }
    uint64_t Critical() const { return critical_; }
    uint64_t Caution() const { return caution_; }
    // Newest first, at most CheckEntryLines.
    const std::vector<LogEntry>& Newest() const { return newest_; }
    // The newest Critical entry, else the newest Caution one: the entry the state line names.
    const LogEntry* Named() const;

private:
    uint64_t entries_ = 0;
    uint64_t critical_ = 0;
    uint64_t caution_ = 0;
    std::vector<LogEntry> newest_;
    std::optional<LogEntry> newestCritical_;
};

struct CheckReport {
    CheckState state = CheckState::Unknown;
    std::string text; // every line ends in "\n"
};

// The check of the entries tallied. problems say why the log was not read whole (nothing read at all, or
// only part of it); with any, the state is UNKNOWN with the first as its reason, never OK, and the other
// problems and the lines of the entries that were read follow. With utc set the update times are in UTC.
// Texts from the log are escaped as the listing escapes them, and '|', which would begin the performance
// data, as "\x7C".
CheckReport ComposeCheck(const CheckTally& tally, const CheckLimits& limits,
                         std::span<const std::string> problems, bool utc = false);

// The UNKNOWN line of a check that could not run (an invalid command line, or output that failed).
std::string CheckUnknownLine(std::string_view reason);

} // namespace kestrav
