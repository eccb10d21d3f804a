// The log operations spoken with the health driver. Each opens the device, issues one request (two for
// MarkRepaired, one per entry for the walk) and closes it again; nothing is kept between calls. Every operation
// returns a status code (0, or DeviceNotAvailable when the device cannot be opened) and throws nothing.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "log/health_protocol.h"
#include "log/log_entry.h"

namespace kestrav {

// Opens the device, issues one control request and closes it. completed is the request's own success.
uint32_t SendHealthRequest(uint32_t controlCode, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, bool& completed);

uint32_t QueryLogSupport(bool& supported);

// driverStatus is the response's Status byte, or EndOfLog when the request itself failed (entry left as it was).
uint32_t ReadLogEntry(uint32_t eventNumber, uint8_t& driverStatus, LogEntry& entry);

// Walks the whole log in ascending event-number order. The returned status code is that of the first read only:
// a later failure ends the walk and keeps what was read. An empty list with status 0 is an empty log.
uint32_t ReadAllEntries(std::vector<LogEntry>& entries);

// Builds the class 33 entry (code 2 for a note, code 1 for the cleared-by entry) that the writers append.
LogEntry BuildMaintenanceEntry(uint16_t code, std::string_view text);

// driverStatus is the response's Status byte, or WriteFailed when the request itself failed.
uint32_t WriteMaintenanceNote(std::string_view text, uint8_t& driverStatus);
uint32_t WriteLogClearedEntry(std::string_view userName, uint8_t& driverStatus);

// Erases the log and, when that worked, appends the entry that records who cleared it.
uint32_t ClearLog(std::string_view userName, bool& cleared);

// Rewrites entry eventNumber with Severity 6 and a fresh Update time.
uint32_t MarkRepaired(uint32_t eventNumber, uint8_t& driverStatus);

}  // namespace kestrav
