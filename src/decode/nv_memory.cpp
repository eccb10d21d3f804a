// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatNvMemoryEvent(uint16_t, const EventData&, Writer&) {}

}  // namespace kestrav
