// The log of the test health driver: entries held in memory, answered exactly as the program relies on (a
// read gives the entry with the lowest number not below the one asked, Status 135 past the last one; a write
// stores under the next number; an erase removes everything), plus the faults set through the private setup
// request. Pure logic without kernel calls: zorhlth_test_driver.c is the kernel side and serialises the
// calls.
#include "record/health_protocol.h"
#include "tests/windows/driver/setup_request.h"

namespace {

using namespace kestrav;
using namespace kestrav::testdriver;

constexpr uint32_t Capacity = 131072; // room for the viewer benchmark's 100,000 entries
constexpr uint8_t BadRequestStatus = 1;
constexpr uint8_t LogFullStatus = 3;
constexpr uint8_t NoSuchEntryStatus = 4;

struct StoredEntry {
    uint32_t number;
    uint8_t bytes[LogEntrySize];
};

struct DriverLog {
    StoredEntry* entries; // ascending event numbers
    uint32_t count;
    uint32_t nextNumber;
    bool supported;
    uint32_t failRequests; // FailEveryRequest or FailLogRequests, 0 for none
    bool eraseRefused;
    uint8_t writeStatus;
    bool readFaultSet;
    uint32_t readFaultNumber;
    uint8_t readFaultStatus;
    bool clearAtReadSet;
    uint32_t clearAtReadNumber;
};

DriverLog g_log;

void Copy(void* to, const void* from, size_t size) {
    auto* out = static_cast<uint8_t*>(to);
    const auto* in = static_cast<const uint8_t*>(from);
    for (size_t i = 0; i < size; ++i) {
        out[i] = in[i];
    }
}

// Index of the first entry whose number is not below n.
uint32_t LowerBound(uint32_t n) {
    uint32_t low = 0;
    uint32_t high = g_log.count;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (g_log.entries[middle].number < n) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void ResetLog() {
    g_log.count = 0;
    g_log.nextNumber = 1;
    g_log.supported = true;
    g_log.failRequests = 0;
    g_log.eraseRefused = false;
    g_log.writeStatus = 0;
    g_log.readFaultSet = false;
    g_log.clearAtReadSet = false;
}

// Stores the entry under number, replacing one held there; false when the log is full.
bool Store(uint32_t number, const uint8_t* bytes, bool replaceOnly) {
    uint32_t at = LowerBound(number);
    bool present = at < g_log.count && g_log.entries[at].number == number;
    if (!present) {
        if (replaceOnly || g_log.count == Capacity) {
            return false;
        }
        for (uint32_t i = g_log.count; i > at; --i) {
            g_log.entries[i] = g_log.entries[i - 1];
        }
        ++g_log.count;
    }
    g_log.entries[at].number = number;
    Copy(g_log.entries[at].bytes, bytes, LogEntrySize);
    StoreLe32(g_log.entries[at].bytes + 2, number);
    return true;
}

// Another program's clear: the log erased and the entry that records who cleared it stored.
void ClearAsAnotherProgram() {
    static const char user[] = "another program";
    LogEntry entry;
    entry.SetHeaderByte6(1);
    entry.SetSeverity(2);
    entry.SetClass(33);
    entry.SetCode(1);
    entry.SetCount(1);
    Copy(entry.EventData(), user, sizeof user);
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + sizeof user));
    g_log.count = 0;
    if (Store(g_log.nextNumber, entry.bytes, false)) {
        ++g_log.nextNumber;
    }
}

bool ValidEntryLength(const HealthRequest& request) {
    uint32_t length = LoadLe16(request.bytes + HealthRequest::EntryOffset);
    return request.DataLength() == length && length >= EntryHeaderSize && length <= LogEntrySize;
}

