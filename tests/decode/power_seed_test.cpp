// The sample power events that seed a device: each one is a class 11 event the decoder describes.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "decode/power_cases.h"

namespace kestrav::test {
namespace {

TEST(PowerSeedSamples, EverySampleIsDescribed) {
    std::set<uint16_t> codes;
    for (const emulator::SeedSample& sample : emulator::PowerSamples()) {
        SCOPED_TRACE(testing::Message() << "code " << sample.code);
        EXPECT_EQ(sample.eventClass, PowerClass);
        EXPECT_LE(sample.data.size(), EventDataSize);
        std::string text =
            Describe(PowerClass, sample.code, sample.data, static_cast<uint8_t>(sample.data.size()));
        EXPECT_EQ(text.find("Unknown Event"), std::string::npos) << text;
        EXPECT_NE(text.find_first_not_of(", "), std::string::npos) << text;
        codes.insert(sample.code);
    }
    for (uint16_t code = 1; code <= 36; ++code) {
        EXPECT_TRUE(codes.count(code)) << "no sample for code " << code;
    }
}

} // namespace
} // namespace kestrav::test
