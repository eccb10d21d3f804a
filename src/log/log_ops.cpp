#include "log/log_ops.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/health_device.h"
#include "platform/system.h"
#include "record/severity.h"

namespace kestrav {

void GetLogTime(LogTime& time) {
    time = MakeLogTime(platform::LocalTimeNow());
}

namespace {

HealthRequest ReadRequest(uint32_t eventNumber) {
    HealthRequest request;
    request.SetCommand(ReadEntryCommand);
    request.SetOperation(0);
    request.SetDataLength(LogEntrySize);
    request.SetEventNumber(eventNumber);
    return request;
}

uint32_t SendLogRequest(const HealthRequest& request, HealthResponse& response, bool& completed) {
    return SendHealthRequest(LogIoControlCode, request.bytes, sizeof request.bytes, response.bytes,
                             sizeof response.bytes, completed);
}

uint32_t WriteEntry(uint16_t code, std::string_view text, uint8_t& driverStatus) {
    LogEntry entry = BuildMaintenanceEntry(code, text);
    HealthRequest request;
    request.SetCommand(WriteEntryCommand);
    request.SetOperation(0);
    request.SetDataLength(entry.Length());
    request.SetEventNumber(0);
    request.SetEntry(entry);
    HealthResponse response;
    bool completed = false;
    uint32_t status = SendLogRequest(request, response, completed);
    driverStatus = completed ? response.Status() : WriteFailed;
    return status;
}

// A read at eventNumber. completed is the request's own success; driverStatus is EndOfLog when it failed.
uint32_t ReadAt(uint32_t eventNumber, bool& completed, uint8_t& driverStatus, LogEntry& entry) {
    HealthRequest request = ReadRequest(eventNumber);
    HealthResponse response;
    completed = false;
    uint32_t status = SendLogRequest(request, response, completed);
    if (!completed) {
        driverStatus = EndOfLog;
        return status;
    }
    entry = response.Entry();
    driverStatus = response.Status();
    return status;
}

// Reads of an entry or of the capabilities change nothing; every other request may.
platform::DeviceAccess AccessFor(uint32_t controlCode, const void* input, uint32_t inputSize) {
    if (controlCode == CapabilityIoControlCode) {
        return platform::DeviceAccess::Read;
    }
    HealthRequest request;
    if (controlCode == LogIoControlCode && input != nullptr && inputSize == sizeof request.bytes) {
        std::memcpy(request.bytes, input, sizeof request.bytes);
        if (request.Command() == ReadEntryCommand) {
            return platform::DeviceAccess::Read;
        }
    }
    return platform::DeviceAccess::Write;
}

} // namespace

uint32_t SendHealthRequest(uint32_t controlCode, const void* input, uint32_t inputSize, void* output,
                           uint32_t outputSize, bool& completed) {
    completed = false;
    uint32_t refusal = 0;
    platform::HealthDevice* device =
        platform::OpenHealthDevice(AccessFor(controlCode, input, inputSize), refusal);
    if (device == nullptr) {
        return refusal != 0 ? refusal : DeviceNotAvailable;
    }
    completed = platform::HealthDeviceControl(device, controlCode, input, inputSize, output, outputSize);
    platform::CloseHealthDevice(device);
    return StatusSuccess;
}

uint32_t QueryLogSupport(bool& supported) {
    CapabilityBlock capabilities;
    bool completed = false;
    uint32_t status = SendHealthRequest(CapabilityIoControlCode, nullptr, 0, capabilities.bytes,
                                        sizeof capabilities.bytes, completed);
    supported = completed && capabilities.LogSupported();
    return status;
}

uint32_t ReadLogEntry(uint32_t eventNumber, uint8_t& driverStatus, LogEntry& entry) {
    bool completed = false;
    return ReadAt(eventNumber, completed, driverStatus, entry);
}

namespace {

uint32_t WalkEntries(const std::function<void(const LogEntry&)>& keep, WalkReport& report) {
    report = WalkReport{};
    auto stop = [&report](uint32_t number) {
        report.complete = false;
        report.stoppedAt = number;
        return StatusSuccess;
    };
    uint32_t eventNumber = 0;
    for (bool first = true;; first = false) {
        uint8_t driverStatus = EndOfLog;
        bool completed = false;
        LogEntry entry;
        uint32_t status = ReadAt(eventNumber, completed, driverStatus, entry);
        if (status != StatusSuccess) {
            return first ? status : stop(eventNumber);
        }
        // Only the first request may find the log empty by failing; a failure after it leaves the rest of
        // the log unread.
        if (!completed && !first) {
            return stop(eventNumber);
        }
        if (driverStatus == EndOfLog) {
            report.empty = first;
            report.end = eventNumber;
            return StatusSuccess;
        }
        if (driverStatus != DriverStatusDone) {
            ++report.skipped;
            // Past the highest number there is nothing left; going on would start over at 0 and walk the log
            // again forever.
            if (eventNumber == UINT32_MAX) {
                return StatusSuccess;
            }
            ++eventNumber;
            continue;
        }
        // An answer below the number asked for would send the walk back over entries already read.
        if (entry.EventNumber() < eventNumber) {
            return stop(eventNumber);
        }
        try {
            keep(entry);
        } catch (const std::bad_alloc&) {
            report.outOfMemory = true;
            return stop(eventNumber);
        }
        if (entry.EventNumber() == UINT32_MAX) {
            return StatusSuccess;
        }
        eventNumber = entry.EventNumber() + 1;
    }
}

// Whether two reads of one number found the same entry. Severity, Update time and Count change while an entry
// lives (marked repaired, the event seen again); the rest of the header is the entry's own for good.
bool SameEntry(const LogEntry& a, const LogEntry& b) {
    return std::memcmp(a.bytes, b.bytes, LogEntry::SeverityOffset) == 0 &&
           std::memcmp(a.bytes + LogEntry::ClassOffset, b.bytes + LogEntry::ClassOffset,
                       LogEntry::UpdateTimeOffset - LogEntry::ClassOffset) == 0;
}

// A clear between two reads of a walk empties the log under it; the entry that records the clear then comes
// under a new number (or the log ends at once), and the walk ends as if it had read everything. Its first
// entry is gone then: one read of that number tells. A read that cannot tell leaves the walk unconfirmed.
void CheckWalkStart(const LogEntry& first, WalkReport& report) {
    bool completed = false;
    uint8_t driverStatus = EndOfLog;
    LogEntry now;
    uint32_t status = ReadAt(first.EventNumber(), completed, driverStatus, now);
    if (status != StatusSuccess || !completed ||
        (driverStatus != DriverStatusDone && driverStatus != EndOfLog)) {
        report.complete = false;
        report.stoppedAt = first.EventNumber();
        return;
    }
    report.cleared = driverStatus == EndOfLog || !SameEntry(first, now);
}

} // namespace

uint32_t WalkLog(const std::function<void(const LogEntry&)>& keep, WalkReport& report) {
    platform::DeviceHold hold(platform::HoldPurpose::Walk);
    std::optional<LogEntry> first;
    uint32_t status = WalkEntries(
        [&first, &keep](const LogEntry& entry) {
            if (!first) {
                first = entry;
            }
            keep(entry);
        },
        report);
    if (status == StatusSuccess && report.complete && first) {
        CheckWalkStart(*first, report);
    }
    return status;
}

void ReserveForWalk(std::vector<LogEntry>& entries) {
    constexpr size_t Entries = 131072; // 32 MiB
    try {
        entries.reserve(Entries);
    } catch (const std::bad_alloc&) {
        // Refused (a strict commit limit): the list grows as the walk goes.
    }
}

uint32_t ReadAllEntries(std::vector<LogEntry>& entries, WalkReport& report) {
    entries.clear();
    ReserveForWalk(entries);
    uint32_t status = WalkLog([&entries](const LogEntry& entry) { entries.push_back(entry); }, report);
    if (report.outOfMemory) {
        std::vector<LogEntry>().swap(entries);
    }
    return status;
}

uint32_t ReadAllEntries(std::vector<LogEntry>& entries) {
    WalkReport report;
    return ReadAllEntries(entries, report);
}

uint32_t CheckLogEnd(uint32_t end, LogTail& tail) {
    bool completed = false;
    uint8_t driverStatus = EndOfLog;
    LogEntry entry;
    uint32_t status = ReadAt(end, completed, driverStatus, entry);
    tail = status != StatusSuccess || !completed ? LogTail::Unknown
           : driverStatus == EndOfLog            ? LogTail::Unchanged
                                                 : LogTail::Grown;
    return status;
}

uint32_t FindLogEnd(uint32_t from, std::optional<uint32_t>& end) {
    end.reset();
    for (uint32_t number = from;;) {
        bool completed = false;
        uint8_t driverStatus = EndOfLog;
        LogEntry entry;
        uint32_t status = ReadAt(number, completed, driverStatus, entry);
        if (status != StatusSuccess || !completed) {
            return status;
        }
        if (driverStatus == EndOfLog) {
            end = number;
            return StatusSuccess;
        }
        uint32_t reached =
            driverStatus == DriverStatusDone && entry.EventNumber() > number ? entry.EventNumber() : number;
        if (reached == UINT32_MAX) {
            return StatusSuccess;
        }
        number = reached + 1;
    }
}

LogEntry BuildMaintenanceEntry(uint16_t code, std::string_view text) {
    LogEntry entry;
    entry.SetHeaderByte6(1);
    entry.SetSeverity(SeverityByte(SeverityReading::Informational));
    entry.SetClass(33);
    entry.SetCode(code);
    entry.SetCount(1);
    text = text.substr(0, std::min(text.size(), MaxNoteLength));
    std::copy(text.begin(), text.end(), entry.EventData());
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + text.size() + 1));
    LogTime now;
    GetLogTime(now);
    entry.SetInitialTime(now);
    entry.SetUpdateTime(now);
    return entry;
}

