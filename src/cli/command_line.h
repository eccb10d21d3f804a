// The unattended command-line run: exports, clears and notes in a fixed order, reported on the status log.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "log/log_ops.h"

namespace kestrav {

struct StatusLog;

// Exit statuses of a command-line run.
inline constexpr int ExitSuccess = 0; // every requested operation done
inline constexpr int ExitFailure = 1; // nothing to work on, or an operation failed
inline constexpr int ExitInvalidCommandLine = 2;

// Performs the whole run for the process arguments (argv[0] the program) and returns its exit status. A
// command line with an argument that starts with "--" is a query run (cli/query.h): no status log.
int RunCommandLineMode(int argc, char** argv);

// The eight lines of usage that an invalid command line writes to the status log, also part of --help.
std::span<const char* const> ClassicUsageLines();

// The /clear step: erases the log in the name of the effective user's account and reports the outcome; true
// when the log was cleared. With savedEnd (where the save's walk found the end of the log) the erase is
// refused when entries arrived since, and entries that the erase took unsaved all the same are reported by
// how many; nothingUnsaved then says whether there were none.
bool ClearLogAndReport(StatusLog& log, std::optional<uint32_t> savedEnd = std::nullopt,
                       bool* nothingUnsaved = nullptr);

// The program and its arguments joined by blanks, an argument that is empty or holds white space or double
// quotes shown in double quotes (a quote inside as \").
std::string CommandLineText(std::span<char* const> argv);

// "Monday, December 07, 2026 at 03:49 PM": English names whatever the locale.
std::string RunDateText(const std::tm& time);

} // namespace kestrav
