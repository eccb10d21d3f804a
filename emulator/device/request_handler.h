// The driver's side of the health request protocol: checks one control request, carries it out on a device
// store and fills the response exactly as the health driver answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "emulator/device/device_store.h"

namespace kestrav::emulator {

// Status bytes of the emulated driver besides 0 (done) and 135 (no entry at or after the number).
inline constexpr uint8_t BadRequestStatus =
    0x01; // malformed request: unknown command or operation, bad length
inline constexpr uint8_t NoSuchEntryStatus = 0x02;  // rewrite of a number that holds no entry
inline constexpr uint8_t LogFullStatus = 0x03;      // no event number left for a write
inline constexpr uint8_t EraseRefusedStatus = 0x04; // erase refused (Control flags bit 0 set too)
inline constexpr uint8_t DamagedEntryStatus = 0x05; // the entry found is damaged; no entry bytes answered

// Carries out one control request. Returns false when the request itself fails (wrong control code or block
// sizes, the fail-requests fault, trouble in the store), like a failed device I/O control call.
bool HandleControl(DeviceStore& store, uint32_t controlCode, const void* input, size_t inputSize,
                   void* output, size_t outputSize);

// The process's open connection to the device at path. The connection and its prepared statements are kept
// between requests, so a walk of the log does not reopen the store per entry; it is reopened when the path
// changes or the file it was opened on has been removed or replaced. A connection for reading (readOnly)
// needs read access only; one that may write serves reads too. nullptr when the device cannot be opened.
// Each acquisition begins a request on the connection (DeviceStore::BeginRequest); the caller ends it.
// failure, when given, says why a device that is there could not be opened.
std::shared_ptr<DeviceStore> AcquireDevice(const char* path, bool readOnly = false,
                                           OpenFailure* failure = nullptr);

} // namespace kestrav::emulator
