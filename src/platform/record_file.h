// Raw record files: the log saved as 256-byte records one after another, read from the file system under the
// rules this program reads files by (a regular file only, never waited on).
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "record/log_entry.h"

namespace kestrav {

// Reads the regular file at path as it was when opened, a block of records at a time, handing each block's
// whole records to each in the file's order; tailBytes is the count of bytes after the last whole record (a
// truncated file). False with why when the file cannot be opened or read or is not a regular file.
bool ReadRecordFile(const std::string& path, const std::function<void(std::span<const LogEntry>)>& each,
                    size_t& tailBytes, std::string& why);

} // namespace kestrav
