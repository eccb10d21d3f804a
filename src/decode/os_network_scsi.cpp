// PLACEHOLDER: replaced by the decoder implementation.
#include "decode/decoders.h"

namespace kestrav {

void FormatOsEvent(uint16_t, const EventData&, Writer&) {}

void FormatNetworkEvent(uint16_t, const EventData&, Writer&) {}

void FormatScsiEvent(uint16_t, const EventData&, Writer&) {}

}  // namespace kestrav
