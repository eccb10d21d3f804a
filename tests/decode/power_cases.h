// Helpers for the power subsystem description tests: event data built byte by byte, described through the
// dispatcher exactly as the list and the exports ask for it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "decode/event_text.h"
#include "emulator/seed_samples.h"

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

// The class 11 description of the event data, written into a buffer of the given size.
inline std::string DescribePower(uint16_t code, const std::vector<uint8_t>& data, uint8_t eventDataLength = 0,
                                 size_t bufferSize = DescriptionBufferSize) {
    uint8_t area[EventDataSize] = {};
    std::copy_n(data.begin(), std::min(data.size(), EventDataSize), area);
    std::vector<char> buffer(bufferSize, 'x');
    FormatEventDescription(PowerClass, code, area, buffer, eventDataLength);
    return std::string(buffer.data());
}

// One row of a description table.
struct PowerCase {
    uint16_t code;
    std::vector<uint8_t> data;
    std::string expected;
    uint8_t eventDataLength = 0;
};

inline void ExpectDescriptions(const std::vector<PowerCase>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
        const PowerCase& c = cases[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ", code " << c.code);
        EXPECT_EQ(DescribePower(c.code, c.data, c.eventDataLength), c.expected);
    }
}

} // namespace kestrav::test
