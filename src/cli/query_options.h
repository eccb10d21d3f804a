// The options of a query run (every one begins with "--"): what to print (--list, --json, --csv), which
// entries (the filters), or --help and --version. A command line with at least one "--" argument is a query
// run; it reads the log, prints it to standard output and changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record/log_entry.h"
#include "record/stamp.h"
#include "render/check_text.h"

namespace kestrav {

// True when the argument starts with "--": the command line is then a query run.
bool IsQueryOption(std::string_view argument);
bool HasQueryOption(std::span<const std::string_view> arguments);

enum class QueryOutput { List, Json, Csv };
enum class QueryAction { Print, Help, Version, Invalid };

// Which entries a query run prints. Every filter that is set must match (a set list matches when any of its
// values does); the event-number range is inclusive.
struct QueryFilter {
    std::vector<uint8_t> severities; // empty: any severity
    std::vector<uint16_t> classes;   // empty: any class
    uint32_t firstNumber = 0;
    uint32_t lastNumber = UINT32_MAX;
    std::optional<MinuteKey> since;    // on the update time; an entry whose update time is invalid never
    std::optional<MinuteKey> until;    // matches a time filter
    std::optional<uint32_t> lastCount; // --last=N: applied after the others, to the entries they kept
};

bool EntryMatches(const QueryFilter& filter, const LogEntry& entry);

struct QueryOptions {
    QueryAction action = QueryAction::Print;
    QueryOutput output = QueryOutput::List;
    QueryFilter filter;
    // --follow: read the log again every interval seconds and print (or, with journal, send to the system
    // journal; with eventLog, report to the system's event log) what is new or changed, remembering what was
    // seen in statePath when it is given.
    bool follow = false;
    unsigned interval = 10;
    std::string statePath;
    bool journal = false;
    bool eventLog = false; // --eventlog: to the system's event log (Windows), every entry
    // --metrics=FILE: write the log's figures to FILE for a metrics collector instead of printing it.
    std::string metricsPath;
    bool utc = false;  // --utc: times written in UTC instead of the host's local time
    std::string error; // for Invalid: the one line that names the problem, without the program prefix

    bool outputGiven = false; // --list, --json or --csv was given
    std::string dumpPath;     // --dump=FILE: the entries kept are also saved there as raw records
    std::string inputPath;    // --input=FILE: the log is read from this dump instead of the device
    bool window = false;      // --window: the window shows the --input file instead of printing it
    // --check: a monitoring check of the entries kept, alerting by limits (--warning, --critical).
    bool check = false;
    CheckLimits limits;
    std::string reportPath; // --report=FILE: the entries kept are also written there as an HTML page
};

// Reads the arguments after the program name. --help wins over everything, then --version; otherwise the
// first problem found (an unknown option, a bad value, an option given twice, two outputs, a classic option
// or a stray argument) makes the command line invalid.
QueryOptions ParseQueryOptions(std::span<const std::string_view> arguments);

} // namespace kestrav
