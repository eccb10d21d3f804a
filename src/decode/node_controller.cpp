// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatNodeControllerEvent(uint16_t, const EventData&, Writer&) {}

}  // namespace kestrav
