#include "cli/query.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "app/read_log.h"
#include "cli/command_line.h"
#include "cli/diagnostic.h"
#include "cli/follow.h"
#include "cli/query_options.h"
#include "cli/status_log.h"
#include "decode/event_text.h"
#include "log/dump_file.h"
#include "log/log_ops.h"
#include "platform/health_device.h"
#include "platform/output_file.h"
#include "platform/standard_output.h"
#include "platform/system.h"
#include "record/text_rules.h"
#include "render/check_text.h"
#include "render/entry_formats.h"
#include "render/html_report.h"
#include "resources/string_table.h"

#ifndef KESTRAV_VERSION
#error "KESTRAV_VERSION must be defined by the build"
#endif

namespace kestrav {

namespace {

constexpr size_t OutputChunk = 64 * 1024;

DumpWindowEntry DumpWindow = nullptr;

const char* const QueryUsage =
    R"(A query run (any option that begins with "--") reads the log and prints it to
standard output. It writes no status log and changes nothing; the options
above cannot be combined with it.

Output, one of:
  --list            aligned columns for a terminal (the default): Severity,
                    Event Number, Class, Code, Update Time, Initial Time,
                    Count, Description
  --json            JSON Lines: one object per entry with every field; times
                    in RFC 3339 with the host's UTC offset (null when
                    invalid), the event data and the whole record in
                    hexadecimal, and the host's name
  --csv             RFC 4180 CSV: a header row and the fields of --json
Filters, each at most once; an entry is printed when all of them match:
  --severity=LIST   severity names (critical, caution, repaired,
                    informational, in any case) or numbers, comma-separated
  --class=LIST      class numbers, decimal or 0x hex, comma-separated
  --number=RANGE    event numbers A-B, A-, -B or A, inclusive
  --since=TIME      update time at or after TIME
  --until=TIME      update time at or before TIME; TIME is YYYY-MM-DD, today
                    or yesterday (its first minute for --since, its last
                    for --until), or YYYY-MM-DDTHH:MM[:SS] ('T' or a
                    blank) in local time, or followed by Z or +HH:MM
  --last=N          only the last N of the entries the other filters kept
Files:
  --dump=FILE       save the entries kept as raw 256-byte records in
                    ascending event number (an older FILE is replaced once
                    the new one is complete); nothing is printed unless
                    --list, --json or --csv is given as well
  --input=FILE      decode such a file instead of the device; a damaged
                    record is left out and named on standard error (records
                    counted from 0), the others are printed, exit status 1
  --window          with --input=FILE alone: show FILE in the window,
                    read-only (the commands that change the log greyed)
  --report=FILE     write the entries kept as one HTML page to FILE: counts,
                    entries needing attention, charts, repeating events and
                    a sortable table, in the host's local time; the page
                    needs no network; nothing is printed unless --list,
                    --json or --csv is given as well
)";

// Following and metrics as each system has them: Windows has no journal, and ends a follower on Ctrl+C or
// the console closing.
const char* const FollowUsageWindows =
    R"(Following the log (with --list, --json and the filters):
  --follow          print every entry once, then read the log again at each
                    interval and print each new entry and each entry changed
                    in place (count, update time, severity); Ctrl+C,
                    Ctrl+Break or closing the console ends it
  --interval=SECONDS  the pause between two reads, 1 to 86400 (default 10)
  --state=FILE      remember what was printed in FILE (replaced whole at each
                    change), so that a restart neither repeats nor loses an
                    entry
  --eventlog        report every entry to the Application event log (source
                    Kestrav, events 200 to 204 by severity) instead of
                    printing it; not with --list, --json or a filter
Metrics (alone):
  --metrics=FILE    write the log's figures to FILE in the Prometheus text
                    format for a textfile collector (windows_exporter's):
                    entries by severity and class, the highest event number,
                    the newest update time, whether the read was complete
)";

