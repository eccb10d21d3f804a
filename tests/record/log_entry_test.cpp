#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "record/log_entry.h"
#include "log/log_ops.h"

namespace kestrav {
namespace {

TEST(BuildMaintenanceEntry, HeaderTextAndLength) {
    struct Case {
        uint16_t code;
        std::string text;
        uint16_t length;
        size_t storedLength;
    };
    const Case cases[] = {
        {2, "", 29, 0},
        {2, "Replaced fan 3", 43, 14},
        {1, "administrator", 42, 13},
        {2, std::string(226, 'n'), 255, 226},
        {2, std::string(227, 'n'), 256, 227},
        {2, std::string(227, 'a') + std::string(73, 'b'), 256, 227},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        LogEntry entry = BuildMaintenanceEntry(c.code, c.text);
        EXPECT_EQ(entry.Length(), c.length);
        EXPECT_EQ(entry.EventNumber(), 0u);
        EXPECT_EQ(entry.HeaderByte6(), 1);
        EXPECT_EQ(entry.Severity(), 2);
        EXPECT_EQ(entry.Class(), 33);
        EXPECT_EQ(entry.Code(), c.code);
        EXPECT_EQ(entry.Count(), 1u);
        EXPECT_EQ(std::memcmp(&entry.bytes[12], &entry.bytes[18], 6), 0) << "initial and update time differ";
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(entry.EventData()), c.storedLength),
                  c.text.substr(0, c.storedLength));
        // The terminator and every byte after it are zero.
        for (size_t i = EntryHeaderSize + c.storedLength; i < LogEntrySize; ++i) {
            ASSERT_EQ(entry.bytes[i], 0) << "byte " << i;
        }
    }
}

TEST(BuildMaintenanceEntry, StampsTheCurrentLocalTime) {
    std::time_t before = std::time(nullptr);
    LogEntry entry = BuildMaintenanceEntry(2, "x");
    std::time_t after = std::time(nullptr);
    LogTime stamped = entry.InitialTime();
    bool matches = false;
    for (std::time_t moment : {before, after}) {
        std::tm local{};
        localtime_r(&moment, &local);
        LogTime expected = MakeLogTime(local);
        matches = matches || std::memcmp(&expected, &stamped, sizeof stamped) == 0;
    }
    EXPECT_TRUE(matches);
}

TEST(MakeLogTime, CenturyAndYearInCentury) {
    struct Case {
        int year;
        LogTime expected;
    };
    const Case cases[] = {
        {2026, {20, 26, 3, 14, 9, 5}},
        {1999, {19, 99, 3, 14, 9, 5}},
        {2000, {20, 0, 3, 14, 9, 5}},
    };
    for (const Case& c : cases) {
        std::tm local{};
        local.tm_year = c.year - 1900;
        local.tm_mon = 2;
        local.tm_mday = 14;
        local.tm_hour = 9;
        local.tm_min = 5;
        LogTime time = MakeLogTime(local);
        EXPECT_EQ(std::memcmp(&time, &c.expected, sizeof time), 0) << c.year;
    }
}

TEST(LogEntry, EventDataLengthWrapsBelowTheHeader) {
    struct Case {
        uint16_t length;
        uint8_t eventDataLength;
    };
    const Case cases[] = {{20, 248}, {0, 228}, {28, 0}, {29, 1}, {256, 228}};
    for (const Case& c : cases) {
        LogEntry entry;
        entry.SetLength(c.length);
        EXPECT_EQ(entry.EventDataLength(), c.eventDataLength) << c.length;
    }
}

} // namespace
} // namespace kestrav
