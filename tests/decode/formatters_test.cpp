// The shared value and location formatters, the name-table lookup and the bounded event-data view and writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "decode/formatters.h"

namespace kestrav {
namespace {

// Event data with the given bytes at the start and zeros after.
EventData Data(const std::vector<uint8_t>& bytes) {
    uint8_t area[EventDataSize] = {};
    std::copy_n(bytes.begin(), std::min(bytes.size(), sizeof area), area);
    return EventData(area);
}

std::vector<uint8_t> Texts(std::initializer_list<std::string> texts, std::vector<uint8_t> prefix = {}) {
    for (const std::string& t : texts) {
        prefix.insert(prefix.end(), t.begin(), t.end());
        prefix.push_back(0);
    }
    return prefix;
}

// The lookup rule every decoder's tables share; the tables themselves are checked through each decoder's
// texts.
TEST(NameTables, LookupUsesEntryBelowBoundAndFallbackAbove) {
    static const char* const names[] = {"Zero", "One", "Two"};
    const NameTable plain = MakeNameTable(names);
    const NameTable own = MakeNameTable(names, names[0]);
    struct Case {
        const NameTable* table;
        unsigned index;
        const char* expected;
    } cases[] = {
        {&plain, 0, "Zero"}, {&plain, 2, "Two"}, {&plain, 3, "Unknown"}, {&plain, 255, "Unknown"},
        {&own, 1, "One"},    {&own, 3, "Zero"},  {&own, 256, "Zero"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(LookupName(*c.table, c.index), c.expected) << "index " << c.index;
    }
}

TEST(Formatters, NumbersAndNames) {
    char scratch[ScratchSize];
    std::strcpy(scratch, "untouched");
    EXPECT_STREQ(FormatNumberOrUnknown(255, scratch), "Unknown");
    EXPECT_STREQ(scratch, "untouched");
    EXPECT_STREQ(FormatNumberOrUnknown(0, scratch), "0");
    EXPECT_STREQ(FormatNumberOrUnknown(254, scratch), "254");
    EXPECT_STREQ(FormatNameOrNumber(255, "", scratch), "Unknown");
    EXPECT_STREQ(FormatNameOrNumber(255, nullptr, scratch), "Unknown");
    EXPECT_STREQ(FormatNameOrNumber(7, "Rack7", scratch), "Rack7");
    EXPECT_STREQ(FormatNameOrNumber(7, "", scratch), "7");
}

TEST(Formatters, ChassisPrefixAndStorageSlot) {
    char out[SlotTextSize];
    EXPECT_STREQ(FormatChassisPrefix("", out), "");
    EXPECT_STREQ(FormatChassisPrefix("Rack2", out), "Chassis Rack2, ");

    struct Case {
        std::vector<uint8_t> data;
        uint8_t slot;
        const char* expected;
    } cases[] = {
        {Texts({"", ""}), 3, "Slot 3"},
        {Texts({"Rack2", ""}), 0xFF, "Chassis Rack2, Slot Unknown"},
        {Texts({"Rack2", "Embedded"}), 1, "Chassis Rack2, Embedded"},
        {Texts({"", "Bay 4"}), 1, "Bay 4"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(FormatStorageSlot(out, Data(c.data), 0, c.slot), c.expected);
    }
}

TEST(Formatters, StorageSideAndEnclosureId) {
    EXPECT_STREQ(StorageSideWord(Data({2})), "External");
    EXPECT_STREQ(StorageSideWord(Data({3})), "Internal");
    EXPECT_STREQ(StorageSideWord(Data({1})), "");

    char out[64];
    EventData address = Data(Texts({" SN", "-X"}, {0, 0x12, 0xAB}));
    EXPECT_STREQ(FormatEnclosureId(address.Text(3), address, out), "Enclosure Address 12AB");
    EXPECT_STREQ(FormatEnclosureId(address.Text(7), address, out), "Enclosure Address 12AB");
    EXPECT_STREQ(FormatEnclosureId(nullptr, address, out), "Enclosure Address 12AB");
    EventData serial = Data(Texts({"2M12345678ABCDEFXYZ"}, {0, 0x12, 0xAB}));
    EXPECT_STREQ(FormatEnclosureId(serial.Text(3), serial, out), "Enclosure Serial Number 2M12345678ABCDEF");
}

TEST(Formatters, CollapseWhitespace) {
    struct Case {
        const char* in;
        const char* expected;
    } cases[] = {
        {"  A \t\n B  ", "A B"},
        {"", ""},
        {" \t\r\n\v\f ", ""},
        {"AB", "AB"},
        {"A\r\nB", "A B"},
        {"A ", "A"},
    };
    char out[64];
    for (const Case& c : cases) {
        EXPECT_STREQ(CollapseWhitespace(out, c.in), c.expected) << '"' << c.in << '"';
    }
    char small[4];
    EXPECT_STREQ(CollapseWhitespace(small, "  ABCDEF"), "ABC");
}

TEST(EventDataView, TextsEndAtTheAreaAndValuesPastItReadZero) {
    uint8_t area[EventDataSize];
    std::memset(area, 'x', sizeof area);
    area[0] = 0x34;
    area[1] = 0x12;
    EventData data(area);
    EXPECT_EQ(data.Le16(0), 0x1234);
    EXPECT_EQ(data.Be16(0), 0x3412);
    EXPECT_EQ(data.TextLength(10), EventDataSize - 10);
    EXPECT_EQ(std::string(data.Text(226)), "xx");
    EXPECT_STREQ(data.Text(228), "");
    EXPECT_STREQ(data.Text(5000), "");
    EXPECT_EQ(data.Byte(228), 0);
    EXPECT_EQ(data.Le32(226), 0x7878u);
    EXPECT_EQ(data.After(10), EventDataSize);
}

TEST(BoundedWriter, CutsAndAlwaysTerminates) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    Writer out(buffer);
    out.Format("%s", "abc");
    out.Append("%s", "defghijk");
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_EQ(out.Length(), 7u);
    out.Append("more");
    EXPECT_STREQ(buffer, "abcdefg");
    out.Format("z");
    EXPECT_STREQ(buffer, "z");
}

}  // namespace
}  // namespace kestrav