const char* const FollowUsageLinux =
    R"(Following the log (with --list, --json and the filters):
  --follow          print every entry once, then read the log again at each
                    interval and print each new entry and each entry changed
                    in place (count, update time, severity); SIGTERM or
                    SIGINT ends it
  --interval=SECONDS  the pause between two reads, 1 to 86400 (default 10)
  --state=FILE      remember what was printed in FILE (replaced whole at each
                    change), so that a restart neither repeats nor loses an
                    entry
  --journal         send the entries to the system journal instead of
                    printing them: MESSAGE, PRIORITY and the fields CVR_*
Metrics (alone):
  --metrics=FILE    write the log's figures to FILE in the Prometheus text
                    format for node_exporter's textfile collector: entries by
                    severity and class, the highest event number, the newest
                    update time, whether the read was complete
)";

const char* const CheckUsage =
    R"(Monitoring check (with the filters and --input=FILE, for Nagios-compatible
engines): the entries the filters keep whose severity is Critical or Caution
(a repaired entry is Repaired) are counted:
  --check           print the state and the counts with performance data on
                    one line, then the newest of those entries, at most 10;
                    exit status 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN (the
                    log not read whole, or an invalid command line)
  --critical=RANGE  CRITICAL when the number of Critical entries is outside
                    RANGE (default 0: any Critical entry)
  --warning=RANGE   WARNING when the number of Critical and Caution entries
                    together is outside RANGE (default 0: any such entry);
                    RANGE is N (0 to N), N: (N or more), ~:N (N or less) or
                    N:M, and with @ in front alerts inside the range instead
)";

const char* const QueryUsageEnd =
    R"(Times:
  --utc             write times in UTC instead of the host's local time
Other:
  --help            print this help and exit
  --version         print the version and exit

The firmware's stamps are taken as the host's local time.

Entries are printed in ascending event number. Exit status: 0 success (also
when nothing matches), 1 the log could not be read, or only in part (what was
read is printed), 2 invalid command line.
)";

// Standard output written in large pieces; the first failure is remembered and reported once at the end.
class StandardOutput {
public:
    std::string& Text() { return buffer_; }

    void WriteIfFull() {
        if (buffer_.size() >= OutputChunk) {
            WriteOut();
        }
    }

    // Writes what is left and flushes; false when any byte did not leave.
    bool Finish() {
        WriteOut();
        if (std::fflush(stdout) != 0 && error_ == 0) {
            error_ = errno != 0 ? errno : EIO;
        }
        return error_ == 0;
    }

    int Error() const { return error_; }

private:
    void WriteOut() {
        if (error_ == 0 && !buffer_.empty()) {
            error_ = WriteStandardOutput(buffer_.data(), buffer_.size());
        }
        buffer_.clear();
    }

    std::string buffer_;
    int error_ = 0;
};

void DiagnoseWriteError(const StandardOutput& output) {
    // A reader that has gone (a pipe into head) ends the run quietly.
    if (output.Error() == EPIPE) {
        return;
    }
    Diagnose(std::string("cannot write the output: ") + std::strerror(output.Error()));
}

int PrintText(std::string text) {
    UseBinaryStandardOutput();
    StandardOutput output;
    output.Text() = std::move(text);
    if (!output.Finish()) {
        DiagnoseWriteError(output);
        return ExitFailure;
    }
    return ExitSuccess;
}

// The entries the filters keep, in the order read; --last keeps the list bounded while the walk runs.
class KeptEntries {
public:
    explicit KeptEntries(const QueryFilter& filter) : filter_(filter) { ReserveForWalk(entries_); }

    void Offer(const LogEntry& entry) {
        if (!EntryMatches(filter_, entry)) {
            return;
        }
        entries_.push_back(entry);
        if (filter_.lastCount && entries_.size() >= 2 * static_cast<size_t>(*filter_.lastCount) + 1024) {
            TrimToLast();
        }
    }

    std::vector<LogEntry>& Finish() {
        TrimToLast();
        return entries_;
    }

private:
    void TrimToLast() {
        if (filter_.lastCount && entries_.size() > *filter_.lastCount) {
            entries_.erase(entries_.begin(),
                           entries_.end() - static_cast<std::ptrdiff_t>(*filter_.lastCount));
        }
    }

