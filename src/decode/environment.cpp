// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatEnvironmentEvent(uint16_t, const EventData&, Writer&) {}

}  // namespace kestrav
