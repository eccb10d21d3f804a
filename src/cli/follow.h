// The two runs that feed a fleet's own pipelines: the follower (--follow), which keeps reading the log and
// hands on each new or changed entry once, and the metrics file (--metrics) for a textfile collector.
#pragma once

#include <string>

#include "cli/query_options.h"

namespace kestrav {

// Runs until asked to stop; 0 after a clean stop with the state saved, 1 when the log cannot be read at
// the start, the state file is damaged or cannot be written, or the output fails.
int RunFollow(const QueryOptions& options);

// Reads the log and writes its figures to path, replacing the older file only once the new one is whole;
// 0 when the log was read whole and the file written, 1 otherwise (the file then says what was read).
int RunMetrics(const std::string& path);

} // namespace kestrav
