// The classic export line: a header line of column titles and one eight-column line per entry, fields
// joined by "," as they are (no quoting), lines ending in "\r\n". The command line's /export: and the
// window's Export command write these lines.
#pragma once

#include <string>

#include "record/log_entry.h"

namespace kestrav {

// The column titles in the current language, with the line end.
std::string CsvHeaderLine();
// Appends the line of one entry, with the line end.
void AppendCsvLine(std::string& out, const LogEntry& entry);

} // namespace kestrav
