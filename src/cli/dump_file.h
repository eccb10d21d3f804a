// Dump files: the log saved as raw 256-byte records, one after another in ascending event number, exactly as
// the driver hands them out (the format that healthsim import and the Windows test driver read). A query run
// writes one with --dump and decodes one instead of the device with --input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "log/log_entry.h"

namespace kestrav {

// Reads the regular file at path into records, one element per whole record, in the file's order, in a few
// large reads; tailBytes is the count of bytes after the last whole record (a truncated file). False with why
// when the file cannot be opened or read, is not a regular file, or does not fit in memory.
bool ReadRecordFile(const std::string& path, std::vector<LogEntry>& records, size_t& tailBytes,
                    std::string& why);

// Checks the records of a dump file named name, read in the file's order, and leaves in records the entries
// to decode, in ascending event number. A record whose Length cannot be that of a record (below the header or
// beyond the record) or whose event number is 0 is left out, as is a record that repeats an earlier one's
// event number; records out of order are put in order. Each problem adds one line to problems, naming the
// record (counted from 0) and its offset; tailBytes bytes after the last record add one line too.
void CheckDumpRecords(const std::string& name, std::vector<LogEntry>& records, size_t tailBytes,
                      std::vector<std::string>& problems);

} // namespace kestrav
