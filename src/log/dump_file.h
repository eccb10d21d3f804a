// Dump files: the log saved as raw 256-byte records, one after another in ascending event number, exactly as
// the driver hands them out (the format that healthsim import and the Windows test driver read). A query run
// writes one with --dump and decodes one instead of the device with --input.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/record_file.h"
#include "record/log_entry.h"

namespace kestrav {

// The problems of a damaged dump told one by one; past these, one line says how many more there were.
inline constexpr size_t DumpProblemsListed = 20;

// Reads the dump file at path and leaves in entries, in ascending event number, those of its entries that
// keep accepts; only they are held in memory, never the whole file. A record whose Length cannot be that of
// a record (below the header or beyond the record) or whose event number is 0 is left out, as is a record
// that repeats an earlier one's event number; records out of order are put in order. Each problem adds one
// line to problems, naming the record (counted from 0) and its offset, and bytes after the last record add
// one line too; past the first DumpProblemsListed lines, one last line counts the others. False with why
// when the file cannot be read; std::bad_alloc when what is kept does not fit in memory.
bool ReadDumpFile(const std::string& path, const std::function<bool(const LogEntry&)>& keep,
                  std::vector<LogEntry>& entries, std::vector<std::string>& problems, std::string& why);

} // namespace kestrav
