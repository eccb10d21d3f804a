// The log operations spoken with the health driver. Each opens the device, issues one request (two for
// MarkRepaired, one per entry and one more for the walk) and closes it again; nothing is kept between calls.
// Every operation returns a status code (0, or DeviceNotAvailable when the device cannot be opened) and
// throws nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "record/health_protocol.h"
#include "record/log_entry.h"

namespace kestrav {

// Fills a LogTime from the local clock.
void GetLogTime(LogTime& time);

// Opens the device, issues one control request and closes it. completed is the request's own success. A
// read needs only read access to the device; when the system refuses the access a request needs, its error
// code is returned instead of DeviceNotAvailable.
uint32_t SendHealthRequest(uint32_t controlCode, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, bool& completed);

uint32_t QueryLogSupport(bool& supported);

// driverStatus is the response's Status byte, or EndOfLog when the request itself failed (entry left as it
// was).
uint32_t ReadLogEntry(uint32_t eventNumber, uint8_t& driverStatus, LogEntry& entry);

// How a walk of the log went, beyond the entries it handed out.
struct WalkReport {
    // The first read found no entry (or its request failed): the log is empty.
    bool empty = false;
    // False when the walk stopped before the end of the log: a request failed after the first one, an answer
    // went back below the number asked for (a damaged record), or the entries did not fit in memory.
    bool complete = true;
    bool outOfMemory = false;
    // The log was cleared while it was walked: the walk reached an end, but not that of the log it started
    // on, whose later entries were erased unread.
    bool cleared = false;
    uint32_t stoppedAt = 0; // when not complete: the event number being read
    // Event numbers whose read answered a Status other than 0 and 135: their entries, if any, were not read.
    uint32_t skipped = 0;
    // The number whose read answered that no further entry exists. An entry found there later was added after
    // the walk. Unset when the walk did not reach the end or ended on the highest possible number.
    std::optional<uint32_t> end;

    // Everything in the log was read.
    bool ReadWhole() const { return complete && !cleared && skipped == 0; }
};

// Walks the whole log in ascending event-number order, under a walk's hold of the device (so that no clear of
// another of Kestrav's runs comes in between where the platform needs that), handing each entry to keep as
// it arrives. The returned
// status code is that of the first read only; what happened later is in report. A keep that runs out of
// memory (std::bad_alloc) ends the walk as incomplete. A walk that reaches the end reads its first entry once
// more, to learn whether the log was cleared meanwhile.
uint32_t WalkLog(const std::function<void(const LogEntry&)>& keep, WalkReport& report);

// The walk into a list. When memory ran out the list is left empty, its memory released.
uint32_t ReadAllEntries(std::vector<LogEntry>& entries, WalkReport& report);

// Makes room in entries for a long log before a walk fills it, where the system grants the room: room not yet
// filled costs address space only, while a list grown step by step copies every entry again at each step.
void ReserveForWalk(std::vector<LogEntry>& entries);
uint32_t ReadAllEntries(std::vector<LogEntry>& entries);

// What a read at the number where a walk found the end of the log finds now: still nothing there, something
// new (an entry, or a number that cannot be read), or no answer (the request failed).
enum class LogTail { Unchanged, Grown, Unknown };
uint32_t CheckLogEnd(uint32_t end, LogTail& tail);

// The number at or after from whose read answers that no further entry exists: the end of the log now.
// Unset when the end cannot be reached (a failed request, the highest number taken).
uint32_t FindLogEnd(uint32_t from, std::optional<uint32_t>& end);

// Builds the class 33 entry (code 2 for a note, code 1 for the cleared-by entry) that the writers append.
LogEntry BuildMaintenanceEntry(uint16_t code, std::string_view text);

// driverStatus is the response's Status byte, or WriteFailed when the request itself failed.
uint32_t WriteMaintenanceNote(std::string_view text, uint8_t& driverStatus);
uint32_t WriteLogClearedEntry(std::string_view userName, uint8_t& driverStatus);

// Erases the log and, when that worked, appends the entry that records who cleared it. Both requests are made
// under one hold of the device, so that they stand together or not at all.
uint32_t ClearLog(std::string_view userName, bool& cleared);

// How a clear after a save went.
struct ClearReport {
    // What the look at the saved log's end found before the erase; the erase is made only when Unchanged.
    LogTail tail = LogTail::Unchanged;
    bool cleared = false;
    // Event numbers from the saved log's end up to the cleared-by entry that no entry left in the log holds:
    // entries that arrived after the save were erased unsaved. Numbers only increase across erases, so such a
    // gap means loss (or a driver that skipped numbers). A cleared-by entry numbered below the saved end is
    // taken as a driver that starts its numbers again after an erase, and shows nothing; so does a cleared-by
    // entry that cannot be found.
    uint32_t unsaved = 0;
};

// The clear of a saved log: under one hold of the device, looks whether the log still ends at savedEnd (the
// number at which the save's walk found no further entry), erases it only if so, appends the cleared-by
// entry, and finds that entry again to compare its number with savedEnd. Without savedEnd there is neither
// look nor comparison. The status code is the look's when it did not find the log unchanged, else as
// ClearLog's.
uint32_t ClearSavedLog(std::string_view userName, std::optional<uint32_t> savedEnd, ClearReport& report);

// Rewrites entry eventNumber with Severity 6 and a fresh Update time.
uint32_t MarkRepaired(uint32_t eventNumber, uint8_t& driverStatus);

} // namespace kestrav
