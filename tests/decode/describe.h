// Describes event data through the dispatcher the way the list and the exports do, and checks tables of
// expected descriptions. Shared by every decode test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decode/event_text.h"
#include "record/log_entry.h"

namespace kestrav::test {

// The description of an event whose data area starts with the given bytes (the rest is 0). The area and the
// description buffer are heap blocks of exactly their sizes, so a decoder that reads past the area or writes
// past the buffer trips the address sanitizer.
inline std::string Describe(uint16_t eventClass, uint16_t code, const std::vector<uint8_t>& bytes,
                            uint8_t eventDataLength = 0, size_t bufferSize = DescriptionBufferSize) {
    std::unique_ptr<uint8_t[]> area(new uint8_t[EventDataSize]());
    std::copy_n(bytes.begin(), std::min(bytes.size(), EventDataSize), area.get());
    std::vector<char> buffer(bufferSize, 'x');
    FormatEventDescription(eventClass, code, area.get(), buffer, eventDataLength);
    return buffer.data();
}

// One row of a description table; eventDataLength reaches only the power subsystem decoder.
struct Case {
    uint16_t code;
    std::vector<uint8_t> data;
    std::string expected;
    uint8_t eventDataLength = 0;
};

inline void ExpectDescriptions(uint16_t eventClass, const std::vector<Case>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(Describe(eventClass, c.code, c.data, c.eventDataLength), c.expected)
            << "class " << eventClass << ", row " << i << ", code " << c.code;
    }
}

// The same for the tests of one class.
template <uint16_t EventClass> void ExpectDescriptions(const std::vector<Case>& cases) {
    ExpectDescriptions(EventClass, cases);
}

} // namespace kestrav::test