uint32_t WriteMaintenanceNote(std::string_view text, uint8_t& driverStatus) {
    return WriteEntry(2, text, driverStatus);
}

uint32_t WriteLogClearedEntry(std::string_view userName, uint8_t& driverStatus) {
    return WriteEntry(1, userName, driverStatus);
}

namespace {

// The erase and, when it worked, the cleared-by entry.
uint32_t EraseAndRecord(std::string_view userName, bool& erased) {
    HealthRequest request;
    request.SetCommand(LogControlCommand);
    request.SetOperation(EraseLogOperation);
    HealthResponse response;
    bool completed = false;
    uint32_t status = SendLogRequest(request, response, completed);
    erased = completed && (response.ControlFlags() & HealthResponse::EraseRefusedFlag) == 0;
    if (!erased) {
        return status;
    }
    uint8_t driverStatus = 0;
    return WriteLogClearedEntry(userName, driverStatus);
}

bool IsClearedEntryOf(const LogEntry& entry, std::string_view userName) {
    const LogEntry expected = BuildMaintenanceEntry(1, userName);
    return entry.Class() == 33 && entry.Code() == 1 && entry.Length() == expected.Length() &&
           std::memcmp(entry.EventData(), expected.EventData(), expected.Length() - EntryHeaderSize) == 0;
}

// After an erase: the number of the first cleared-by entry naming userName, and how many entries numbered
// from `from` on stand before it (they arrived after the erase and are still in the log). False when it is
// not found.
bool FindClearedEntry(std::string_view userName, uint32_t from, uint32_t& number, uint32_t& survivors) {
    survivors = 0;
    for (uint32_t asked = 0;;) {
        bool completed = false;
        uint8_t driverStatus = EndOfLog;
        LogEntry entry;
        if (ReadAt(asked, completed, driverStatus, entry) != StatusSuccess || !completed ||
            driverStatus == EndOfLog) {
            return false;
        }
        uint32_t reached = asked;
        if (driverStatus == DriverStatusDone) {
            if (entry.EventNumber() < asked) {
                return false;
            }
            if (IsClearedEntryOf(entry, userName)) {
                number = entry.EventNumber();
                return true;
            }
            reached = entry.EventNumber();
        }
        // A number that cannot be read holds something all the same.
        survivors += reached >= from ? 1 : 0;
        if (reached == UINT32_MAX) {
            return false;
        }
        asked = reached + 1;
    }
}

} // namespace

