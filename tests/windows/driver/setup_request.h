// The test health driver's private setup request, sent only by zorhlth_ctl: it fills the driver's log and
// sets its faults so that every answer the program relies on can be produced under test.
#pragma once

#include <cstdint>

namespace kestrav::testdriver {

// Device type 0x8000 (a private one), function 0x900, buffered, any access.
inline constexpr uint32_t SetupIoControlCode = 0x80002400;

enum SetupOperation : uint32_t {
    ResetDevice = 1,       // no entries, next number 1, log kept, no faults
    ImportEntry = 2,       // store entry under the event number in its own header (replacing one there)
    SetSupported = 3,      // value: 0 the log is not kept, 1 it is
    FaultReadStatus = 4,   // a read for event number `number` answers Status `value` and no entry
    FaultEraseRefuse = 5,  // erases answer with the refused flag
    FaultWriteStatus = 6,  // writes and rewrites answer Status `value`
    FaultFailRequests = 7, // value FailEveryRequest: every request fails; FailLogRequests: only log requests
    ClearFaults = 8,
    CountEntries = 9, // the answer's value is the number of entries held
    // The next read for event number `number` finds the log cleared just before, as by another program:
    // erased, with the entry that records the clear under the next number.
    FaultClearAtRead = 10,
    SkipNumbers = 11, // the next write takes a number `value` higher, as a driver that skips numbers does
};

inline constexpr uint32_t FailEveryRequest = 1;
inline constexpr uint32_t FailLogRequests = 2;

struct SetupBlock {
    uint32_t operation;
    uint32_t number;
    uint32_t value;
    uint32_t reserved;
    uint8_t entry[256];
};
static_assert(sizeof(SetupBlock) == 272);

} // namespace kestrav::testdriver
