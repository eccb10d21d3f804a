// The log as one self-contained HTML page for a person to read or print: a header with the counts by
// severity, the entries that need attention, a timeline and the classes as inline SVG charts, the repeating
// events, and the whole log as a table that a small inline script sorts and filters. Nothing on the page is
// fetched: styles, charts and script are in the page, and every text from the log is escaped.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record/log_entry.h"
#include "resources/string_table.h"

namespace kestrav {

struct ReportHeader {
    std::string source; // the host's name, or the dump's file name
    bool fromDump = false;
    std::string madeAt; // when the report was made, as the log's times are written
    // What kept the read from being whole; the page lists them at its top.
    std::vector<std::string> problems;
    Language language = Language::English;
};

// Hands the page to sink in pieces of some tens of kilobytes.
using ReportSink = std::function<void(std::string_view)>;
void WriteHtmlReport(const ReportHeader& header, std::span<const LogEntry> entries, const ReportSink& sink);
std::string FormatHtmlReport(const ReportHeader& header, std::span<const LogEntry> entries);

} // namespace kestrav
