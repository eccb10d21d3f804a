// Any class, code, Event-data length and 228 bytes of event data must give one terminated description that
// fits the 2048-byte buffer, without reading or writing out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "decode/event_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
    if (size < 5) {
        return 0;
    }
    uint16_t eventClass = static_cast<uint16_t>(input[0] | (input[1] << 8));
    uint16_t code = static_cast<uint16_t>(input[2] | (input[3] << 8));
    uint8_t eventDataLength = input[4];
    // The event data lives at the very end of a heap block so that any read past it is caught.
    uint8_t* area = static_cast<uint8_t*>(std::malloc(kestrav::EventDataSize));
    std::memset(area, 0, kestrav::EventDataSize);
    std::memcpy(area, input + 5, std::min(size - 5, kestrav::EventDataSize));
    char* buffer = static_cast<char*>(std::malloc(kestrav::DescriptionBufferSize));
    kestrav::FormatEventDescription(eventClass, code, area, {buffer, kestrav::DescriptionBufferSize},
                                    eventDataLength);
    if (std::memchr(buffer, 0, kestrav::DescriptionBufferSize) == nullptr || buffer[0] == '\0') {
        std::abort();
    }
    std::free(buffer);
    std::free(area);
    return 0;
}
