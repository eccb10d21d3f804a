// A query run: the log read and printed to standard output as a listing, JSON Lines or CSV, filtered, with
// no status log and no change to the log; or the help or the version. Diagnostics go to standard error, one
// line each.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kestrav {

// Performs the query run of the arguments after the program name and returns its exit status: 0, 1 when the
// log could not be read or was read only in part (or the output could not be written), 2 for an invalid
// command line; for a monitoring check (--check) its state, 0 to 3.
int RunQueryMode(std::span<const std::string_view> arguments);

// How a query run opens the window on a dump, read-only (--input=FILE --window): the program's start, which
// knows its window, hands the entry over before the run; with none, the run says that there is no window.
using DumpWindowEntry = int (*)(const std::string& path);
void SetDumpWindowEntry(DumpWindowEntry entry);

// The text that --help prints.
std::string QueryHelpText();

} // namespace kestrav
