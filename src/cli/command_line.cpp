#include "cli/command_line.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "app/clear.h"
#include "app/event_report.h"
#include "app/export.h"
#include "app/outcome_texts.h"
#include "app/read_log.h"
#include "cli/diagnostic.h"
#include "cli/options.h"
#include "cli/query.h"
#include "cli/query_options.h"
#include "cli/status_log.h"
#include "log/log_ops.h"
#include "platform/health_device.h"
#include "platform/standard_output.h"
#include "platform/system.h"
#include "record/text_rules.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

const char* const UsageLines[] = {
    "/f:file      Specifies the file for status logging. This parameter is",
    "             optional. The default log file is kestrav.log.",
    "/export:file Exports the CVR entries to a comma-separated file.  The",
    "             extension .csv will be added if no extension is specified.",
    "/clear       Clear all entries in the CVR.  If both /clear and /export are",
    "             specified, /clear will execute after /export.",
    "/note:\"msg\"  Writes a maintenance note to the CVR.  msg must be enclosed",
    "             in double quotes and be no more than 227 characters long.",
};

// "kestrav /?" is the first thing an administrator types at a Windows prompt: the answer is shown where it
// was asked, on standard output. On Linux a help request keeps the answer it has always had: the usage on
// standard error.
constexpr bool HelpOnStandardOutput = platform::WindowsHost;
constexpr std::string_view LineEnd = platform::ConsoleLineEnd;

// The usage and where the other options are described, on standard output.
void PrintClassicHelp() {
    std::string text;
    for (const char* line : UsageLines) {
        text.append(line).append(LineEnd);
    }
    text.append(LineEnd).append(
        "The query options (--list, --json, --csv, --follow and more): kestrav --help");
    text.append(LineEnd);
    // Nowhere is left to say that standard output failed; the status log holds the usage too.
    (void)WriteStandardOutput(text.data(), text.size());
}

// The usage of an invalid command line on the status log; the console is told which argument was wrong, or
// shown the usage that was asked for.
void WriteUsage(StatusLog& log, const CommandLineOptions& options) {
    WriteStatusLine(log, "%s", "");
    for (const char* line : UsageLines) {
        WriteStatusLine(log, "%s", line);
    }
    if (options.helpAsked && HelpOnStandardOutput) {
        PrintClassicHelp();
        return;
    }
    if (!options.helpAsked) {
        Diagnose(options.problem);
    }
    for (const char* line : UsageLines) {
        WriteDiagnosticLine(line);
    }
}

void WriteRunHeader(StatusLog& log, std::span<char* const> argv) {
    std::string header = TableText(ApplicationTitle);
    header.append("\n");
    header.append(RunDateText(platform::LocalTimeNow()));
    header.append("\n");
    WriteStatusText(log, header);
    const char* received = platform::ProcessCommandLine();
    std::string commandLine = received != nullptr ? std::string(received) : CommandLineText(argv);
    WriteStatusLine(log, TableText(ExecutingText), EscapeControls(commandLine).c_str());
}

// Writes the export and reports its outcome on the status log; true only when every byte was written.
bool ExportCsv(StatusLog& log, const std::string& fileName, const std::vector<LogEntry>& entries,
               bool readWhole) {
    std::string heldError;
    const ExportResult result = WriteExportFile(
        fileName, entries.size(), [&entries](size_t i) -> const LogEntry& { return entries[i]; }, readWhole,
        heldError);
    WriteStatusLine(log, "%s", ExportOutcomeLine(result, fileName, heldError).c_str());
    ReportOutcome(log, result == ExportResult::Written ? Outcome::ExportDone : Outcome::ExportFailed);
    return result == ExportResult::Written;
}

// A clear that follows a save refused because the log no longer ends where the save's walk found its end:
// says why (the look's failure, new entries, or no answer).
void ReportLogChangedSinceSave(StatusLog& log, uint32_t status, LogTail tail) {
    if (status != StatusSuccess) {
        WriteStatusError(log, status);
    } else if (tail == LogTail::Grown) {
        WriteStatusLine(log, "%s", TableText(ClearNewEntriesText));
    } else {
        WriteStatusLine(log, "%s", TableText(LogNotClearedText));
    }
    ReportOutcome(log, Outcome::ClearRefused);
}

