// The renderers: class and severity names, the dispatcher with its inline classes and fallback, and entry
// times in the user's locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"

namespace kestrav::test {
namespace {

std::vector<uint8_t> Text(const std::string& text, std::vector<uint8_t> prefix = {}) {
    prefix.insert(prefix.end(), text.begin(), text.end());
    prefix.push_back(0);
    return prefix;
}

TEST(ClassAndSeverityNames, Tables) {
    struct Case {
        uint16_t eventClass;
        const char* name;
    } classes[] = {
        {0, "Empty"},
        {1, "Internal Test"},
        {3, "Main Memory"},
        {12, "UPS"},
        {15, "Diagnostics"},
        {16, "Unknown"},
        {20, "Unrecoverable System Error"},
        {21, "Unknown"},
        {33, "Maintenance"},
        {37, "QRC"},
        {38, "Keldon Carrier"},
        {42, "Non-Volatile Memory"},
        {43, "Unknown"},
        {65535, "Unknown"},
    };
    char buffer[DescriptionBufferSize];
    for (const Case& c : classes) {
        FormatClassName(c.eventClass, buffer);
        EXPECT_STREQ(buffer, c.name) << c.eventClass;
    }
    struct Severity {
        uint8_t value;
        const char* name;
    } severities[] = {
        {0, "Unknown"}, {2, "Informational"}, {3, "Informational"}, {6, "Repaired"},
        {7, "Unknown"}, {9, "Caution"},       {15, "Critical"},     {255, "Unknown"},
    };
    for (const Severity& s : severities) {
        FormatSeverityName(s.value, buffer);
        EXPECT_STREQ(buffer, s.name) << int(s.value);
    }
}

TEST(EventDescription, InlineClassesAndFallback) {
    struct Case {
        uint16_t eventClass;
        uint16_t code;
        std::vector<uint8_t> data;
        const char* expected;
    } cases[] = {
        {0, 7, {}, "Empty"},
        {0, 300, {}, "Empty"},
        {1, 65535, {}, "Reserved"},
        {4, 1, {255}, "Accelerator Cache Memory Parity Error (Socket Unknown)"},
        {4, 1, {2}, "Accelerator Cache Memory Parity Error (Socket 2)"},
        {4, 2, {}, "Unknown Event (Class 0x04, Code 0x02)"},
        {7, 1, {5}, "EISA Expansion Bus Master Timeout (Slot 5)"},
        {7, 2, {}, "EISA Expansion Bus Slave Timeout"},
        {7, 3, {255}, "EISA Expansion Board Error (Slot Unknown)"},
        {7, 4, {}, "EISA Expansion Bus Arbitration Error"},
        {13, 1, {}, "ASR Detected by System ROM"},
        {13, 2, Text("OS hang"), "ASR Lockup Detected: OS hang"},
        {13, 3, {}, "ASR Reset Limit Detected by System ROM"},
        {32, 1, Text("P89 v2.42"), "ROM flashed (P89 v2.42)"},
        {32, 2, Text("iLO 5.1"), "Firmware flashed (iLO 5.1)"},
        {33, 1, Text("root"), "CVR Cleared (root)"},
        {33, 2, Text("Replaced fan 3"), "Maintenance note: Replaced fan 3"},
        {33, 2, {}, "Maintenance note: "},
        {39, 1, {}, "Processor(s) Operating at Reduced Performance Level Due to a Low Power Cap"},
        {39, 2, {}, "Power Cap Cannot Be Reached With Current System Configuration"},
        {39,
         3,
         {0x2C, 0x01},
         "Power Cap Cannot Be Reached With Current System Configuration (Power Cap 300W)"},
        {39,
         3,
         {0xFF, 0xFF},
         "Power Cap Cannot Be Reached With Current System Configuration (Power Cap 65535W)"},
        {39,
         4,
         {},
         "Power allocation not optimized. Increased power allocation requested. Server performance is "
         "not degraded."},
        {40, 1, Text("SD card"), "Boot From Flash Error (SD card)"},
        {41, 1, Text("Fan 3", {0}), "Improperly seated or missing device (Unknown interlock type, Fan 3)"},
        {41, 1, Text("Fan 3", {1}), "Improperly seated or missing device (Standby fault, Fan 3)"},
        {41, 1, Text("PSU", {2}), "Improperly seated or missing device (Runtime fault, PSU)"},
        {41, 1, Text("PSU", {3}), "Improperly seated or missing device (Power on fault, PSU)"},
        {41, 1, Text("Fan 3", {7}), "Improperly seated or missing device (Fan 3)"},
        {12, 1, {}, "Unknown Event (Class 0x0C, Code 0x01)"},
        {15, 1, {}, "Unknown Event (Class 0x0F, Code 0x01)"},
        {16, 5, {}, "Unknown Event (Class 0x10, Code 0x05)"},
        {38, 2, {}, "Unknown Event (Class 0x26, Code 0x02)"},
        {300, 0x1234, {}, "Unknown Event (Class 0x12C, Code 0x1234)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(c.eventClass, c.code, c.data), c.expected) << c.eventClass << "/" << c.code;
    }
}

TEST(EventDescription, TextWithoutTerminatorEndsAtTheArea) {
    std::vector<uint8_t> bytes(EventDataSize, 'N');
    std::string expected = "Maintenance note: " + std::string(EventDataSize, 'N');
    EXPECT_EQ(Describe(33, 2, bytes), expected);
    std::vector<uint8_t> interlock(EventDataSize, 'F');
    interlock[0] = 1;
    EXPECT_EQ(Describe(41, 1, interlock), "Improperly seated or missing device (Standby fault, " +
                                              std::string(EventDataSize - 1, 'F') + ")");
}

class EntryTime : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    static std::string Render(LogTime t) {
        char buffer[DescriptionBufferSize];
        FormatEntryTime(t, buffer);
        return buffer;
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(EntryTime, ValidAndInvalidDatesAndTimes) {
    setenv("LC_ALL", "en_US.UTF-8", 1);
    struct Case {
        LogTime time;
        const char* expected;
    } cases[] = {
        {{20, 26, 12, 7, 14, 5}, "12/7/2026 2:05 PM"},
        {{20, 26, 1, 31, 0, 0}, "1/31/2026 12:00 AM"},
        {{19, 99, 12, 31, 23, 59}, "12/31/1999 11:59 PM"},
        {{20, 0, 2, 29, 12, 0}, "2/29/2000 12:00 PM"},
        {{20, 24, 2, 29, 10, 5}, "2/29/2024 10:05 AM"},
        {{20, 26, 2, 29, 10, 5}, "Invalid: 2/29/2026 10:05 AM"},
        {{19, 0, 2, 29, 10, 5}, "Invalid: 2/29/1900 10:05 AM"},
        {{20, 26, 4, 31, 10, 5}, "Invalid: 4/31/2026 10:05 AM"},
        {{20, 26, 13, 1, 10, 5}, "Invalid: 13/1/2026 10:05 AM"},
        {{20, 26, 12, 0, 10, 5}, "Invalid: 12/0/2026 10:05 AM"},
        {{0, 0, 0, 0, 0, 0}, "Invalid: 0/0/0 12:00 AM"},
        {{20, 26, 12, 7, 24, 5}, "12/7/2026 Invalid: 24:5"},
        {{20, 26, 12, 7, 10, 60}, "12/7/2026 Invalid: 10:60"},
        {{255, 255, 255, 255, 255, 255}, "Invalid: 255/255/25755 Invalid: 255:255"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Render(c.time), c.expected);
    }
}

TEST_F(EntryTime, FollowsTheLocale) {
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    unsetenv("LANG");
    EXPECT_EQ(Render({20, 26, 12, 7, 14, 5}), "12/7/2026 2:05 PM");
    setenv("LANG", "C", 1);
    EXPECT_EQ(Render({20, 26, 12, 7, 14, 5}), "12/7/2026 2:05 PM");
    setenv("LC_TIME", "ja_JP.UTF-8", 1);
    EXPECT_EQ(Render({20, 26, 12, 7, 14, 5}), "2026/12/7 14:05");
    EXPECT_EQ(Render({20, 26, 2, 30, 9, 5}), "Invalid: 2/30/2026 9:05");
    setenv("LC_ALL", "en_US", 1);
    EXPECT_EQ(Render({20, 26, 12, 7, 14, 5}), "12/7/2026 2:05 PM");
    // Locales without data of their own fall back to the same form as C and POSIX; a known language with an
    // unknown region keeps its language.
    for (const char* name : {"xx_YY", "xx_YY.UTF-8", "POSIX", "zz"}) {
        setenv("LC_ALL", name, 1);
        EXPECT_EQ(Render({20, 26, 12, 7, 14, 5}), "12/7/2026 2:05 PM") << name;
    }
    setenv("LC_ALL", "ja_XX.UTF-8", 1);
    EXPECT_EQ(Render({20, 26, 12, 7, 14, 5}), "2026/12/7 14:05");
}

} // namespace
} // namespace kestrav::test
