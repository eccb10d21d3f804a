// Sending an entry to the system journal as native fields: MESSAGE (the description), PRIORITY from the
// severity, SYSLOG_IDENTIFIER=kestrav and the CVR_* fields that carry the record.
#pragma once

#include <string>
#include <vector>

#include "log/log_entry.h"

namespace kestrav {

// Whether this build can send to the journal (Linux).
bool JournalAvailable();

// The fields of one entry, each "NAME=value".
std::vector<std::string> JournalFields(const LogEntry& entry);

// The syslog priority of a severity: critical 2, caution 4, repaired 5, anything else 6.
int JournalPriority(uint8_t severity);

// Sends one entry; 0, or the error number of the failure (ENOENT when there is no journal).
int SendToJournal(const LogEntry& entry);

#ifndef _WIN32
// Fields ("NAME=value") as one datagram of journald's native protocol.
std::string JournalDatagram(const std::vector<std::string>& fields);

// Sends a datagram on a datagram socket, to the socket at path, or where it is connected when path is
// nullptr; 0, or the error number.
int SendJournalDatagram(int socket, const char* path, const std::string& datagram);
#endif

} // namespace kestrav