// The operations of a valid command line on a readable log, in their fixed order: exports, clears, notes.
// Returns true when every one of them succeeded.
bool PerformOperations(StatusLog& log, const CommandLineOptions& options,
                       const std::vector<LogEntry>& entries, const WalkReport& walk) {
    bool allSucceeded = true;
    bool anyExportSucceeded = false;
    const std::tm now = platform::LocalTimeNow();
    for (const std::string& name : options.exportFiles) {
        const std::string fileName = ExportNamesHoldDateTime ? WithDateTime(name, now) : name;
        bool exported = ExportCsv(log, fileName, entries, walk.ReadWhole());
        anyExportSucceeded = anyExportSucceeded || exported;
        allSucceeded = allSucceeded && exported;
    }
    // A log is never erased when the save asked for before it failed, or saved only part of the log.
    const bool saveAsked = !options.exportFiles.empty();
    const bool clearAllowed = !saveAsked || (anyExportSucceeded && walk.ReadWhole());
    std::optional<uint32_t> end = walk.end;
    bool endKnown = true;
    bool forwarded = false;
    for (size_t i = 0; i < options.clearCount; ++i) {
        if (!clearAllowed) {
            WriteStatusLine(log, "%s", TableText(ClearRefusedText));
            ReportOutcome(log, Outcome::ClearRefused);
            allSucceeded = false;
            continue;
        }
        if (saveAsked && !endKnown) {
            WriteStatusLine(log, "%s", TableText(LogNotClearedText));
            ReportOutcome(log, Outcome::ClearRefused);
            allSucceeded = false;
            continue;
        }
        // The walk ending on the highest possible number leaves nothing to look for: nothing can be added.
        bool nothingUnsaved = true;
        const bool cleared = ClearLogAndReport(log, saveAsked ? end : std::nullopt, &nothingUnsaved);
        allSucceeded = cleared && nothingUnsaved && allSucceeded;
        if (cleared && !forwarded) {
            ForwardErasedEntries(entries);
            forwarded = true;
        }
        // What the erase left (the entry that records it) counts as seen by the next /clear of the run.
        if (cleared && saveAsked && end) {
            endKnown = FindLogEnd(*end, end) == StatusSuccess && end.has_value();
        }
    }
    for (const std::string& note : options.notes) {
        uint8_t driverStatus = WriteFailed;
        uint32_t status = WriteMaintenanceNote(note, driverStatus);
        WriteStatusLine(log, "%s", NoteOutcomeLine(status, driverStatus).c_str());
        ReportOutcome(log, status == StatusSuccess && driverStatus == DriverStatusDone ? Outcome::NoteWritten
                                                                                       : Outcome::NoteFailed);
        allSucceeded = allSucceeded && status == StatusSuccess && driverStatus == DriverStatusDone;
    }
    return allSucceeded;
}

// The status log says what the run found; why the device could not be used, or where it was looked for,
// goes to the caller.
void DiagnoseUnusableDevice(const ReadProblem& problem) {
    const std::string& why = problem.unusableReason.empty() ? problem.missingHint : problem.unusableReason;
    if (!why.empty()) {
        WriteDiagnosticLine("kestrav: " + why);
    }
}

bool RequestsOperations(const CommandLineOptions& options) {
    return !options.exportFiles.empty() || options.clearCount > 0 || !options.notes.empty();
}

