#include "record/severity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kestrav {
namespace {

// Each reading from its bytes and from its word, and every byte that no reading lists as Unknown.
TEST(SeverityTable, ReadsEachByteAndEachWordBothWays) {
    const struct {
        SeverityReading reading;
        std::vector<int> bytes;
        const char* word;
    } readings[] = {
        {SeverityReading::Critical, {15}, "CRITICAL"},
        {SeverityReading::Caution, {9}, "Caution"},
        {SeverityReading::Repaired, {6}, "repaired"},
        {SeverityReading::Informational, {2, 3}, "InFormational"},
    };
    std::vector<int> listed;
    for (const auto& r : readings) {
        for (int byte : r.bytes) {
            EXPECT_EQ(SeverityOf(static_cast<uint8_t>(byte)).reading, r.reading) << byte;
            listed.push_back(byte);
        }
        const SeverityRow* named = SeverityNamed(r.word);
        ASSERT_NE(named, nullptr) << r.word;
        EXPECT_EQ(named->reading, r.reading) << r.word;
        EXPECT_EQ(std::vector<int>(named->bytes, named->bytes + named->byteCount), r.bytes) << r.word;
        EXPECT_EQ(SeverityByte(r.reading), r.bytes.front()) << r.word;
    }
    for (int byte = 0; byte < 256; ++byte) {
        if (std::find(listed.begin(), listed.end(), byte) == listed.end()) {
            EXPECT_EQ(SeverityOf(static_cast<uint8_t>(byte)).reading, SeverityReading::Unknown) << byte;
        }
    }
    for (const char* word : {"unknown", "", "critica", "criticals", "15"}) {
        EXPECT_EQ(SeverityNamed(word), nullptr) << word;
    }
}

} // namespace
} // namespace kestrav