uint32_t ClearLog(std::string_view userName, bool& cleared) {
    ClearReport report;
    uint32_t status = ClearSavedLog(userName, std::nullopt, report);
    cleared = report.cleared;
    return status;
}

uint32_t ClearSavedLog(std::string_view userName, std::optional<uint32_t> savedEnd, ClearReport& report) {
    report = ClearReport{};
    platform::DeviceHold hold(platform::HoldPurpose::Change);
    if (savedEnd) {
        uint32_t status = CheckLogEnd(*savedEnd, report.tail);
        if (status != StatusSuccess || report.tail != LogTail::Unchanged) {
            return status;
        }
    }
    bool erased = false;
    uint32_t status = EraseAndRecord(userName, erased);
    uint32_t clearedBy = 0;
    uint32_t survivors = 0;
    const bool found = erased && savedEnd && FindClearedEntry(userName, *savedEnd, clearedBy, survivors);
    // The hold's end keeps what was done under it, or nothing: an erase not kept did not happen.
    report.cleared = hold.Release() && erased;
    if (report.cleared && found && clearedBy > *savedEnd) {
        const uint32_t gap = clearedBy - *savedEnd;
        report.unsaved = gap > survivors ? gap - survivors : 0;
    }
    return status;
}

uint32_t MarkRepaired(uint32_t eventNumber, uint8_t& driverStatus) {
    HealthRequest request = ReadRequest(eventNumber);
    HealthResponse response;
    bool completed = false;
    uint32_t status = SendLogRequest(request, response, completed);
    // A read answers the nearest entry at or after the number asked for; when entry n is gone (the log was
    // cleared meanwhile) that is another entry, whose bytes must not be written back under number n.
    if (!completed || response.Status() != DriverStatusDone ||
        response.Entry().EventNumber() != eventNumber) {
        driverStatus = EndOfLog;
        return status;
    }
    LogEntry entry = response.Entry();
    LogTime now;
    GetLogTime(now);
    entry.SetUpdateTime(now);
    entry.SetSeverity(SeverityByte(SeverityReading::Repaired));
    request.SetCommand(RewriteEntryCommand);
    request.SetDataLength(entry.Length());
    request.SetEntry(entry);
    HealthResponse rewriteResponse;
    status = SendLogRequest(request, rewriteResponse, completed);
    driverStatus = completed ? rewriteResponse.Status() : WriteFailed;
    return status;
}

} // namespace kestrav