    const QueryFilter& filter_;
    std::vector<LogEntry> entries_;
};

void Print(StandardOutput& output, QueryOutput format, const std::vector<LogEntry>& entries, bool utc) {
    std::string& text = output.Text();
    switch (format) {
    case QueryOutput::List: {
        const ListLayout layout = MeasureListing(entries, utc);
        AppendListHeader(text, layout);
        for (const LogEntry& entry : entries) {
            AppendListLine(text, layout, entry, utc);
            output.WriteIfFull();
        }
        break;
    }
    case QueryOutput::Json:
        for (const LogEntry& entry : entries) {
            AppendJsonLine(text, entry, utc);
            output.WriteIfFull();
        }
        break;
    case QueryOutput::Csv: {
        const bool terminal = StandardOutputIsTerminal();
        AppendCsvHeaderRow(text);
        for (const LogEntry& entry : entries) {
            AppendCsvRow(text, entry, utc, terminal);
            output.WriteIfFull();
        }
        break;
    }
    }
}

// The entries a query run prints and dumps, and what kept it from reading the whole log.
struct ReadResult {
    std::vector<LogEntry> entries;
    std::vector<std::string> failure;  // why nothing could be read, for the caller to tell
    std::vector<std::string> problems; // diagnosed after the output
    bool whole = true;
    bool outOfMemory = false; // nothing is printed or dumped
};

// Walks the device, handing each entry to keep; false when nothing could be read.
bool WalkDevice(const EntryKeep& keep, ReadResult& result) {
    const LogRead read = ReadLog(keep);
    if (!read.Walked()) {
        for (const ReadProblem& problem : read.problems) {
            result.failure.push_back(problem.ReasonOrText());
            if (!problem.missingHint.empty()) {
                result.failure.push_back(problem.missingHint);
            }
        }
        return false;
    }
    for (const ReadProblem& problem : read.problems) {
        // An empty log is printed as such: a listing with no entries.
        if (problem.kind != ReadProblemKind::Empty) {
            result.problems.push_back(problem.text);
        }
    }
    result.whole = read.walk.ReadWhole();
    result.outOfMemory = read.walk.outOfMemory;
    return true;
}

bool ReadFromDevice(const QueryFilter& filter, ReadResult& result) {
    KeptEntries kept(filter);
    if (!WalkDevice([&kept](const LogEntry& entry) { kept.Offer(entry); }, result)) {
        return false;
    }
    result.entries.swap(kept.Finish());
    if (result.outOfMemory) {
        std::vector<LogEntry>().swap(result.entries);
    }
    return true;
}

// A dump file in place of the device: every record that can be one is decoded, each damaged one reported.
bool ReadFromDump(const std::string& path, const QueryFilter& filter, ReadResult& result) {
    std::string why;
    std::vector<LogEntry>& entries = result.entries;
    try {
        if (!ReadDumpFile(
                path, [&filter](const LogEntry& entry) { return EntryMatches(filter, entry); }, entries,
                result.problems, why)) {
            result.failure.push_back(EscapeControls(path) + ": " + why);
            return false;
        }
    } catch (const std::bad_alloc&) {
        std::vector<LogEntry>().swap(entries);
        result.failure.push_back(EscapeControls(path) + ": too large to read into memory");
        return false;
    }
    result.whole = result.problems.empty();
    if (filter.lastCount && entries.size() > *filter.lastCount) {
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(*filter.lastCount));
    }
    return true;
}

