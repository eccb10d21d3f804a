// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatSystemErrorEvent(uint16_t, const EventData&, Writer&) {}

}  // namespace kestrav