// The run once the status log is open; returns the exit status. The caller closes the log.
int RunWithStatusLog(StatusLog& log, std::span<char* const> argv, const CommandLineOptions& options) {
    WriteRunHeader(log, argv);
    // A run that cannot account for itself does nothing.
    if (log.file.Failed()) {
        return ExitFailure;
    }
    if (!options.valid) {
        WriteUsage(log, options);
        return ExitInvalidCommandLine;
    }

    std::vector<LogEntry> entries;
    const LogRead read = ReadLog(entries);
    // Each problem on the status log, then what it means for the run.
    for (const ReadProblem& problem : read.problems) {
        WriteStatusLine(log, "%s", problem.text.c_str());
        switch (problem.kind) {
        case ReadProblemKind::SupportUnknown: DiagnoseUnusableDevice(problem); [[fallthrough]];
        case ReadProblemKind::NotSupported:
            ReportOutcome(log, Outcome::RunStopped);
            WriteStatusLine(log, "%s", TableText(DidNothingText));
            return ExitFailure;
        case ReadProblemKind::WalkFailed: ReportOutcome(log, Outcome::RunStopped); return ExitFailure;
        case ReadProblemKind::OutOfMemory: ReportOutcome(log, Outcome::WalkIncomplete); return ExitFailure;
        case ReadProblemKind::Empty:
            if (!RequestsOperations(options)) {
                return ExitSuccess;
            }
            ReportOutcome(log, Outcome::RunStopped);
            return ExitFailure;
        case ReadProblemKind::Incomplete:
        case ReadProblemKind::Skipped: ReportOutcome(log, Outcome::WalkIncomplete); break;
        }
    }

    bool succeeded = PerformOperations(log, options, entries, read.walk);
    entries.clear();
    WriteStatusLine(log, "%s", TableText(FinishedText));
    return succeeded && read.Whole() ? ExitSuccess : ExitFailure;
}

} // namespace

std::span<const char* const> ClassicUsageLines() {
    return UsageLines;
}

std::string CommandLineText(std::span<char* const> argv) {
    std::string text;
    for (const char* argument : argv) {
        std::string_view word(argument);
        if (!text.empty()) {
            text.push_back(' ');
        }
        if (!word.empty() && word.find_first_of(" \t\n\v\f\r\"") == std::string_view::npos) {
            text.append(word);
            continue;
        }
        text.push_back('"');
        for (char c : word) {
            if (c == '"') {
                text.push_back('\\');
            }
            text.push_back(c);
        }
        text.push_back('"');
    }
    return text;
}

std::string RunDateText(const std::tm& time) {
    static const char* const Weekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
    static const char* const Months[] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
    int hour12 = time.tm_hour % 12 == 0 ? 12 : time.tm_hour % 12;
    char text[128];
    std::snprintf(text, sizeof text, "%s, %s %02d, %d at %02d:%02d %s", Weekdays[(time.tm_wday % 7 + 7) % 7],
                  Months[(time.tm_mon % 12 + 12) % 12], time.tm_mday, time.tm_year + 1900, hour12,
                  time.tm_min, time.tm_hour < 12 ? "AM" : "PM");
    return text;
}

bool ClearLogAndReport(StatusLog& log, std::optional<uint32_t> savedEnd, bool* nothingUnsaved) {
    ClearReport report;
    uint32_t status = ClearAsAccount(savedEnd, report);
    if (report.tail != LogTail::Unchanged) {
        ReportLogChangedSinceSave(log, status, report.tail);
        return false;
    }
    const bool cleared = report.cleared && status == StatusSuccess;
    WriteStatusLine(log, "%s", ClearOutcomeLine(status, cleared).c_str());
    ReportOutcome(log, cleared ? Outcome::LogCleared : Outcome::ClearRefused);
    if (report.unsaved > 0) {
        WriteStatusLine(log, "%s", ClearUnsavedLine(report.unsaved).c_str());
        ReportOutcome(log, Outcome::ClearRefused);
    }
    if (nothingUnsaved != nullptr) {
        *nothingUnsaved = report.unsaved == 0;
    }
    return cleared;
}

int RunCommandLineMode(int argc, char** argv) {
    std::span<char* const> all(argv, static_cast<size_t>(argc));
    std::vector<std::string_view> arguments(all.begin() + (argc > 0 ? 1 : 0), all.end());
    // A query run opens no status log: it only reads and prints.
    if (HasQueryOption(arguments)) {
        return RunQueryMode(arguments);
    }
    CommandLineOptions options = ParseCommandLine(arguments);

    StatusLog log;
    if (!OpenStatusLog(log, options.statusLogName)) {
        // Nothing goes to any file, but a scheduled job's mail shows why the run did nothing.
        WriteDiagnosticLine("kestrav: cannot open the status log '" + EscapeControls(options.statusLogName) +
                            "': " + log.file.OpenError());
        return ExitFailure;
    }
    int exitStatus = RunWithStatusLog(log, all, options);
    // A status log that could not be written leaves the run unaccounted for.
    if (!CloseStatusLog(log) && exitStatus == ExitSuccess) {
        exitStatus = ExitFailure;
    }
    return exitStatus;
}

} // namespace kestrav
