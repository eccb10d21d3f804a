// Exporting the log to a comma-separated file, for the command line's /export: and the window's Export
// command alike: the file's name, its writing and what is said of the outcome.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "platform/system.h"
#include "record/log_entry.h"

namespace kestrav {

// Where a file name cannot hold "<" or ">" (Windows), an export name may hold DateTimeField, which becomes
// the run's local date and time ("2026-12-09-020000"): a scheduled run keeps one export per run without a
// date in its command line, whose form would depend on the locale. Elsewhere such a name is an ordinary file
// name.
inline constexpr const char* DateTimeField = "<datetime>";
inline constexpr bool ExportNamesHoldDateTime = platform::WindowsHost;

// name with every DateTimeField replaced by time.
std::string WithDateTime(const std::string& name, const std::tm& time);

// OlderKept: the log was not read whole and an older file of the name exists, which is left as it was.
enum class ExportResult : uint8_t { Written, OpenFailed, WriteFailed, OlderKept };

// The status line of an export's outcome, naming the file with its control characters escaped; heldError is
// why another program's hold shut the file out (OutputFile::HeldError), empty when none did.
std::string ExportOutcomeLine(ExportResult result, const std::string& fileName, const std::string& heldError);

// Writes the header and the lines of the count entries that entryAt gives to fileName. Written only when
// every byte reached the file; heldError then empty, else why another program's hold shut the file out. An
// older file is replaced only when the log was read whole: one read in part never takes the place of an
// export that may hold what this read missed; where there is none, the part is better than nothing.
ExportResult WriteExportFile(const std::string& fileName, size_t count,
                             const std::function<const LogEntry&(size_t)>& entryAt, bool readWhole,
                             std::string& heldError);

} // namespace kestrav
