// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatProcessorEvent(uint16_t, const EventData&, Writer&) {}

void FormatHostBusEvent(uint16_t, const EventData&, Writer&) {}

void FormatPciBusEvent(uint16_t, const EventData&, Writer&) {}

void FormatSlotEvent(uint16_t, const EventData&, Writer&) {}

void FormatPostEvent(uint16_t, const EventData&, Writer&) {}

}  // namespace kestrav
