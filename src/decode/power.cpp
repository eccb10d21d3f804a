// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatPowerEvent(uint16_t, const EventData&, uint8_t, Writer&) {}

}  // namespace kestrav
