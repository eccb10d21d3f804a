#include "cli/query.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "cli/query_options.h"
#include "cli/query_output.h"
#include "cli/standard_output.h"
#include "cli/status_log.h"
#include "log/log_ops.h"
#include "platform/health_device.h"
#include "resources/string_table.h"

#ifndef KESTRAV_VERSION
#error "KESTRAV_VERSION must be defined by the build"
#endif

namespace kestrav {

namespace {

constexpr size_t OutputChunk = 64 * 1024;

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
Times:
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
            errno = 0;
            if (std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) {
                error_ = errno != 0 ? errno : EIO;
            }
        }
        buffer_.clear();
    }

    std::string buffer_;
    int error_ = 0;
};

void Diagnose(std::string_view text) {
    // A system message may end in a line break of its own; the diagnostic stays one line.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    std::fprintf(stderr, "kestrav: %.*s\n", static_cast<int>(text.size()), text.data());
}

void DiagnoseWriteError(const StandardOutput& output) {
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
    explicit KeptEntries(const QueryFilter& filter) : filter_(filter) {}

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
    case QueryOutput::Csv:
        AppendCsvHeaderRow(text);
        for (const LogEntry& entry : entries) {
            AppendCsvRow(text, entry, utc);
            output.WriteIfFull();
        }
        break;
    }
}

int PrintLog(const QueryOptions& options) {
    bool supported = false;
    uint32_t status = QueryLogSupport(supported);
    if (status != StatusSuccess) {
        Diagnose(StatusErrorText(status));
        if (status == DeviceNotAvailable && !platform::MissingDeviceHint().empty()) {
            Diagnose(EscapeControls(platform::MissingDeviceHint()));
        }
        return ExitFailure;
    }
    if (!supported) {
        Diagnose(TableText(LogNotSupportedText));
        return ExitFailure;
    }

    KeptEntries kept(options.filter);
    WalkReport walk;
    status = WalkLog([&kept](const LogEntry& entry) { kept.Offer(entry); }, walk);
    if (status != StatusSuccess) {
        Diagnose(StatusErrorText(status));
        return ExitFailure;
    }
    std::vector<LogEntry>& entries = kept.Finish();
    if (walk.outOfMemory) {
        std::vector<LogEntry>().swap(entries);
    }

    UseBinaryStandardOutput();
    StandardOutput output;
    if (!walk.outOfMemory) {
        Print(output, options.output, entries, options.utc);
    }
    const bool written = output.Finish();
    for (const std::string& text : WalkProblemTexts(walk)) {
        Diagnose(text);
    }
    if (!written) {
        DiagnoseWriteError(output);
    }
    return written && walk.ReadWhole() && !walk.outOfMemory ? ExitSuccess : ExitFailure;
}

} // namespace

std::string QueryHelpText() {
    std::string text = "Usage: kestrav [/f:file] [/export:file]... [/clear]... [/note:\"msg\"]...\n"
                       "       kestrav [--list | --json | --csv] [FILTER]...\n"
                       "       kestrav --help | --version\n"
                       "\n"
                       "An unattended run exports, clears and writes notes, in that order, and appends\n"
                       "what it did to the status log:\n"
                       "\n";
    for (const char* line : ClassicUsageLines()) {
        text.append(line).append("\n");
    }
    text.append("\n").append(QueryUsage);
#ifndef _WIN32
    text.append("\nThe health device is the file that ZORHLTH_DEVICE names, or\n"
                "/var/lib/zorhlth/cvr.db when it is unset. Reading it needs read access only\n"
                "(the package lets the group zorhlth read /var/lib/zorhlth); clearing it and\n"
                "writing notes need write access.\n");
#endif
    return text;
}

int RunQueryMode(std::span<const std::string_view> arguments) {
    const QueryOptions options = ParseQueryOptions(arguments);
    switch (options.action) {
    case QueryAction::Help: return PrintText(QueryHelpText());
    case QueryAction::Version: return PrintText("kestrav " KESTRAV_VERSION "\n");
    case QueryAction::Invalid:
        Diagnose(options.error);
        std::fprintf(stderr, "Try 'kestrav --help'.\n");
        return ExitInvalidCommandLine;
    case QueryAction::Print: break;
    }
    return PrintLog(options);
}

} // namespace kestrav
