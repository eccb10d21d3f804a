// The blocks exchanged with the health driver: the 288-byte request and response, the 79-byte capability
// block, the control codes, commands and status values. Header-only so that the emulated device shares them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "record/log_entry.h"

namespace kestrav {

inline constexpr uint32_t LogIoControlCode = 0x7220C;
inline constexpr uint32_t CapabilityIoControlCode = 0x720C8;

inline constexpr uint32_t WriteEntryCommand = 0xE800;
inline constexpr uint32_t ReadEntryCommand = 0xE801;
inline constexpr uint32_t RewriteEntryCommand = 0xE802;
inline constexpr uint32_t LogControlCommand = 0xE803;
inline constexpr uint32_t EraseLogOperation = 1;

// Status codes returned by every log operation.
inline constexpr uint32_t StatusSuccess = 0;
inline constexpr uint32_t DeviceNotAvailable = 0xE0000002;

// Driver statuses seen by callers.
inline constexpr uint8_t DriverStatusDone = 0;
inline constexpr uint8_t EndOfLog = 135;
inline constexpr uint8_t WriteFailed = 136;

inline constexpr size_t HealthBlockSize = 288;
inline constexpr size_t CapabilityBlockSize = 79;

// Request: Command, Operation, Data length, Event number (u32 each), 16 zero bytes, the 256-byte entry.
struct HealthRequest {
    uint8_t bytes[HealthBlockSize] = {};

    static constexpr size_t CommandOffset = 0;
    static constexpr size_t OperationOffset = 4;
    static constexpr size_t DataLengthOffset = 8;
    static constexpr size_t EventNumberOffset = 12;
    static constexpr size_t EntryOffset = 32;

    uint32_t Command() const { return LoadLe32(bytes + CommandOffset); }
    uint32_t Operation() const { return LoadLe32(bytes + OperationOffset); }
    uint32_t DataLength() const { return LoadLe32(bytes + DataLengthOffset); }
    uint32_t EventNumber() const { return LoadLe32(bytes + EventNumberOffset); }
    LogEntry Entry() const {
        LogEntry e;
        std::memcpy(e.bytes, bytes + EntryOffset, LogEntrySize);
        return e;
    }

    void SetCommand(uint32_t v) { StoreLe32(bytes + CommandOffset, v); }
    void SetOperation(uint32_t v) { StoreLe32(bytes + OperationOffset, v); }
    void SetDataLength(uint32_t v) { StoreLe32(bytes + DataLengthOffset, v); }
    void SetEventNumber(uint32_t v) { StoreLe32(bytes + EventNumberOffset, v); }
    void SetEntry(const LogEntry& e) { std::memcpy(bytes + EntryOffset, e.bytes, LogEntrySize); }
};
static_assert(sizeof(HealthRequest) == HealthBlockSize);

// Response: only the Status byte (1), the Control flags byte (28) and the entry (32) are meaningful.
struct HealthResponse {
    uint8_t bytes[HealthBlockSize] = {};

    static constexpr size_t StatusOffset = 1;
    static constexpr size_t ControlFlagsOffset = 28;
    static constexpr size_t EntryOffset = 32;
    static constexpr uint8_t EraseRefusedFlag = 0x01;

    uint8_t Status() const { return bytes[StatusOffset]; }
    uint8_t ControlFlags() const { return bytes[ControlFlagsOffset]; }
    LogEntry Entry() const {
        LogEntry e;
        std::memcpy(e.bytes, bytes + EntryOffset, LogEntrySize);
        return e;
    }

    void SetStatus(uint8_t v) { bytes[StatusOffset] = v; }
    void SetControlFlags(uint8_t v) { bytes[ControlFlagsOffset] = v; }
    void SetEntry(const LogEntry& e) { std::memcpy(bytes + EntryOffset, e.bytes, LogEntrySize); }
};
static_assert(sizeof(HealthResponse) == HealthBlockSize);

// Capability block: bit 1 of byte 8 (bit 17 of the u32 at offset 6) says that the log is kept.
struct CapabilityBlock {
    uint8_t bytes[CapabilityBlockSize] = {};

    static constexpr size_t LogSupportByte = 8;
    static constexpr uint8_t LogSupportMask = 0x02;

    bool LogSupported() const { return (bytes[LogSupportByte] & LogSupportMask) != 0; }
};
static_assert(sizeof(CapabilityBlock) == CapabilityBlockSize);

}  // namespace kestrav