// Saves the entries as raw records, replacing an older file only once the new one is complete, and only with
// a whole read: a dump of part of the log never takes the place of one that may hold what this read missed.
bool WriteDump(const std::string& path, const std::vector<LogEntry>& entries, bool whole) {
    const std::string shown = "'" + EscapeControls(path) + "'";
    OutputFile file;
    if (!file.Open(path, whole ? OutputFile::Mode::Replace : OutputFile::Mode::KeepOlder)) {
        Diagnose(file.OlderKept() ? "the log was not read whole; the older dump " + shown + " was kept"
                                  : "cannot write the dump " + shown + ": " + file.OpenError());
        return false;
    }
    for (const LogEntry& entry : entries) {
        file.Write(std::string_view(reinterpret_cast<const char*>(entry.bytes), LogEntrySize));
    }
    if (!file.Close()) {
        Diagnose("the dump " + shown + " could not be written whole; an older file stays as it was");
        return false;
    }
    return true;
}

// Writes the entries as an HTML page; a log read in part is still reported, its problems at the top.
bool WriteReport(const QueryOptions& options, const ReadResult& read) {
    ReportHeader header;
    header.fromDump = !options.inputPath.empty();
    if (header.fromDump) {
        header.source = options.inputPath;
    } else {
        char host[256] = {};
        header.source = platform::GetHostName(host) ? host : "";
    }
    LogTime now;
    GetLogTime(now);
    char made[DescriptionBufferSize];
    FormatEntryTime(now, made);
    header.madeAt = made;
    header.problems = read.problems;
    header.language = CurrentLanguage();

    const std::string shown = "'" + EscapeControls(options.reportPath) + "'";
    OutputFile file;
    if (!file.Open(options.reportPath, OutputFile::Mode::Replace)) {
        Diagnose("cannot write the report " + shown + ": " + file.OpenError());
        return false;
    }
    WriteHtmlReport(header, read.entries, [&file](std::string_view piece) { file.Write(piece); });
    if (!file.Close()) {
        Diagnose("the report " + shown + " could not be written whole; an older file stays as it was");
        return false;
    }
    return true;
}

int PrintLog(const QueryOptions& options) {
    ReadResult read;
    const bool readAny = options.inputPath.empty() ? ReadFromDevice(options.filter, read)
                                                   : ReadFromDump(options.inputPath, options.filter, read);
    if (!readAny) {
        for (const std::string& text : read.failure) {
            Diagnose(text);
        }
        return ExitFailure;
    }

    // A dump is written before anything is printed; the listing follows only when an output was asked for.
    const bool dumping = !options.dumpPath.empty();
    const bool dumped = !dumping || read.outOfMemory || WriteDump(options.dumpPath, read.entries, read.whole);
    const bool reporting = !options.reportPath.empty();
    const bool reported = !reporting || read.outOfMemory || WriteReport(options, read);
    UseBinaryStandardOutput();
    StandardOutput output;
    if (!read.outOfMemory && ((!dumping && !reporting) || options.outputGiven)) {
        Print(output, options.output, read.entries, options.utc);
    }
    const bool written = output.Finish();
    for (const std::string& text : read.problems) {
        Diagnose(text);
    }
    if (!written) {
        DiagnoseWriteError(output);
    }
    return written && dumped && reported && read.whole && !read.outOfMemory ? ExitSuccess : ExitFailure;
}

// The monitoring check: its lines on standard output, and its state as the exit status. Without --last the
// device's entries are only counted as they come, so that a long log is never held in memory.
int RunCheck(const QueryOptions& options) {
    CheckTally tally;
    ReadResult read;
    bool readAny = false;
    if (options.inputPath.empty() && !options.filter.lastCount) {
        const QueryFilter& filter = options.filter;
        readAny = WalkDevice(
            [&filter, &tally](const LogEntry& entry) {
                if (EntryMatches(filter, entry)) {
                    tally.Add(entry);
                }
            },
            read);
    } else {
        readAny = options.inputPath.empty() ? ReadFromDevice(options.filter, read)
                                            : ReadFromDump(options.inputPath, options.filter, read);
        for (const LogEntry& entry : read.entries) {
            tally.Add(entry);
        }
    }
    std::vector<std::string> problems = readAny ? read.problems : read.failure;
    // A read that went wrong is never OK, even where nothing says why.
    if (problems.empty() && (!readAny || !read.whole || read.outOfMemory)) {
        problems.push_back("the log could not be read whole");
    }
    const CheckReport report = ComposeCheck(tally, options.limits, problems, options.utc);
    UseBinaryStandardOutput();
    StandardOutput output;
    output.Text() = report.text;
    return output.Finish() ? static_cast<int>(report.state) : static_cast<int>(CheckState::Unknown);
}

} // namespace

