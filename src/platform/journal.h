// The system journal: fields ("NAME=value") sent to journald's native socket, one datagram per entry.
#pragma once

#include <string>
#include <vector>

namespace kestrav {

// Whether this build can send to the journal (Linux).
bool JournalAvailable();
// Sends the fields as one journal entry; 0, or the error number of the failure (ENOENT when there is no
// journal).
int SendToJournal(const std::vector<std::string>& fields);
#ifndef _WIN32
// Fields ("NAME=value") as one datagram of journald's native protocol.
std::string JournalDatagram(const std::vector<std::string>& fields);
// Sends a datagram on a datagram socket, to the socket at path, or where it is connected when path is
// nullptr; 0, or the error number.
int SendJournalDatagram(int socket, const char* path, const std::string& datagram);
#endif

} // namespace kestrav
