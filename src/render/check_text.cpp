#include "render/check_text.h"

#include <algorithm>

#include "decode/event_text.h"
#include "record/severity.h"
#include "render/entry_fields.h"
#include "render/entry_formats.h"

namespace kestrav {

namespace {

constexpr const char* StateNames[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};

// A number as the thresholds write it: an optional minus, digits, and optionally a point and more digits.
// Read by hand, since the library's readers follow the locale's decimal point.
std::optional<double> ParseThresholdNumber(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || whole.size() > 15 || !digits(whole) ||
        (point != std::string_view::npos && fraction.empty()) || !digits(fraction)) {
        return std::nullopt;
    }
    double value = 0;
    for (char c : whole) {
        value = value * 10 + (c - '0');
    }
    double scale = 1;
    for (char c : fraction.substr(0, 15)) {
        scale /= 10;
        value += (c - '0') * scale;
    }
    return negative ? -value : value;
}

// A text from the log as the engine shows it: escaped as the listing escapes it, and '|' too, which would
// begin the performance data (also in the lines after the first).
void AppendPluginText(std::string& out, std::string_view text) {
    std::string escaped;
    AppendShownText(escaped, text);
    for (char c : escaped) {
        if (c == '|') {
            out.append("\\x7C");
        } else {
            out.push_back(c);
        }
    }
}

void AppendField(std::string& out, const LogEntry& entry, EntryField field) {
    char text[DescriptionBufferSize];
    FormatFieldText(entry, field, text);
    AppendPluginText(out, text);
}

// "#283 Critical, QRC, 2026-12-07T09:38: the description": the event number, severity, class, last update
// time and description.
void AppendEntryLine(std::string& out, const LogEntry& entry, bool utc) {
    out.append("#").append(std::to_string(FieldNumber(entry, EntryField::EventNumber))).append(" ");
    AppendField(out, entry, EntryField::SeverityName);
    out.append(", ");
    AppendField(out, entry, EntryField::ClassName);
    out.append(", ");
    const LogTime updated = FieldTime(entry, EntryField::UpdateTime);
    if (!(utc ? AppendRfc3339Time(out, updated, true) : AppendIsoTime(out, updated))) {
        out.append("invalid update time");
    }
    out.append(": ");
    AppendField(out, entry, EntryField::Description);
    out.append("\n");
}

void AppendPerformanceData(std::string& out, const CheckTally& tally) {
    out.append(" | critical=").append(std::to_string(tally.Critical())).append(";;;0");
    out.append(" caution=").append(std::to_string(tally.Caution())).append(";;;0");
    out.append(" entries=").append(std::to_string(tally.Entries())).append(";;;0");
}

void AppendEntryLines(std::string& out, const CheckTally& tally, bool utc) {
    for (const LogEntry& entry : tally.Newest()) {
        AppendEntryLine(out, entry, utc);
    }
    const uint64_t shown = tally.Newest().size();
    const uint64_t all = tally.Critical() + tally.Caution();
    if (all > shown) {
        out.append("(").append(std::to_string(all - shown)).append(" older not shown)\n");
    }
}

CheckState StateOf(const CheckTally& tally, const CheckLimits& limits) {
    if (limits.critical.Alerts(tally.Critical())) {
        return CheckState::Critical;
    }
    if (limits.warning.Alerts(tally.Critical() + tally.Caution())) {
        return CheckState::Warning;
    }
    return CheckState::Ok;
}

} // namespace

bool CheckRange::Alerts(uint64_t count) const {
    const double value = static_cast<double>(count);
    const bool within = (!low || value >= *low) && (!high || value <= *high);
    return inside ? within : !within;
}

std::optional<CheckRange> ParseCheckRange(std::string_view text) {
    CheckRange range;
    if (!text.empty() && text[0] == '@') {
        range.inside = true;
        text.remove_prefix(1);
    }
    const size_t colon = text.find(':');
    const std::string_view low = colon == std::string_view::npos ? "0" : text.substr(0, colon);
    const std::string_view high = colon == std::string_view::npos ? text : text.substr(colon + 1);
    if (low == "~") {
        range.low.reset();
    } else if (!(range.low = ParseThresholdNumber(low))) {
        return std::nullopt;
    }
    if (colon != std::string_view::npos && high.empty()) {
        range.high.reset();
    } else if (!(range.high = ParseThresholdNumber(high))) {
        return std::nullopt;
    }
    if ((!range.low && !range.high) || (range.low && range.high && *range.low > *range.high)) {
        return std::nullopt;
    }
    return range;
}

void CheckTally::Add(const LogEntry& entry) {
    ++entries_;
    if (!NeedsAttention(entry.Severity())) {
        return;
    }
    const bool critical = SeverityOf(entry.Severity()).reading == SeverityReading::Critical;
    ++(critical ? critical_ : caution_);
    if (critical && (!newestCritical_ || entry.EventNumber() > newestCritical_->EventNumber())) {
        newestCritical_ = entry;
    }
    auto newer = [](const LogEntry& a, const LogEntry& b) { return a.EventNumber() > b.EventNumber(); };
    auto at = std::upper_bound(newest_.begin(), newest_.end(), entry, newer);
    if (at - newest_.begin() >= static_cast<std::ptrdiff_t>(CheckEntryLines)) {
        return;
    }
    newest_.insert(at, entry);
    if (newest_.size() > CheckEntryLines) {
        newest_.pop_back();
    }
}

const LogEntry* CheckTally::Named() const {
    if (newestCritical_) {
        return &*newestCritical_;
    }
    return newest_.empty() ? nullptr : &newest_.front();
}

std::string CheckUnknownLine(std::string_view reason) {
    std::string line = "CVR UNKNOWN - ";
    AppendPluginText(line, reason);
    return line + "\n";
}

CheckReport ComposeCheck(const CheckTally& tally, const CheckLimits& limits,
                         std::span<const std::string> problems, bool utc) {
    CheckReport report;
    std::string& out = report.text;
    if (!problems.empty()) {
        out = CheckUnknownLine(problems.front());
        for (const std::string& problem : problems.subspan(1)) {
            AppendPluginText(out, problem);
            out.append("\n");
        }
        AppendEntryLines(out, tally, utc);
        return report;
    }
    report.state = StateOf(tally, limits);
    out.append("CVR ").append(StateNames[static_cast<int>(report.state)]).append(" - ");
    if (const LogEntry* named = tally.Named()) {
        out.append(std::to_string(tally.Critical())).append(" critical and ");
        out.append(std::to_string(tally.Caution())).append(" caution entries not repaired, newest: ");
        AppendField(out, *named, EntryField::Description);
    } else {
        out.append("no critical or caution entries not repaired");
    }
    AppendPerformanceData(out, tally);
    out.append("\n");
    AppendEntryLines(out, tally, utc);
    return report;
}

} // namespace kestrav