void SetDumpWindowEntry(DumpWindowEntry entry) {
    DumpWindow = entry;
}

std::string QueryHelpText() {
    const bool windows = platform::WindowsHost;
    std::string text = "Usage: kestrav [/f:file] [/export:file]... [/clear]... [/note:\"msg\"]...\n"
                       "       kestrav [--list | --json | --csv] [FILTER]...\n";
    text.append(windows ? "       kestrav --follow [--list | --json] [--interval=SECONDS] [--state=FILE]\n"
                          "               [FILTER]...\n"
                          "       kestrav --follow --eventlog [--interval=SECONDS] [--state=FILE]\n"
                        : "       kestrav --follow [--list | --json | --journal] [--interval=SECONDS]\n"
                          "               [--state=FILE] [FILTER]...\n");
    text.append("       kestrav --check [--warning=RANGE] [--critical=RANGE] [FILTER]...\n");
    text.append("       kestrav --metrics=FILE\n"
                "       kestrav --help | --version\n"
                "\n"
                "An unattended run exports, clears and writes notes, in that order, and appends\n"
                "what it did to the status log:\n"
                "\n");
    for (const char* line : ClassicUsageLines()) {
        text.append(line).append("\n");
    }
    text.append("\n").append(QueryUsage).append(windows ? FollowUsageWindows : FollowUsageLinux);
    text.append(CheckUsage);
    text.append(QueryUsageEnd);
    text.append(windows ? "\nEvery unattended run also reports what it did to the Application event log\n"
                          "(source Kestrav), as the window's Export Log, Clear All Entries and Add\n"
                          "Maintenance Note do. kestrav-task.xml, installed beside the program, is a\n"
                          "scheduled task that saves and clears the log every night at 02:00; register\n"
                          "it from an elevated prompt with schtasks /create /tn NAME /xml FILE (see\n"
                          "windows.md beside the program). kestrav-follow-task.xml, registered the same\n"
                          "way and then enabled, runs kestrav --follow --eventlog from boot.\n"
                        : "\nThe health device is the file that ZORHLTH_DEVICE names, or\n"
                          "/var/lib/zorhlth/cvr.db when it is unset. Reading it needs read access only\n"
                          "(the package lets the group zorhlth read /var/lib/zorhlth); clearing it and\n"
                          "writing notes need write access.\n");
    return text;
}

int RunQueryMode(std::span<const std::string_view> arguments) {
    const QueryOptions options = ParseQueryOptions(arguments);
    switch (options.action) {
    case QueryAction::Help: return PrintText(QueryHelpText());
    case QueryAction::Version: return PrintText("kestrav " KESTRAV_VERSION "\n");
    case QueryAction::Invalid:
        if (options.check) {
            PrintText(CheckUnknownLine(options.error));
            return static_cast<int>(CheckState::Unknown);
        }
        Diagnose(options.error);
        WriteDiagnosticLine("Try 'kestrav --help'.");
        return ExitInvalidCommandLine;
    case QueryAction::Print: break;
    }
    if (options.window) {
        if (DumpWindow == nullptr) {
            WriteDiagnosticLine(
                "kestrav: --window: this program has no window; use --input=FILE with --list, "
                "--json or --csv");
            return 1;
        }
        return DumpWindow(options.inputPath);
    }
    if (options.follow) {
        return RunFollow(options);
    }
    if (!options.metricsPath.empty()) {
        return RunMetrics(options.metricsPath);
    }
    if (options.check) {
        return RunCheck(options);
    }
    return PrintLog(options);
}

} // namespace kestrav
