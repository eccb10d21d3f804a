// Helpers for the power subsystem description tests: the class and event data built byte by byte.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "decode/describe.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::test {

using emulator::EventBytes;

inline constexpr uint16_t PowerClass = 11;

// Event data starting with the given bytes.
inline EventBytes Bytes(std::initializer_list<unsigned> values) {
    EventBytes bytes;
    for (unsigned v : values) {
        bytes.U8(v);
    }
    return bytes;
}

} // namespace kestrav::test
