// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatInfrastructureEvent(uint16_t, const EventData&, Writer&) {}

}  // namespace kestrav
