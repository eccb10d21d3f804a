// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatDriveArrayEvent(uint16_t, const EventData&, Writer&) {}

void FormatCarrierEvent(const EventData&, Writer&) {}

}  // namespace kestrav
