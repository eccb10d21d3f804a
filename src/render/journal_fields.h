// An entry as the system journal's native fields: MESSAGE (the description), PRIORITY from the severity,
// SYSLOG_IDENTIFIER=kestrav and the CVR_* fields that carry the record.
#pragma once

#include <string>
#include <vector>

#include "record/log_entry.h"

namespace kestrav {

// The fields of one entry, each "NAME=value".
std::vector<std::string> JournalFields(const LogEntry& entry);

// The syslog priority of a severity: critical 2, caution 4, repaired 5, anything else 6.
int JournalPriority(uint8_t severity);

} // namespace kestrav
