// The power subsystem decoder's own formatters: the power supply failure names and the two events whose text
// is built from several pieces (storage-enclosure power supply failure, system power fault).
#pragma once

#include <cstdint>

#include "decode/event_data.h"

namespace kestrav {

// The name of a power supply failure code; 0xFF is "No Error", a code without a name "Unknown Failure".
const char* PowerSupplyFailureName(uint8_t failureCode);

// Code 20: a storage enclosure's power supply failed.
void FormatStorageEnclosurePowerSupplyFailure(Writer& out, const EventData& data);

// Code 26: a system power fault, with the service bytes the firmware recorded. The event-data length says how
// many service bytes follow the first two.
void FormatSystemPowerFault(Writer& out, const EventData& data, uint8_t eventDataLength);

} // namespace kestrav
