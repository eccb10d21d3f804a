// The comma-separated export of the log: a header line of column titles and one eight-column line per entry,
// fields joined by "," as they are (no quoting), lines ending in "\r\n". The command line's /export: and the
// viewer's Export command write the same lines.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "log/log_entry.h"

namespace kestrav {

struct StatusLog;

// Where a file name cannot hold "<" or ">" (Windows), an export name may hold DateTimeField, which becomes
// the run's local date and time ("2026-12-09-020000"): a scheduled run keeps one export per run without a
// date in its command line, whose form would depend on the locale. Elsewhere such a name is an ordinary file
// name.
inline constexpr const char* DateTimeField = "<datetime>";
#ifdef _WIN32
inline constexpr bool ExportNamesHoldDateTime = true;
#else
inline constexpr bool ExportNamesHoldDateTime = false;
#endif

// name with every DateTimeField replaced by time.
std::string WithDateTime(const std::string& name, const std::tm& time);

// The column titles in the current language, with the line end.
std::string CsvHeaderLine();

// Appends the line of one entry, with the line end.
void AppendCsvLine(std::string& out, const LogEntry& entry);

// OlderKept: the log was not read whole and an older file of the name exists, which is left as it was.
enum class ExportResult : uint8_t { Written, OpenFailed, WriteFailed, OlderKept };

// The status line of an export's outcome, naming the file with its control characters escaped; heldError is
// why another program's hold shut the file out (OutputFile::HeldError), empty when none did.
std::string ExportOutcomeLine(ExportResult result, const std::string& fileName, const std::string& heldError);

// Writes the header and the entries' lines to fileName and reports the outcome on the status log. True only
// when every byte was written. An older file is replaced only when the log was read whole: one read in part
// never takes the place of an export that may hold what this read missed; where there is none, the part is
// better than nothing.
bool ExportCsv(StatusLog& log, const std::string& fileName, const std::vector<LogEntry>& entries,
               bool readWhole);

} // namespace kestrav