// Answers one log request; false when the request itself fails.
bool AnswerLogRequest(const HealthRequest& request, HealthResponse& response) {
    if (g_log.failRequests != 0) {
        return false;
    }
    switch (request.Command()) {
    case ReadEntryCommand: {
        if (request.Operation() != 0 || request.DataLength() != LogEntrySize) {
            response.SetStatus(BadRequestStatus);
            return true;
        }
        uint32_t n = request.EventNumber();
        if (g_log.clearAtReadSet && g_log.clearAtReadNumber == n) {
            g_log.clearAtReadSet = false;
            ClearAsAnotherProgram();
        }
        if (g_log.readFaultSet && g_log.readFaultNumber == n) {
            response.SetStatus(g_log.readFaultStatus);
            return true;
        }
        uint32_t at = LowerBound(n);
        if (at == g_log.count) {
            response.SetStatus(EndOfLog);
            return true;
        }
        Copy(response.bytes + HealthResponse::EntryOffset, g_log.entries[at].bytes, LogEntrySize);
        return true;
    }
    case WriteEntryCommand:
        if (request.Operation() != 0 || request.EventNumber() != 0 || !ValidEntryLength(request)) {
            response.SetStatus(BadRequestStatus);
        } else if (g_log.writeStatus != 0) {
            response.SetStatus(g_log.writeStatus);
        } else if (!Store(g_log.nextNumber, request.bytes + HealthRequest::EntryOffset, false)) {
            response.SetStatus(LogFullStatus);
        } else {
            ++g_log.nextNumber;
        }
        return true;
    case RewriteEntryCommand:
        if (request.Operation() != 0 || !ValidEntryLength(request)) {
            response.SetStatus(BadRequestStatus);
        } else if (g_log.writeStatus != 0) {
            response.SetStatus(g_log.writeStatus);
        } else if (!Store(request.EventNumber(), request.bytes + HealthRequest::EntryOffset, true)) {
            response.SetStatus(NoSuchEntryStatus);
        }
        return true;
    case LogControlCommand:
        if (request.Operation() != EraseLogOperation || request.DataLength() != 0 ||
            request.EventNumber() != 0) {
            response.SetStatus(BadRequestStatus);
        } else if (g_log.eraseRefused) {
            response.SetStatus(BadRequestStatus);
            response.SetControlFlags(HealthResponse::EraseRefusedFlag);
        } else {
            g_log.count = 0;
        }
        return true;
    default: response.SetStatus(BadRequestStatus); return true;
    }
}

void Setup(SetupBlock& block) {
    switch (block.operation) {
    case ResetDevice: ResetLog(); break;
    case ImportEntry: {
        uint32_t number = LoadLe32(block.entry + 2);
        if (Store(number, block.entry, false) && number >= g_log.nextNumber && number != 0xFFFFFFFF) {
            g_log.nextNumber = number + 1;
        }
        break;
    }
    case SetSupported: g_log.supported = block.value != 0; break;
    case FaultReadStatus:
        g_log.readFaultSet = true;
        g_log.readFaultNumber = block.number;
        g_log.readFaultStatus = static_cast<uint8_t>(block.value);
        break;
    case FaultEraseRefuse: g_log.eraseRefused = true; break;
    case FaultWriteStatus: g_log.writeStatus = static_cast<uint8_t>(block.value); break;
    case FaultFailRequests: g_log.failRequests = block.value; break;
    case ClearFaults:
        g_log.failRequests = 0;
        g_log.eraseRefused = false;
        g_log.writeStatus = 0;
        g_log.readFaultSet = false;
        g_log.clearAtReadSet = false;
        break;
    case FaultClearAtRead:
        g_log.clearAtReadSet = true;
        g_log.clearAtReadNumber = block.number;
        break;
    case CountEntries: block.value = g_log.count; break;
    case SkipNumbers:
        g_log.nextNumber =
            block.value > 0xFFFFFFFFu - g_log.nextNumber ? 0xFFFFFFFFu : g_log.nextNumber + block.value;
        break;
    default: break;
    }
}

} // namespace

extern "C" void TestLogInit(void* storage) {
    g_log.entries = static_cast<StoredEntry*>(storage);
    ResetLog();
}

extern "C" unsigned long long TestLogStorageSize() {
    return sizeof(StoredEntry) * Capacity;
}

extern "C" long long TestLogControl(uint32_t code, void* buffer, uint32_t inputSize, uint32_t outputSize) {
    if (code == CapabilityIoControlCode) {
        if (inputSize != 0 || outputSize != CapabilityBlockSize || g_log.failRequests == FailEveryRequest) {
            return -1;
        }
        CapabilityBlock block;
        if (g_log.supported) {
            block.bytes[CapabilityBlock::LogSupportByte] = CapabilityBlock::LogSupportMask;
        }
        Copy(buffer, block.bytes, CapabilityBlockSize);
        return CapabilityBlockSize;
    }
    if (code == LogIoControlCode) {
        if (inputSize != HealthBlockSize || outputSize != HealthBlockSize) {
            return -1;
        }
        HealthRequest request;
        Copy(request.bytes, buffer, HealthBlockSize);
        HealthResponse response;
        if (!AnswerLogRequest(request, response)) {
            return -1;
        }
        Copy(buffer, response.bytes, HealthBlockSize);
        return HealthBlockSize;
    }
    if (code == SetupIoControlCode && inputSize == sizeof(SetupBlock) && outputSize == sizeof(SetupBlock)) {
        SetupBlock block;
        Copy(&block, buffer, sizeof block);
        Setup(block);
        Copy(buffer, &block, sizeof block);
        return sizeof block;
    }
    return -1;
}
