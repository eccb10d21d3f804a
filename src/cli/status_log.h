// The status log: the plain-text file to which every command-line run appends its header and one indented
// line per outcome, so that an unattended run can be checked afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/output_file.h"

namespace kestrav {

inline constexpr size_t StatusLineBufferSize = 512;
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

// text as a status line holds it: control characters escaped (EscapeControls) but for the line end that
// ends a system message, at most 511 bytes, cut before a character that would not fit whole.
std::string CutStatusLine(std::string_view text);

// text with every control character written as an escape ("\n", "\r", "\t", else "\x1B"), so that a file
// name or an argument echoed to the status log cannot start a line of its own.
std::string EscapeControls(std::string_view text);

// The message for a status code: the missing-driver text, else the system's text for the code, else the
// unknown-error text with the code.
std::string StatusErrorText(uint32_t code);
void WriteStatusError(StatusLog& log, uint32_t code);

// Appends the closing line of two blanks and closes; true when every write of the run reached the file.
bool CloseStatusLog(StatusLog& log);

} // namespace kestrav
