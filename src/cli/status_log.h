// The status log: the plain-text file to which every command-line run appends its header and one indented
// line per outcome, so that an unattended run can be checked afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/event_report.h"
#include "platform/output_file.h"

namespace kestrav {

inline constexpr const char* DefaultStatusLogName = "kestrav.log";

struct StatusLog {
    OutputFile file;
    // The text of the last status line written (no indent, no line end), for the system's event log.
    std::string lastLine;
};

// Opens (creating it if missing) for appending, other writers shut out; false when that is not possible.
bool OpenStatusLog(StatusLog& log, const std::string& name);

// Appends text without indent ("\n" stored as "\r\n"): the run header.
void WriteStatusText(StatusLog& log, std::string_view text);

// Formats the text, makes it a status line (CutStatusLine: one line, at most 511 characters) and appends
// "   %s\n" with it.
void WriteStatusLine(StatusLog& log, const char* format, ...) __attribute__((format(printf, 2, 3)));

void WriteStatusError(StatusLog& log, uint32_t code);

// Reports the status log's last line as the event of the outcome.
void ReportOutcome(const StatusLog& log, Outcome outcome);

// Appends the closing line of two blanks and closes; true when every write of the run reached the file.
bool CloseStatusLog(StatusLog& log);

} // namespace kestrav
