// The sample events that seed the emulated device: each is laid out as its decoder reads it, so each one gets
// a description of its own, never the fallback.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "decode/describe.h"
#include "emulator/healthsim/seed.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::test {
namespace {

using emulator::SeedSample;

struct SampleGroup {
    const char* name;
    std::vector<SeedSample> (*samples)();
    std::set<uint16_t> classes;
    size_t atLeast;       // how many samples the group holds at the least
    bool everyFieldKnown; // no sample shows a value the decoder cannot name
};

const SampleGroup kGroups[] = {
    {"environment and memory", emulator::EnvironmentMemorySamples, {2, 3}, 1, false},
    {"processor and OS", emulator::ProcessorOsSamples, {5, 6, 8, 9, 10, 14, 17, 18}, 1, true},
    {"drive array and node", emulator::DriveArrayNodeSamples, {19, 37, 38}, 1, true},
    {"power", emulator::PowerSamples, {11}, 1, true},
    {"infrastructure, system error, NV memory",
     emulator::InfrastructureErrorNvSamples,
     {20, 34, 42},
     50,
     false},
    {"inline classes", emulator::InlineClassSamples, {4, 7, 13, 32, 33, 39, 40, 41}, 1, false},
};

TEST(SeedSamples, EverySampleIsDescribed) {
    size_t total = 0;
    for (const SampleGroup& group : kGroups) {
        SCOPED_TRACE(group.name);
        const std::vector<SeedSample> samples = group.samples();
        EXPECT_GE(samples.size(), group.atLeast);
        total += samples.size();
        for (const SeedSample& s : samples) {
            SCOPED_TRACE(testing::Message() << "class " << s.eventClass << ", code " << s.code);
            EXPECT_TRUE(group.classes.count(s.eventClass));
            ASSERT_LE(s.data.size(), EventDataSize);
            // A seeded entry's Length covers exactly the sample's event data.
            std::string text = Describe(s.eventClass, s.code, s.data, static_cast<uint8_t>(s.data.size()));
            EXPECT_EQ(text.find("Unknown Event ("), std::string::npos) << text;
            EXPECT_NE(text.find_first_not_of(", "), std::string::npos) << text;
            if (group.everyFieldKnown) {
                EXPECT_EQ(text.find("Unknown"), std::string::npos) << text;
                EXPECT_EQ(text.find("unknown"), std::string::npos) << text;
            }
        }
    }
    // The groups above are all the samples a device is seeded from.
    EXPECT_EQ(emulator::AllSeedSamples().size(), total);
}

// Every power code has a sample, so the sample log shows each sentence of the power decoder.
TEST(SeedSamples, PowerSamplesCoverEveryCode) {
    std::set<uint16_t> codes;
    for (const SeedSample& sample : emulator::PowerSamples()) {
        codes.insert(sample.code);
    }
    for (uint16_t code = 1; code <= 36; ++code) {
        EXPECT_TRUE(codes.count(code)) << "no sample for code " << code;
    }
}

} // namespace
} // namespace kestrav::test
