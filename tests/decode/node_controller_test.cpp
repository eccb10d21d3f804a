// Descriptions of class 37 (QRC) events, checked as whole texts through the description dispatcher.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "record/log_entry.h"

namespace kestrav::test {
namespace {

constexpr uint16_t kQrc = 37;

TEST(NodeControllerEvent, ProcessorAccessAndInitialization) {
    ExpectDescriptions<kQrc>({
        {1,
         {0x8A, 1, '1', 0x11, 0x22, 0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0},
         "Proc 4 (Upper Tray, Processor 4) side-band access failure reported by upper QRC board service "
         "processor."
         "  Details: 0x22 0x01020304 0x11 0xA0B0C0D0"},
        {1,
         {0x8A, 0, '0'},
         "Proc 1 (Upper Tray, Processor 1) side-band access failure reported by upper QRC board service "
         "processor."
         "  Details: 0x00 0x00000000 0x00 0x00000000"},
        {1,
         {0x8C, 0, '1'},
         "Proc 8 (Lower Tray, Processor 1) side-band access failure reported by lower QRC board service "
         "processor."
         "  Details: 0x00 0x00000000 0x00 0x00000000"},
        {1,
         {0x8C, 0, '0'},
         "Proc 7 (Lower Tray, Processor 2) side-band access failure reported by lower QRC board service "
         "processor."
         "  Details: 0x00 0x00000000 0x00 0x00000000"},
        {1,
         {0x11, 5, '1'},
         "Proc 6 (Unknown Tray, Processor 3) side-band access failure reported by unknown QRC board service "
         "processor.  Details: 0x00 0x00000000 0x00 0x00000000"},
        {6,
         {0x8C, 0},
         "Proc 5 (Lower Tray, Processor 4) initialization failure reported by lower QRC board service "
         "processor"},
        {6,
         {0x20, 0},
         "Proc 1 (Unknown Tray, Processor 1) initialization failure reported by unknown QRC board service "
         "processor"},
        {6,
         {0x8A, 3},
         "Proc 4 (Upper Tray, Processor 4) initialization failure reported by upper QRC board service "
         "processor"},
        // Processor numbers wrap as bytes.
        {6,
         {0x8C, 6},
         "Proc 11 (Lower Tray, Processor 254) initialization failure reported by lower QRC board service "
         "processor"},
        {6,
         {0x8C, 255},
         "Proc 4 (Lower Tray, Processor 5) initialization failure reported by lower QRC board service "
         "processor"},
        {6,
         {0x8A, 255},
         "Proc 0 (Upper Tray, Processor 0) initialization failure reported by upper QRC board service "
         "processor"},
    });
}

TEST(NodeControllerEvent, AccessTargets) {
    ExpectDescriptions<kQrc>({
        {2,
         {0x8C, 0x10, 0x07, 0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00},
         "Lower QRC Board, QRC 2 access failure reported by lower QRC board service processor.  Details: "
         "0x10 "
         "0xDEADBEEF00000001 0x07"},
        {2,
         {0x8C, 0x0F},
         "Lower QRC Board, QRC 1 access failure reported by lower QRC board service processor.  Details: "
         "0x0F "
         "0x0000000000000000 0x00"},
        {2,
         {0x8A, 0x0F},
         "Upper QRC Board, QRC 1 access failure reported by upper QRC board service processor.  Details: "
         "0x0F "
         "0x0000000000000000 0x00"},
        {2,
         {0x8A, 0xFF},
         "Upper QRC Board, QRC 2 access failure reported by upper QRC board service processor.  Details: "
         "0xFF "
         "0x0000000000000000 0x00"},
        {2,
         {0x33, 0x00},
         "Lower QRC Board, QRC 1 access failure reported by unknown QRC board service processor.  Details: "
         "0x00 "
         "0x0000000000000000 0x00"},
    });

    struct Target {
        uint16_t value;
        const char* name;
    };
    const Target targets[] = {
        {0x0100, "Main IO"},
        {0x0101, "LP (Low Profile) IO"},
        {0x0300, "Sub IO"},
        {0x0400, "Proc 1 (Upper Tray, Processor 1)"},
        {0x0401, "Proc 5 (Lower Tray, Processor 4)"},
        {0x0500, "Proc 2 (Upper Tray, Processor 2)"},
        {0x0501, "Proc 6 (Lower Tray, Processor 3)"},
        {0x0600, "Proc 3 (Upper Tray, Processor 3)"},
        {0x0601, "Proc 7 (Lower Tray, Processor 2)"},
        {0x0700, "Proc 4 (Upper Tray, Processor 4)"},
        {0x0701, "Proc 8 (Lower Tray, Processor 1)"},
        {0x0200, "Unknown"},
        {0x0001, "Unknown"},
        {0x0102, "Unknown"},
        {0xFFFF, "Unknown"},
    };
    for (const Target& t : targets) {
        std::vector<uint8_t> data(13, 0);
        data[0] = 0x8A;
        data[11] = static_cast<uint8_t>(t.value >> 8);
        data[12] = static_cast<uint8_t>(t.value & 0xFF);
        EXPECT_EQ(Describe(kQrc, 2, data),
                  std::string(t.name) +
                      " access failure reported by upper QRC board service processor.  Details: "
                      "0x00 0x0000000000000000 0x00")
            << std::hex << t.value;
    }
}

TEST(NodeControllerEvent, ProcessorMasks) {
    ExpectDescriptions<kQrc>({
        {4,
         {0x8A, 0x00, 0x11, 0x12, 0x34, 0xAB, 0xCD},
         "Mismatched processor configuration:    Upper Tray, Processor(s)  1       Lower Tray, Processor(s)  "
         "1    - "
         "reported by upper QRC board service processor.  Details: 0x11 0x1234 0xABCD"},
        {4,
         {0x8C, 0xFF, 0x00},
         "Unsupported processor configuration:    Upper Tray, Processor(s)  1  2  3  4    Lower Tray, "
         "Processor(s)  "
         "1  2  3  4 - reported by lower QRC board service processor.  Details: 0x00 0x0000 0x0000"},
        {4,
         {0x8A, 0x28, 0x03},
         "Unsupported processor configuration:    Upper Tray, Processor(s)     4    Lower Tray, Processor(s) "
         "  2   - "
         "reported by upper QRC board service processor.  Details: 0x03 0x0000 0x0000"},
        {4,
         {0x00, 0x00, 0x00},
         "Mismatched processor configuration:           - reported by unknown QRC board service processor.  "
         "Details: "
         "0x00 0x0000 0x0000"},
        {57,
         {0x8A, 0x81, 1, 2, 3, 4, 5},
         "Upper Tray, Processor(s)  1    Lower Tray, Processor(s)     4 disabled by upper QRC board service "
         "processor.  Details: 0x01 0x02 0x03 0x04 0x05"},
        {57,
         {0x8C, 0x00},
         "          disabled by lower QRC board service processor.  Details: 0x00 0x00 0x00 0x00 0x00"},
        {57,
         {0x8A, 0x0F, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6},
         "Upper Tray, Processor(s)  1  2  3  4      disabled by upper QRC board service processor.  Details: "
         "0xA1 "
         "0xB2 0xC3 0xD4 0xE5"},
        {57,
         {0x8A, 0xF0},
         "     Lower Tray, Processor(s)  1  2  3  4 disabled by upper QRC board service processor.  Details: "
         "0x00 0x00 "
         "0x00 0x00 0x00"},
    });
}

TEST(NodeControllerEvent, QpiLinks) {
    ExpectDescriptions<kQrc>({
        {7,
         {0x8A, 2, 7, 3},
         "QPI Link training failure between Proc 3 (Upper Tray, Processor 3) and Proc 4 (Upper Tray, "
         "Processor 4) "
         "reported by upper QRC board service processor, link status 0x03"},
        {7,
         {0x8A, 2, 7, 4},
         "QPI Link training failure between Proc 3 (Upper Tray, Processor 3) and Proc 4 (Upper Tray, "
         "Processor 4) "
         "reported by upper QRC board service processor, link status 0x04"},
        {7,
         {0x8A, 2, 7, 2},
         "QPI Link between Proc 3 (Upper Tray, Processor 3) and Proc 4 (Upper Tray, Processor 4) trained in "
         "reduced-width mode reported by upper QRC board service processor, link status 0x02"},
        {7, {0x8A, 2, 7, 5}, "QRC event 7 occurred"},
        {7, {0x8A, 2, 7, 0}, "QRC event 7 occurred"},
        {7,
         {0x8C, 0, 3, 3},
         "QPI Link training failure between Proc 5 (Lower Tray, Processor 4) and LP IO reported by lower QRC "
         "board "
         "service processor, link status 0x03"},
        {7,
         {0x00, 3, 0, 2},
         "QPI Link between Proc 8 (Unknown Tray, Processor 1) and Lower QRC Board, QRC 1 trained in "
         "reduced-width "
         "mode reported by unknown QRC board service processor, link status 0x02"},
        // Processor indexes past the eight processors have no link partner.
        {7,
         {0x8A, 8, 0, 3},
         "QPI Link training failure between Proc 9 (Upper Tray, Processor 9) and Unknown reported by upper "
         "QRC board "
         "service processor, link status 0x03"},
        {7,
         {0x8C, 8, 0, 3},
         "QPI Link training failure between Proc 13 (Lower Tray, Processor 252) and Unknown reported by "
         "lower QRC "
         "board service processor, link status 0x03"},
        {7,
         {0x8A, 255, 1, 2},
         "QPI Link between Proc 0 (Upper Tray, Processor 0) and Unknown trained in reduced-width mode "
         "reported by "
         "upper QRC board service processor, link status 0x02"},
    });

    // Every partner, reached from the upper board (row = processor index); the link number's high bits are
    // ignored.
    const char* const partners[8][4] = {
        {"Upper QRC Board, QRC 1", "MainIO", "Upper QRC Board, QRC 2", "Proc 2 (Upper Tray, Processor 2)"},
        {"Proc 1 (Upper Tray, Processor 1)", "Upper QRC Board, QRC 1", "MainIO", "Upper QRC Board, QRC 2"},
        {"Upper QRC Board, QRC 1", "SubIO", "Upper QRC Board, QRC 2", "Proc 4 (Upper Tray, Processor 4)"},
        {"Upper QRC Board, QRC 2", "Proc 3 (Upper Tray, Processor 3)", "Upper QRC Board, QRC 1", "SubIO"},
        {"Lower QRC Board, QRC 1", "NC", "Lower QRC Board, QRC 2", "Proc 7 (Lower Tray, Processor 2)"},
        {"Proc 8 (Lower Tray, Processor 1)", "Lower QRC Board, QRC 2", "NC", "Lower QRC Board, QRC 1"},
        {"Lower QRC Board, QRC 2", "LP IO", "Lower QRC Board, QRC 1", "Proc 5 (Lower Tray, Processor 4)"},
        {"Lower QRC Board, QRC 1", "Proc 6 (Lower Tray, Processor 3)", "Lower QRC Board, QRC 2", "LP IO"},
    };
    for (int row = 0; row < 8; ++row) {
        for (int link = 0; link < 4; ++link) {
            std::string proc = std::to_string(row + 1);
            std::vector<uint8_t> data = {0x8A, static_cast<uint8_t>(row),
                                         static_cast<uint8_t>(link | (row << 2)), 3};
            EXPECT_EQ(Describe(kQrc, 7, data),
                      "QPI Link training failure between Proc " + proc + " (Upper Tray, Processor " + proc +
                          ") and " + partners[row][link] +
                          " reported by upper QRC board service processor, link status 0x03")
                << row << "," << link;
        }
    }
}

TEST(NodeControllerEvent, BoardLinks) {
    ExpectDescriptions<kQrc>({
        {8,
         {0x8A, 0, 1, 3},
         "External link training failure between Upper QRC Board, QRC 1 Port 3 and Lower QRC Board, QRC 1 "
         "Port 2 "
         "reported by upper QRC board service processor.  Details: 0x03"},
        {8,
         {0x8B, 0, 1, 3},
         "Link training failure reported by unknown QRC board service processor.  Details: 0x00 0x01 0x03"},
        {8,
         {0x8C, 1, 4, 1},
         "Internal link with reduced bandwidth between Lower QRC Board, QRC 2  and Upper QRC Board, QRC 2  "
         "reported "
         "by lower QRC board service processor.  Details: 0x01"},
        {8,
         {0x8A, 0, 6, 3},
         "Link training failure reported by upper QRC board service processor.  Details: 0x00 0x06 0x03"},
        {8,
         {0x8C, 2, 0, 0},
         "Link training failure reported by lower QRC board service processor.  Details: 0x02 0x00 0x00"},
        // The key keeps only the low byte of (index + 1) * 16 | link, and the QRC number is kept to a byte.
        {8,
         {0x8A, 0x10, 0, 3},
         "External link training failure between Upper QRC Board, QRC 17 Port 4 and Lower QRC Board, QRC 17 "
         "Port 1 "
         "reported by upper QRC board service processor.  Details: 0x03"},
        {8,
         {0x8A, 0xFF, 0x10, 3},
         "External link training failure between Upper QRC Board, QRC 0 Port 4 and Lower QRC Board, QRC 0 "
         "Port 1 "
         "reported by upper QRC board service processor.  Details: 0x03"},
        {8,
         {0x8C, 0, 0x11, 2},
         "External link with reduced bandwidth between Lower QRC Board, QRC 1 Port 3 and Upper QRC Board, "
         "QRC 1 "
         "Port 2 reported by lower QRC board service processor.  Details: 0x02"},
    });

    struct Link {
        uint8_t index;
        uint8_t link;
        const char* kind;
        const char* first;
        const char* second;
    };
    const Link links[] = {
        {0, 0, "External", "Port 4", "Port 1"},
        {0, 1, "External", "Port 3", "Port 2"},
        {0, 2, "Internal", "", ""},
        {0, 3, "Internal", "", ""},
        {0, 4, "External", "Port 2", "Port 3"},
        {0, 5, "External", "Port 1", "Port 4"},
        {1, 0, "External", "Port 5", "Port 8"},
        {1, 1, "External", "Port 8", "Port 5"},
        {1, 2, "External", "Port 6", "Port 7"},
        {1, 3, "External", "Port 7", "Port 6"},
        {1, 4, "Internal", "", ""},
        {1, 5, "Internal", "", ""},
    };
    for (const Link& l : links) {
        std::string qrc = std::to_string(l.index + 1);
        EXPECT_EQ(Describe(kQrc, 8, {0x8A, l.index, l.link, 3}),
                  std::string(l.kind) + " link training failure between Upper QRC Board, QRC " + qrc + " " +
                      l.first + " and Lower QRC Board, QRC " + qrc + " " + l.second +
                      " reported by upper QRC board service processor.  Details: 0x03")
            << int(l.index) << "," << int(l.link);
    }
}

TEST(NodeControllerEvent, BoardAndSystemEvents) {
    ExpectDescriptions<kQrc>({
        {9,
         {0x8A},
         "QRC Cube Assembly failure.  Lower QRC board service processor response timeout reported by upper "
         "QRC board "
         "service processor"},
        {9,
         {0x8C},
         "QRC Cube Assembly failure.  Upper QRC board service processor response timeout reported by lower "
         "QRC board "
         "service processor"},
        {10,
         {0x8C},
         "QRC Cube Assembly failure.  Upper QRC board not detected by lower QRC board service processor"},
        {10,
         {0x00},
         "QRC Cube Assembly failure.  Unknown QRC board not detected by unknown QRC board service processor"},
        {52, {0x8A}, "System initialization failure reported by upper QRC board service processor"},
        {53,
         {0x8C, 0},
         "Invalid processor configuration.  No enabled or installed processors reported by lower QRC board "
         "service "
         "processor"},
        {53,
         {0x8A, 2},
         "Processor configuration degraded to 2 sockets reported by upper QRC board service processor"},
        {53,
         {0x8A, 200},
         "Processor configuration degraded to 200 sockets reported by upper QRC board service processor"},
        {64,
         {0x8A, 0, 1, 2, 3},
         "Main IO disabled by upper QRC board service processor. Details: 0x01 0x02 0x03"},
        {64,
         {0x8C, 1, 0xAB},
         "Sub IO disabled by lower QRC board service processor. Details: 0xAB 0x00 0x00"},
        {64,
         {0x8A, 2},
         "Low Profile (LP) IO disabled by upper QRC board service processor. Details: 0x00 0x00 0x00"},
        {64,
         {0x8A, 3},
         "Unrecognized IO Board disabled by upper QRC board service processor. Details: 0x00 0x00 0x00"},
        {64,
         {0x8A, 255},
         "Unrecognized IO Board disabled by upper QRC board service processor. Details: 0x00 0x00 0x00"},
        {81, {0x8C}, "Events from lower QRC board server processor were dropped"},
        {128, {0x8A, 0x5A}, "Power fault occurred on upper QRC board. Details: 0x5A"},
        {129, {0x8C, 0x01}, "Reset occurred on lower QRC board service processor. Details: 0x01"},
        {130, {0x00, 0xFF}, "unknown QRC board service processor initialization fault. Details: 0xFF"},
        {131, {0x8A}, "Unexpected upper QRC board service processor FPGA Reconfiguration"},
        {132, {0x8C}, "QRC lower board service processor is not available"},
    });
}

TEST(NodeControllerEvent, ErrorDetailBytes) {
    ExpectDescriptions<kQrc>({
        {192,
         {5, 0, 0xAA, 0x0B, 0xFF, 0x77},
         "Uncorrectable error detected on Upper QRC Board, QRC 1. Details: 0xaa 0x0b 0xff"},
        {192, {2, 0, 0xAA}, "Uncorrectable error detected on Upper QRC Board, QRC 1. Details:"},
        {192, {0, 0, 0xAA}, "Uncorrectable error detected on Upper QRC Board, QRC 1. Details:"},
        {192, {3, 3, 0xAA, 0xBB}, "Uncorrectable error detected on Lower QRC Board, QRC 2. Details: 0xaa"},
        {193, {4, 2, 0x10, 0x20}, "Correctable error detected on Lower QRC Board, QRC 1. Details: 0x10 0x20"},
        {193, {2, 1}, "Correctable error detected on Upper QRC Board, QRC 2. Details:"},
        {193, {2, 0xFC}, "Correctable error detected on Upper QRC Board, QRC 1. Details:"},
        {196,
         {4, 1, 6, 0x7E, 0x7F},
         "Uncorrectable fabric error detected on Upper QRC Board, QRC 2, link 6. Details: 0x7e"},
        {196,
         {3, 1, 6, 0x7E},
         "Uncorrectable fabric error detected on Upper QRC Board, QRC 2, link 6. Details:"},
        {196,
         {1, 0, 6, 0x7E},
         "Uncorrectable fabric error detected on Upper QRC Board, QRC 1, link 6. Details:"},
        {197,
         {6, 3, 200, 1, 2, 3},
         "Correctable fabric error detected on Lower QRC Board, QRC 2, link 200. Details: 0x01 0x02 0x03"},
    });
}

// A record length beyond the event data lists the bytes up to the end of the event data and no further.
TEST(NodeControllerEvent, DetailBytesStopAtEndOfEventData) {
    struct LongCase {
        uint16_t code;
        uint8_t length;
        size_t first;
        const char* heading;
    };
    const LongCase cases[] = {
        {192, 228, 2, "Uncorrectable error detected on Upper QRC Board, QRC 1. Details:"},
        {192, 255, 2, "Uncorrectable error detected on Upper QRC Board, QRC 1. Details:"},
        {193, 229, 2, "Correctable error detected on Upper QRC Board, QRC 1. Details:"},
        {196, 255, 3, "Uncorrectable fabric error detected on Upper QRC Board, QRC 1, link 90. Details:"},
        {197, 230, 3, "Correctable fabric error detected on Upper QRC Board, QRC 1, link 90. Details:"},
    };
    for (const LongCase& c : cases) {
        std::vector<uint8_t> data(EventDataSize, 0x5A);
        data[0] = c.length;
        data[1] = 0;
        data[EventDataSize - 1] = 0xE1;
        std::string expected = c.heading;
        for (size_t i = c.first; i + 1 < EventDataSize; ++i) {
            expected += " 0x5a";
        }
        expected += " 0xe1";
        EXPECT_EQ(Describe(kQrc, c.code, data), expected) << c.code << " length " << int(c.length);
    }
}

TEST(NodeControllerEvent, UnknownCodesHaveTheirOwnText) {
    const std::pair<uint16_t, const char*> cases[] = {
        {0, "Unknown QRC event occurred, Code 0x00"},        {3, "Unknown QRC event occurred, Code 0x03"},
        {5, "Unknown QRC event occurred, Code 0x05"},        {11, "Unknown QRC event occurred, Code 0x0B"},
        {51, "Unknown QRC event occurred, Code 0x33"},       {54, "Unknown QRC event occurred, Code 0x36"},
        {56, "Unknown QRC event occurred, Code 0x38"},       {58, "Unknown QRC event occurred, Code 0x3A"},
        {63, "Unknown QRC event occurred, Code 0x3F"},       {65, "Unknown QRC event occurred, Code 0x41"},
        {80, "Unknown QRC event occurred, Code 0x50"},       {82, "Unknown QRC event occurred, Code 0x52"},
        {127, "Unknown QRC event occurred, Code 0x7F"},      {133, "Unknown QRC event occurred, Code 0x85"},
        {191, "Unknown QRC event occurred, Code 0xBF"},      {194, "Unknown QRC event occurred, Code 0xC2"},
        {195, "Unknown QRC event occurred, Code 0xC3"},      {198, "Unknown QRC event occurred, Code 0xC6"},
        {255, "Unknown QRC event occurred, Code 0xFF"},      {500, "Unknown QRC event occurred, Code 0x1F4"},
        {0xFFFF, "Unknown QRC event occurred, Code 0xFFFF"},
    };
    for (const auto& [code, expected] : cases) {
        EXPECT_EQ(Describe(kQrc, code, {0x8A, 1, 2, 3}), expected) << code;
    }
}

} // namespace
} // namespace kestrav::test
