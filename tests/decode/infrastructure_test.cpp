// Infrastructure environment (class 34) descriptions, checked whole through the dispatcher.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "record/log_entry.h"

namespace kestrav::test {
namespace {

constexpr uint16_t kInfrastructure = 34;

// Event data: leading bytes from offset 0, then a text (without its terminator) at textAt; the rest is 0.
std::vector<uint8_t> Area(const std::vector<unsigned>& head, size_t textAt = 0,
                          const std::string& text = "") {
    std::vector<uint8_t> area(EventDataSize, 0);
    for (size_t i = 0; i < head.size(); ++i) {
        area[i] = static_cast<uint8_t>(head[i]);
    }
    for (size_t i = 0; i < text.size() && textAt + i < area.size(); ++i) {
        area[textAt + i] = static_cast<uint8_t>(text[i]);
    }
    return area;
}

// Bytes written as hex pairs separated by blanks ("04 00 10").
std::vector<unsigned> Hex(const std::string& hex) {
    std::vector<unsigned> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 3) {
        bytes.push_back(static_cast<unsigned>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

struct SerialCase {
    uint16_t code;
    std::string head;   // hex bytes from offset 0
    size_t serialAt;    // where the serial number text goes
    std::string serial; // empty: none, so the address in bytes 1 and 2 is shown
    std::string expected;
};

void Check(const std::vector<SerialCase>& cases) {
    for (const SerialCase& c : cases) {
        EXPECT_EQ(Describe(kInfrastructure, c.code, Area(Hex(c.head), c.serialAt, c.serial)), c.expected)
            << "code " << c.code << ", serial '" << c.serial << "'";
    }
}

TEST(InfrastructureEvent, DescribesEveryCodeAndCondition) {
    Check({
        {1, "04 00 10 03 01", 5, "CZ12345678",
         "Server Blade Enclosure Inadequate Power To Power On: Not Enough Power (Enclosure Serial Number "
         "CZ12345678, Slot 3)"},
        {1, "05 00 10 FF 00", 5, "",
         "Power Enclosure Inadequate Power To Power On: Lost Redundant Power (Enclosure Address 0010, Slot "
         "Unknown)"},
        {2, "04 01 02 07", 4, "SGH0123ABC",
         "Server Blade Enclosure Blade Manual Power On (Enclosure Serial Number SGH0123ABC, Slot 7)"},
        {3, "04 00 10 12 0E", 5, "",
         "Server Blade Enclosure Blade Fuse or Breaker Tripped (Enclosure Address 0010, Slot 2, Fuse B)"},
        {3, "04 00 10 0F 0E", 5, "",
         "Server Blade Enclosure Blade Fuse or Breaker Tripped (Enclosure Address 0010, Slot 15, Fuse A)"},
        {3, "04 00 10 FF 0E", 5, "",
         "Server Blade Enclosure Blade Fuse or Breaker Tripped (Enclosure Address 0010, Slot 15, Fuse B)"},
        {3, "04 00 10 12 0D", 5, "",
         "Server Blade Enclosure Network Component Fuse or Breaker Tripped (Enclosure Address 0010, Right "
         "Side, Fuse B)"},
        {3, "04 00 10 01 0D", 5, "CZ1",
         "Server Blade Enclosure Network Component Fuse or Breaker Tripped (Enclosure Serial Number CZ1, "
         "Left Side, Fuse A)"},
        {3, "04 00 10 1F 0D", 5, "",
         "Server Blade Enclosure Network Component Fuse or Breaker Tripped (Enclosure Address 0010, Unknown "
         "Location, Fuse B)"},
        {4, "04 AB CD 02", 4, "",
         "Server Blade Enclosure Blade I2C Bus Fault (Enclosure Address ABCD, Bus 2)"},
        {4, "04 AB CD FF", 4, "CZ9",
         "Server Blade Enclosure Blade I2C Bus Fault (Enclosure Serial Number CZ9, Bus Unknown)"},
        {5, "04 00 10 02 00", 5, " CZ",
         "Server Blade Enclosure Blade Removed (Enclosure Address 0010, Slot 2)"},
        {5, "04 00 10 02 01", 5, "CZ77",
         "Server Blade Enclosure Blade Inserted (Enclosure Serial Number CZ77, Slot 2)"},
        {5, "07 00 10 02 80", 5, "", " Blade Inserted (Enclosure Address 0010, Slot 2)"},
        {6, "05 00 20 01", 6, "", "Power Enclosure Power Not Balanced (Enclosure Address 0020, Power Bus A)"},
        {6, "05 00 20 00", 6, "", "Power Enclosure Power Not Balanced (Enclosure Address 0020, Power Bus B)"},
        {6, "05 00 20 02", 6, "PE1",
         "Power Enclosure Power Not Balanced (Enclosure Serial Number PE1, Power Bus B)"},
        {7, "05 00 20 00 2C 01", 6, "",
         "Power Enclosure DC Power Out Of Tolerance (Enclosure Address 0020, Power Bus A, 300 mV)"},
        {7, "05 00 20 01 FF FF", 6, "",
         "Power Enclosure DC Power Out Of Tolerance (Enclosure Address 0020, Power Bus B, 65535 mV)"},
        {7, "05 00 20 FF 00 00", 6, "PE2",
         "Power Enclosure DC Power Out Of Tolerance (Enclosure Serial Number PE2, Power Bus B, 0 mV)"},
        {8, "05 00 20", 3, "PE3",
         "Power Enclosure AC Facility Input Power Exceeded (Enclosure Serial Number PE3)"},
        {8, "05 00 20", 3, "", "Power Enclosure AC Facility Input Power Exceeded (Enclosure Address 0020)"},
        {9, "04 12 AB", 5, "", "Loss Of Chassis Connectivity (Enclosure Address 12AB)"},
        {9, "04 12 AB", 5, "CZ5", "Loss Of Chassis Connectivity (Enclosure Serial Number CZ5)"},
        {10, "05 12 AB", 5, "CZ6", "New Chassis Connected (Enclosure Serial Number CZ6)"},
        {10, "05 12 AB", 5, "", "New Chassis Connected (Enclosure Address 12AB)"},
        {11, "04 00 01 01", 4, "", "Server Blade Enclosure Rack Name Changed (Enclosure Address 0001)"},
        {11, "04 00 01 02", 4, "", "Server Blade Enclosure Name Changed (Enclosure Address 0001)"},
        {11, "04 00 01 03", 4, "", "Server Blade Enclosure Service Change (Enclosure Address 0001)"},
        {11, "04 00 01 04", 4, "", "Server Blade Enclosure Rack Name Conflict (Enclosure Address 0001)"},
        {11, "04 00 01 05", 4, "", "Server Blade Enclosure Rack Unique ID Changed (Enclosure Address 0001)"},
        {11, "04 00 01 07", 4, "CZ8",
         "Server Blade Enclosure LAN Settings Changed (Enclosure Serial Number CZ8)"},
        {11, "04 00 01 08", 4, "", "Server Blade Enclosure UID LED State Changed (Enclosure Address 0001)"},
        {11, "04 00 01 00", 4, "",
         "Server Blade Enclosure Rack Infrastructure Changed (Enclosure Address 0001, Type 0x00)"},
        {11, "04 00 01 06", 4, "",
         "Server Blade Enclosure Rack Infrastructure Changed (Enclosure Address 0001, Type 0x06)"},
        {11, "04 00 01 09", 4, "",
         "Server Blade Enclosure Rack Infrastructure Changed (Enclosure Address 0001, Type 0x09)"},
        {11, "04 00 01 AB", 4, "",
         "Server Blade Enclosure Rack Infrastructure Changed (Enclosure Address 0001, Type 0xAB)"},
        {12, "05 00 30", 3, "PE4", "Power Enclosure Unknown Power Consumption (Enclosure Serial Number PE4)"},
        {12, "05 00 30", 3, "", "Power Enclosure Unknown Power Consumption (Enclosure Address 0030)"},
        {13, "05 00 30 02 00", 7, "",
         "Power Enclosure Power Subsystem Misconfigured: Too Many Power Enclosures (Enclosure Address 0030)"},
        {13, "05 00 30 02 05", 7, "",
         "Power Enclosure Power Subsystem Misconfigured: Too Many Power Enclosures (Unknown Location, "
         "Enclosure Address 0030)"},
        {13, "05 00 30 03 02", 7, "PE5",
         "Power Enclosure Power Subsystem Misconfigured: Improperly Populated Power Bank (Right Side, "
         "Enclosure Serial Number PE5)"},
        {14, "04 00 40", 3, "CZ10", "Server Blade Enclosure Status Change (Enclosure Serial Number CZ10)"},
        {14, "04 00 40", 3, "", "Server Blade Enclosure Status Change (Enclosure Address 0040)"},
        {15, "04 00 40 02 01", 5, "CZ11",
         "Server Blade Enclosure Blower Fault (Left Side, Blower 2, Enclosure Serial Number CZ11)"},
        {15, "04 00 40 FF 03", 5, "",
         "Server Blade Enclosure Blower Fault (Unknown Location, Blower Unknown, Enclosure Address 0040)"},
        {16, "04 00 40 04 02", 5, "",
         "Server Blade Enclosure Blower Removed (Right Side, Blower 4, Enclosure Address 0040)"},
        {17, "04 00 40 03 01", 5, "CZ12",
         "Server Blade Enclosure Ethernet Switch Error - Power fault (Left Side, Enclosure Serial Number "
         "CZ12)"},
        {17, "04 00 40 0A 00", 5, "",
         "Server Blade Enclosure Ethernet Switch Error - Unknown (Unknown Location, Enclosure Address 0040)"},
        {18, "05 00 50 00", 4, "",
         "Power Enclosure Power Feed Missing (Unknown Location, Enclosure Address 0050)"},
        {18, "05 00 50 01", 4, "PE6",
         "Power Enclosure Power Feed Missing (Power Bus A, Enclosure Serial Number PE6)"},
        {18, "05 00 50 02", 4, "",
         "Power Enclosure Power Feed Missing (Power Bus B, Enclosure Address 0050)"},
        {18, "05 00 50 03", 4, "", "Power Enclosure Power Feed Missing (Unknown, Enclosure Address 0050)"},
        {19, "04 00 60 06 0E", 5, "CZ13",
         "Server Blade Enclosure Server Blade Inserted (Slot 6, Enclosure Serial Number CZ13)"},
        {19, "04 00 60 FF 0E", 5, "",
         "Server Blade Enclosure Server Blade Inserted (Slot Unknown, Enclosure Address 0060)"},
        {19, "04 00 60 02 0D", 5, "",
         "Server Blade Enclosure Network Component Inserted (Right Side, Enclosure Address 0060)"},
        {19, "04 00 60 03 0D", 5, "",
         "Server Blade Enclosure Network Component Inserted (Unknown Location, Enclosure Address 0060)"},
        {20, "04 00 60 08 0E", 5, "",
         "Server Blade Enclosure Server Blade Removed (Slot 8, Enclosure Address 0060)"},
        {20, "04 00 60 01 0D", 5, "CZ14",
         "Server Blade Enclosure Network Component Removed (Left Side, Enclosure Serial Number CZ14)"},
        {21, "04 00 70", 3, "CZ15", "Server Blade Enclosure Invalid Topology - Check Cabling"},
        {21, "09", 3, "", " Invalid Topology - Check Cabling"},
        {24, "04 00 70 00 01 00", 6, "CZ16", "Infrastructure Fault, I2C Error at Chassis Slot 1, FRU EEPROM"},
        {24, "04 00 70 13 11 09", 6, "", "Infrastructure Fault, Unknown at Unknown, Unknown"},
        {25, "04 00 70 01 0A 02 1F", 9, "CZ17",
         "Chassis Enclosure Serial Number CZ17 requires minimum firmware revision 02.1f. It is currently "
         "01.0a."},
        {25, "04 00 70 AB 00 FF C0", 9, "",
         "Chassis Enclosure Address 0070 requires minimum firmware revision ff.c0. It is currently ab.00."},
        {26, "04 00 80 05 02", 5, "CZ18",
         "Server Blade Enclosure Power Request Denied: Electronic Keying or I/O Configuration Error "
         "(Enclosure Serial Number CZ18, Slot 5)"},
        {26, "05 00 80 FF 07", 5, "",
         "Power Enclosure Power Request Denied: Unknown (Enclosure Address 0080, Slot Unknown)"},
    });
}

// Each name table through the code that reads it, index by index, one past its bound and at 255.
TEST(InfrastructureEvent, NamesEveryTableEntry) {
    struct Table {
        uint16_t code;
        size_t indexAt;             // which event-data byte holds the index
        std::vector<unsigned> head; // the other bytes
        std::vector<std::string> names;
        std::string fallback;
        std::string before, after;
    };
    const std::vector<Table> tables = {
        {1,
         4,
         {4, 0, 0x10, 1, 0},
         {"Lost Redundant Power", "Not Enough Power", "Denied By Server Enclosure Management Board",
          "Denied By Power Enclosure Management Board"},
         "Unknown",
         "Server Blade Enclosure Inadequate Power To Power On: ",
         " (Enclosure Address 0010, Slot 1)"},
        {13,
         3,
         {5, 0, 0x10, 0, 0},
         {"Unknown", "Load Balancing Wire Missing", "Too Many Power Enclosures",
          "Improperly Populated Power Bank", "DC-to-DC Configuration Invalid"},
         "Unknown",
         "Power Enclosure Power Subsystem Misconfigured: ",
         " (Enclosure Address 0010)"},
        {15,
         4,
         {4, 0, 0x10, 1, 0},
         {"Unknown Location", "Left Side", "Right Side"},
         "Unknown Location",
         "Server Blade Enclosure Blower Fault (",
         ", Blower 1, Enclosure Address 0010)"},
        {17,
         3,
         {4, 0, 0x10, 0, 1},
         {"Unknown", "Powering up", "Micro-controller fault", "Power fault", "Over-current fault",
          "Fan 1 failed or removed", "Temperature at caution level", "Temperature at critical level",
          "RJ45 module missing", "Fan 2 failed or removed"},
         "Unknown",
         "Server Blade Enclosure Ethernet Switch Error - ",
         " (Left Side, Enclosure Address 0010)"},
        {18,
         3,
         {5, 0, 0x10, 0},
         {"Unknown Location", "Power Bus A", "Power Bus B"},
         "Unknown",
         "Power Enclosure Power Feed Missing (",
         ", Enclosure Address 0010)"},
        {26,
         4,
         {4, 0, 0x10, 3, 0},
         {"Unknown", "Not Enough Power", "Electronic Keying or I/O Configuration Error", "Not Enough Cooling",
          "Power Hold by Manager Profile", "Enclosure Busy", "Enclosure Error"},
         "Unknown",
         "Server Blade Enclosure Power Request Denied: ",
         " (Enclosure Address 0010, Slot 3)"},
        {24,
         3,
         {4, 0, 0x10, 0, 0, 0},
         {"Chassis Slot 1", "Chassis Slot 2", "Chassis Slot 3", "Chassis Slot 4", "Chassis Slot 5",
          "Chassis Slot 6", "Chassis Slot 7", "Chassis Slot 8", "Server Blade Management Module",
          "Signal Backplane", "Power Backplane A", "Power Backplane B", "Interconnect Blade A",
          "Interconnect Blade B", "RJ45 10 East", "RJ45 10 West", "RJ45 6 East", "RJ45 6 West", "Unknown"},
         "Unknown",
         "Infrastructure Fault, I2C Error at ",
         ", Brix Management Controller"},
        {24,
         4,
         {4, 0, 0x10, 0, 0, 0},
         {"Brix Management Controller", "FRU EEPROM", "Memory", "ICMB UART", "ROM", "LM75", "I2C Bus 0",
          "I2C Bus 1", "I2C Bus 2", "Software", "I2C Bus", "9544 Fuse Mux", "9555 Quick Switch", "9555 Sense",
          "9555 Enable", "9555 IO Expander", "9555 Mux"},
         "Unknown",
         "Infrastructure Fault, I2C Error at Chassis Slot 1, ",
         ""},
        {24,
         5,
         {4, 0, 0x10, 0, 0, 0},
         {"I2C Error", "Interrupt Error", "Invalid FRU Data", "POST Failure", "Backup ROM Booted",
          "Bus Error", "Stack Overflow", "I2C Bus Timeout", "Unknown I2C Error"},
         "Unknown",
         "Infrastructure Fault, ",
         " at Chassis Slot 1, Brix Management Controller"},
    };
    for (const Table& t : tables) {
        std::vector<unsigned> head = t.head;
        for (unsigned index = 0; index <= t.names.size(); ++index) {
            head[t.indexAt] = index;
            const std::string& name = index < t.names.size() ? t.names[index] : t.fallback;
            EXPECT_EQ(Describe(kInfrastructure, t.code, Area(head)), t.before + name + t.after)
                << "code " << t.code << ", index " << index;
        }
        head[t.indexAt] = 255;
        EXPECT_EQ(Describe(kInfrastructure, t.code, Area(head)), t.before + t.fallback + t.after)
            << "code " << t.code;
    }
}

// The serial number is shown only when it starts with a letter or digit, and at most 16 of its characters.
TEST(InfrastructureEvent, NamesTheEnclosureBySerialNumberOrAddress) {
    const std::string before = "Server Blade Enclosure Status Change (";
    Check({
        {14, "04 FE DC", 3, "0123456789ABCDEF", before + "Enclosure Serial Number 0123456789ABCDEF)"},
        {14, "04 FE DC", 3, "abcdefghijklmnopqrstuvwxyz",
         before + "Enclosure Serial Number abcdefghijklmnop)"},
        {14, "04 FE DC", 3, "Z", before + "Enclosure Serial Number Z)"},
        {14, "04 FE DC", 3, "9 spaced", before + "Enclosure Serial Number 9 spaced)"},
        {14, "04 FE DC", 3, "", before + "Enclosure Address FEDC)"},
        {14, "04 FE DC", 3, " CZ123", before + "Enclosure Address FEDC)"},
        {14, "04 FE DC", 3, "-CZ123", before + "Enclosure Address FEDC)"},
        {14, "04 FE DC", 3, "\xC4Z123", before + "Enclosure Address FEDC)"},
        {14, "04 00 00", 3, "", before + "Enclosure Address 0000)"},
        {14, "04 FF FF", 3, "", before + "Enclosure Address FFFF)"},
        // A serial number that runs unterminated to the end of the event data is still cut at 16 characters.
        {25, "04 00 00 01 02 03 04", 9, std::string(EventDataSize - 9, 'S'),
         "Chassis Enclosure Serial Number SSSSSSSSSSSSSSSS requires minimum firmware revision 03.04. It is "
         "currently 01.02."},
    });
}

TEST(InfrastructureEvent, LeavesUnknownCodesAndVariantsToTheFallback) {
    const std::vector<uint8_t> full = Area({4, 0, 0x10, 2, 0}, 5, "CZ12345678");
    for (uint16_t code : {0, 22, 23, 27, 28, 0xFF}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "Unknown Event (Class 0x22, Code 0x%02X)", code);
        EXPECT_EQ(Describe(kInfrastructure, code, full), expected);
    }
    EXPECT_EQ(Describe(kInfrastructure, 0x100, full), "Unknown Event (Class 0x22, Code 0x100)");
    EXPECT_EQ(Describe(kInfrastructure, 0xFFFF, full), "Unknown Event (Class 0x22, Code 0xFFFF)");
    for (unsigned kind : {0u, 12u, 15u, 255u}) {
        const std::vector<uint8_t> area = Area({4, 0, 0x10, 0x12, kind}, 5, "CZ1");
        EXPECT_EQ(Describe(kInfrastructure, 3, area), "Unknown Event (Class 0x22, Code 0x03)") << kind;
        EXPECT_EQ(Describe(kInfrastructure, 19, area), "Unknown Event (Class 0x22, Code 0x13)") << kind;
        EXPECT_EQ(Describe(kInfrastructure, 20, area), "Unknown Event (Class 0x22, Code 0x14)") << kind;
    }
}

// Only the power decoder reads the event-data length: an entry whose Length points past the event data, or
// wraps below the header, describes the same.
TEST(InfrastructureEvent, IgnoresTheEntryLength) {
    LogEntry entry;
    entry.SetClass(kInfrastructure);
    entry.SetCode(16);
    const std::vector<uint8_t> area = Area({5, 0, 0x10, 3, 2}, 5, "PE0042");
    std::copy(area.begin(), area.end(), entry.EventData());
    const std::string expected =
        "Power Enclosure Blower Removed (Right Side, Blower 3, Enclosure Serial Number PE0042)";
    for (uint16_t length : {0, 20, 28, 34, 256, 300, 0xFFFF}) {
        entry.SetLength(length);
        char buffer[DescriptionBufferSize];
        FormatEntryDescription(entry, buffer);
        EXPECT_EQ(std::string(buffer), expected) << "Length " << length;
    }
}

} // namespace
} // namespace kestrav::test
