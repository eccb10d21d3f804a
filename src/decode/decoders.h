// The per-class description decoders. Each writes one sentence for the code into out (through the bounded
// writer) or leaves it empty when it has nothing to say, so that the dispatcher writes its fallback.
#pragma once

#include <cstdint>

#include "decode/event_data.h"

namespace kestrav {

void FormatEnvironmentEvent(uint16_t code, const EventData& data, Writer& out);    // class 2
void FormatMemoryEvent(uint16_t code, const EventData& data, Writer& out);         // class 3
void FormatProcessorEvent(uint16_t code, const EventData& data, Writer& out);      // class 5
void FormatHostBusEvent(uint16_t code, const EventData& data, Writer& out);        // class 6
void FormatPciBusEvent(uint16_t code, const EventData& data, Writer& out);         // class 8
void FormatSlotEvent(uint16_t code, const EventData& data, Writer& out);           // class 9
void FormatPostEvent(uint16_t code, const EventData& data, Writer& out);           // class 10
void FormatPowerEvent(uint16_t code, const EventData& data, uint8_t eventDataLength, Writer& out);  // class 11
void FormatOsEvent(uint16_t code, const EventData& data, Writer& out);             // class 14
void FormatNetworkEvent(uint16_t code, const EventData& data, Writer& out);        // class 17
void FormatScsiEvent(uint16_t code, const EventData& data, Writer& out);           // class 18
void FormatDriveArrayEvent(uint16_t code, const EventData& data, Writer& out);     // class 19
void FormatSystemErrorEvent(uint16_t code, const EventData& data, Writer& out);    // class 20
void FormatInfrastructureEvent(uint16_t code, const EventData& data, Writer& out); // class 34
void FormatNodeControllerEvent(uint16_t code, const EventData& data, Writer& out); // class 37
void FormatCarrierEvent(const EventData& data, Writer& out);                       // class 38, code 1
void FormatNvMemoryEvent(uint16_t code, const EventData& data, Writer& out);       // class 42

}  // namespace kestrav
