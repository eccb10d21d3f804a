// Located power events (codes 1, 4 to 17, 19): every location variant of every code, the offsets of the
// chassis name or serial number, and the trailing detail of codes 17 and 19.
#include <cstdio>
#include <iterator>
#include <string>

#include "decode/power_cases.h"

namespace kestrav::test {
namespace {

// Byte 0 location type, byte 1 chassis or slot (or address high), byte 2 address low, byte 3 part number.
TEST(PowerLocated, SupplyFailureAtEveryLocation) {
    ExpectDescriptions<PowerClass>({
        {1, Bytes({1, 0, 0, 2, 2}).At(5).Text(""), "System Power Supply: Fan Failure (Power Supply 2)"},
        {1, Bytes({1, 3, 0, 1, 0}).At(5).Text("Rack7"),
         "External Chassis Power Supply: General Failure (Chassis Rack7, Power Supply 1)"},
        {1, Bytes({1, 3, 0, 1, 0}).At(5).Text(""),
         "External Chassis Power Supply: General Failure (Chassis 3, Power Supply 1)"},
        {1, Bytes({2, 4, 0, 1, 5}).At(5).Text(""),
         "External Storage System Power Supply: EPROM Failure (Slot 4, Power Supply 1)"},
        {1, Bytes({3, 6, 0, 2, 15}).At(5).Text("Rack2"),
         "Internal Storage System Power Supply: Input Power Loss or Unplugged Power Cord, Verify Power "
         "Supply Input "
         "(Chassis Rack2, Slot 6, Power Supply 2)"},
        {1, Bytes({4, 0x01, 0x2C, 2, 2}).At(5).Text(" SGH"),
         "Server Blade Enclosure Power Supply: Fan Failure (Power Supply 2, Enclosure Address 012C)"},
        {1, Bytes({5, 0, 0, 3, 255}).At(5).Text("SGH7250JRX"),
         "Power Enclosure Power Supply: No Error (Power Supply 3, Enclosure Serial Number SGH7250JRX)"},
    });
}

TEST(PowerLocated, SupplyFailureNames) {
    const char* const names[] = {"General Failure",
                                 "BIST Failure",
                                 "Fan Failure",
                                 "Unknown Failure",
                                 "Unknown Failure",
                                 "EPROM Failure",
                                 "VREF Failure",
                                 "DAC Failure",
                                 "RAM Test Failed",
                                 "Voltage Channel Failure",
                                 "Unknown Failure",
                                 "Unknown Failure",
                                 "Give Up On Startup",
                                 "NVRAM Invalid",
                                 "Calibration Table Invalid",
                                 "Input Power Loss or Unplugged Power Cord, Verify Power Supply Input"};
    std::vector<Case> cases;
    for (unsigned failure = 0; failure < std::size(names); ++failure) {
        cases.push_back({1, Bytes({1, 0, 0, 1, failure}),
                         std::string("System Power Supply: ") + names[failure] + " (Power Supply 1)"});
    }
    cases.push_back({1, Bytes({1, 0, 0, 1, 16}), "System Power Supply: Unknown Failure (Power Supply 1)"});
    cases.push_back({1, Bytes({1, 0, 0, 1, 254}), "System Power Supply: Unknown Failure (Power Supply 1)"});
    cases.push_back({1, Bytes({1, 0, 0, 1, 255}), "System Power Supply: No Error (Power Supply 1)"});
    ExpectDescriptions<PowerClass>(cases);
}

TEST(PowerLocated, SupplyRemovedAndInserted) {
    ExpectDescriptions<PowerClass>({
        {4, Bytes({1, 0, 0, 2}), "System Power Supply Removed (Power Supply 2)"},
        {4, Bytes({1, 0, 0, 0xFF}), "System Power Supply Removed (Power Supply Unknown)"},
        {4, Bytes({1, 3, 0, 1}).At(4).Text(""),
         "External Chassis Power Supply Removed (Chassis 3, Power Supply 1)"},
        {4, Bytes({1, 3, 0, 1}).At(4).Text("Rack7"),
         "External Chassis Power Supply Removed (Chassis Rack7, Power Supply 1)"},
        {4, Bytes({1, 0xFF, 0, 1}).At(4).Text(""),
         "External Chassis Power Supply Removed (Chassis Unknown, Power Supply 1)"},
        {4, Bytes({2, 4, 0, 1}).At(4).Text(""),
         "External Storage System Power Supply Removed (Slot 4, Power Supply 1)"},
        {4, Bytes({3, 0xFF, 0, 1}).At(4).Text("Rack7"),
         "Internal Storage System Power Supply Removed (Chassis Rack7, Slot Unknown, Power Supply 1)"},
        {4, Bytes({4, 0x12, 0xAB, 1}).At(4).Text(""),
         "Server Blade Enclosure Power Supply Removed (Power Supply 1, Enclosure Address 12AB)"},
        {4, Bytes({5, 0, 0, 2}).At(4).Text("ABCDEFGHIJKLMNOPQRST"),
         "Power Enclosure Power Supply Removed (Power Supply 2, Enclosure Serial Number ABCDEFGHIJKLMNOP)"},

        {5, Bytes({1, 0, 0, 0}), "System Power Supply Inserted (Power Supply 0)"},
        {5, Bytes({1, 2, 0, 4}).At(4).Text("Rack7"),
         "External Chassis Power Supply Inserted (Chassis Rack7, Power Supply 4)"},
        {5, Bytes({2, 4, 0, 1}).At(4).Text(""),
         "External Storage System Power Supply Inserted (Slot 4, Power Supply 1)"},
        {5, Bytes({2, 4, 0, 1}).At(4).Text("Rack7"),
         "External Storage System Power Supply Inserted (Chassis Rack7, Slot 4, Power Supply 1)"},
        {5, Bytes({3, 1, 0, 2}).At(4).Text(""),
         "Internal Storage System Power Supply Inserted (Slot 1, Power Supply 2)"},
        {5, Bytes({4, 0, 0, 1}).At(4).Text("blade9x"),
         "Server Blade Enclosure Power Supply Inserted (Power Supply 1, Enclosure Serial Number blade9x)"},
        {5, Bytes({5, 0xFF, 0xFF, 6}).At(4).Text("-x"),
         "Power Enclosure Power Supply Inserted (Power Supply 6, Enclosure Address FFFF)"},
    });
}

// Code 6 has no part number; at an enclosure byte 3 names the component and the serial number is at 4.
TEST(PowerLocated, SuppliesNotRedundant) {
    ExpectDescriptions<PowerClass>({
        {6, Bytes({1, 0, 0, 4}), "System Power Supplies Not Redundant"},
        {6, Bytes({1, 5, 0}).At(3).Text("Rack7"),
         "External Chassis Power Supplies Not Redundant (Chassis Rack7)"},
        {6, Bytes({1, 5, 0}).At(3).Text(""), "External Chassis Power Supplies Not Redundant (Chassis 5)"},
        {6, Bytes({2, 3, 0}).At(3).Text("Rack1"),
         "External Storage System Power Supplies Not Redundant (Chassis Rack1, Slot 3)"},
        {6, Bytes({3, 2, 0}).At(3).Text(""), "Internal Storage System Power Supplies Not Redundant (Slot 2)"},
        {6, Bytes({4, 0, 0, 1}).At(4).Text("SGH1"),
         "Server Blade Enclosure Power Supplies Not Redundant (in Power Module, Enclosure Serial Number "
         "SGH1)"},
        {6, Bytes({5, 0x01, 0x02, 7}).At(4).Text(""),
         "Power Enclosure Power Supplies Not Redundant (in Unknown, Enclosure Address 0102)"},
        {6, Bytes({5, 0, 0, 0}).At(4).Text("S1"),
         "Power Enclosure Power Supplies Not Redundant (in Enclosure, Enclosure Serial Number S1)"},
        {6, Bytes({4, 0, 0, 2}).At(4).Text("S1"),
         "Server Blade Enclosure Power Supplies Not Redundant (in Bus Bar, Enclosure Serial Number S1)"},
        {6, Bytes({4, 0, 0, 3}).At(4).Text("S1"),
         "Server Blade Enclosure Power Supplies Not Redundant (in Breaker, Enclosure Serial Number S1)"},
        {6, Bytes({4, 0, 0, 4}).At(4).Text("S1"),
         "Server Blade Enclosure Power Supplies Not Redundant (in Power Subsystem, Enclosure Serial Number "
         "S1)"},
        {6, Bytes({4, 0, 0, 5}).At(4).Text("S1"),
         "Server Blade Enclosure Power Supplies Not Redundant (in Unknown, Enclosure Serial Number S1)"},
        {6, Bytes({4, 0, 0, 255}).At(4).Text("S1"),
         "Server Blade Enclosure Power Supplies Not Redundant (in Unknown, Enclosure Serial Number S1)"},
    });
}

// Codes 7 and 15 share their texts; the chassis name lies at 6 and at 3.
TEST(PowerLocated, ModulesNotRedundant) {
    ExpectDescriptions<PowerClass>({
        {7, Bytes({1, 0, 0, 9}), "System Power Modules Not Redundant"},
        {7, Bytes({1, 4, 0, 9, 'X', 'Y'}).At(6).Text("Rack7"),
         "External Chassis Power Modules Not Redundant (Chassis Rack7)"},
        {7, Bytes({2, 5, 0, 9, 'X', 'Y'}).At(6).Text(""),
         "External Storage System Power Modules Not Redundant (Slot 5)"},
        {7, Bytes({3, 5, 0, 9, 'X', 'Y'}).At(6).Text("Rack3"),
         "Internal Storage System Power Modules Not Redundant (Chassis Rack3, Slot 5)"},
        {7, Bytes({4, 1, 2, 3}).At(6).Text("SGH"), "Server Blade Enclosure Power Modules Not Redundant"},
        {7, Bytes({5, 1, 2, 3}).At(6).Text("SGH"), "Power Enclosure Power Modules Not Redundant"},

        {15, Bytes({1, 0, 0}).At(3).Text("Rack7"), "System Power Modules Not Redundant"},
        {15, Bytes({1, 4, 0}).At(3).Text("Rack7"),
         "External Chassis Power Modules Not Redundant (Chassis Rack7)"},
        {15, Bytes({1, 4, 0}).At(3).Text(""), "External Chassis Power Modules Not Redundant (Chassis 4)"},
        {15, Bytes({2, 5, 0}).At(3).Text(""), "External Storage System Power Modules Not Redundant (Slot 5)"},
        {15, Bytes({3, 5, 0}).At(3).Text("Rack3"),
         "Internal Storage System Power Modules Not Redundant (Chassis Rack3, Slot 5)"},
        {15, Bytes({4, 0, 0}).At(3).Text("SGH"), "Server Blade Enclosure Power Modules Not Redundant"},
        {15, Bytes({5, 0, 0}).At(3).Text("SGH"), "Power Enclosure Power Modules Not Redundant"},

        // The same bytes read as code 7 find the name three bytes further on.
        {7, Bytes({1, 4, 0}).At(3).Text("Rack7"),
         "External Chassis Power Modules Not Redundant (Chassis k7)"},
    });
}

// At an enclosure byte 4 is the power-line event (codes 8, 17) or the voltage (code 9).
TEST(PowerLocated, AcPowerProblemAndOverload) {
    ExpectDescriptions<PowerClass>({
        {8, Bytes({1, 0, 0, 1}), "System AC Power Problem (Power Supply 1)"},
        {8, Bytes({1, 2, 0, 3, 5}).At(5).Text("Rack7"),
         "External Chassis AC Power Problem (Chassis Rack7, Power Supply 3)"},
        {8, Bytes({2, 7, 0, 1, 'Q'}).At(5).Text(""),
         "External Storage System AC Power Problem (Slot 7, Power Supply 1)"},
        {8, Bytes({3, 1, 0, 0xFF, 'Q'}).At(5).Text("Rack9"),
         "Internal Storage System AC Power Problem (Chassis Rack9, Slot 1, Power Supply Unknown)"},
        {8, Bytes({4, 0, 0x10, 1, 5}).At(5).Text("SGH9"),
         "Server Blade Enclosure AC Power Problem (Power Supply 1, Reason: AC Power Loss, Enclosure Serial "
         "Number "
         "SGH9)"},
        {8, Bytes({5, 0xAB, 0xCD, 2, 1}).At(5).Text(""),
         "Power Enclosure AC Power Problem (Power Supply 2, Reason: Line Over Voltage, Enclosure Address "
         "ABCD)"},
        {8, Bytes({5, 0, 1, 2, 0}),
         "Power Enclosure AC Power Problem (Power Supply 2, Reason: Unknown, Enclosure "
         "Address 0001)"},
        {8, Bytes({5, 0, 1, 2, 2}),
         "Power Enclosure AC Power Problem (Power Supply 2, Reason: Line Under Voltage, "
         "Enclosure Address 0001)"},
        {8, Bytes({5, 0, 1, 2, 3}),
         "Power Enclosure AC Power Problem (Power Supply 2, Reason: Line Hit, Enclosure "
         "Address 0001)"},
        {8, Bytes({5, 0, 1, 2, 4}),
         "Power Enclosure AC Power Problem (Power Supply 2, Reason: Brown Out, Enclosure "
         "Address 0001)"},
        {8, Bytes({5, 0, 1, 2, 6}),
         "Power Enclosure AC Power Problem (Power Supply 2, Reason: Unknown, Enclosure "
         "Address 0001)"},
        {8, Bytes({4, 0, 1, 2, 255}),
         "Server Blade Enclosure AC Power Problem (Power Supply 2, Reason: Unknown, "
         "Enclosure Address 0001)"},

        {9, Bytes({1, 0, 0, 2}), "System AC Power Overload (Power Supply 2)"},
        {9, Bytes({1, 9, 0, 2, 'Q'}).At(5).Text(""),
         "External Chassis AC Power Overload (Chassis 9, Power Supply 2)"},
        {9, Bytes({2, 1, 0, 2, 'Q'}).At(5).Text("Rack1"),
         "External Storage System AC Power Overload (Chassis Rack1, Slot 1, Power Supply 2)"},
        {9, Bytes({3, 2, 0, 3}).At(5).Text(""),
         "Internal Storage System AC Power Overload (Slot 2, Power Supply 3)"},
        {9, Bytes({4, 0, 1, 4, 12}).At(5).Text("SGH2"),
         "Server Blade Enclosure AC Power Overload (Power Supply 4, Voltage: 12, Enclosure Serial Number "
         "SGH2)"},
        {9, Bytes({5, 0, 2, 1, 0xFF}).At(5).Text(""),
         "Power Enclosure AC Power Overload (Power Supply 1, Voltage: Unknown, Enclosure Address 0002)"},
    });
}

TEST(PowerLocated, SupplyPoweredUpAndDown) {
    ExpectDescriptions<PowerClass>({
        {10, Bytes({1, 0, 0, 1}), "System Power Supply Powered Up (Power Supply 1)"},
        {10, Bytes({1, 2, 0, 1}).At(4).Text("Rack7"),
         "External Chassis System Power Supply Powered Up (Chassis Rack7, Power Supply 1)"},
        {10, Bytes({2, 3, 0, 1}).At(4).Text(""),
         "External Storage System Power Supply Powered Up (Slot 3, Power Supply 1)"},
        {10, Bytes({3, 3, 0, 2}).At(4).Text("Rack2"),
         "Internal Storage System Power Supply Powered Up (Chassis Rack2, Slot 3, Power Supply 2)"},
        {10, Bytes({4, 0, 0, 5}).At(4).Text("SGH"),
         "Server Blade Enclosure System Power Supply Powered Up (Power Supply 5)"},
        {10, Bytes({5, 0, 0, 0xFF}), "Power Enclosure System Power Supply Powered Up (Power Supply Unknown)"},

        {11, Bytes({1, 0, 0, 3}), "System Power Supply Powered Down (Power Supply 3)"},
        {11, Bytes({1, 6, 0, 1}).At(4).Text(""),
         "External Chassis System Power Supply Powered Down (Chassis 6, Power Supply 1)"},
        {11, Bytes({2, 3, 0, 1}).At(4).Text("Rack5"),
         "External Storage System Power Supply Powered Down (Chassis Rack5, Slot 3, Power Supply 1)"},
        {11, Bytes({3, 8, 0, 2}).At(4).Text(""),
         "Internal Storage System Power Supply Powered Down (Slot 8, Power Supply 2)"},
        {11, Bytes({4, 0, 0, 5}), "Server Blade Enclosure System Power Supply Powered Down (Power Supply 5)"},
        {11, Bytes({5, 0, 0, 6}).At(4).Text("SGH"),
         "Power Enclosure System Power Supply Powered Down (Power Supply 6)"},
    });
}

// Codes 12 and 16 keep the name at 5 although byte 4 carries nothing for them.
TEST(PowerLocated, ModuleEvents) {
    ExpectDescriptions<PowerClass>({
        {12, Bytes({1, 0, 0, 1}), "System Power Module Failure (Power Module 1)"},
        {12, Bytes({1, 2, 0, 1, 'Q'}).At(5).Text("Rack7"),
         "External Chassis Power Module Failure (Chassis Rack7, Power Module 1)"},
        {12, Bytes({2, 3, 0, 1, 'Q'}).At(5).Text(""),
         "External Storage System Power Module Failure (Slot 3, Power Module 1)"},
        {12, Bytes({3, 4, 0, 2, 'Q'}).At(5).Text("Rack4"),
         "Internal Storage System Power Module Failure (Chassis Rack4, Slot 4, Power Module 2)"},
        {12, Bytes({4, 0, 0, 3}), "Server Blade Enclosure Power Module Failure (Power Module 3)"},
        {12, Bytes({5, 0, 0, 4}), "Power Enclosure Power Module Failure (Power Module 4)"},

        {13, Bytes({1, 0, 0, 1}), "System Power Module Removed (Power Module 1)"},
        {13, Bytes({1, 2, 0, 1}).At(4).Text("Rack7"),
         "External Chassis Power Module Removed (Chassis Rack7, Power Module 1)"},
        {13, Bytes({2, 3, 0, 1}).At(4).Text(""),
         "External Storage System Power Module Removed (Slot 3, Power Module 1)"},
        {13, Bytes({3, 4, 0, 2}).At(4).Text("Rack4"),
         "Internal Storage System Power Module Removed (Chassis Rack4, Slot 4, Power Module 2)"},
        {13, Bytes({4, 0, 0, 3}), "Server Blade Enclosure Power Module Removed (Power Module 3)"},
        {13, Bytes({5, 0, 0, 0xFF}), "Power Enclosure Power Module Removed (Power Module Unknown)"},

        {14, Bytes({1, 0, 0, 2}), "System Power Module Inserted (Power Module 2)"},
        {14, Bytes({1, 7, 0, 1}).At(4).Text(""),
         "External Chassis Power Module Inserted (Chassis 7, Power Module 1)"},
        {14, Bytes({2, 3, 0, 1}).At(4).Text("Rack3"),
         "External Storage System Power Module Inserted (Chassis Rack3, Slot 3, Power Module 1)"},
        {14, Bytes({3, 4, 0, 2}).At(4).Text(""),
         "Internal Storage System Power Module Inserted (Slot 4, Power Module 2)"},
        {14, Bytes({4, 0, 0, 3}), "Server Blade Enclosure Power Module Inserted (Power Module 3)"},
        {14, Bytes({5, 0, 0, 4}), "Power Enclosure Power Module Inserted (Power Module 4)"},

        {16, Bytes({1, 0, 0, 1}), "System Power Module Overload (Power Module 1)"},
        {16, Bytes({1, 2, 0, 1, 'Q'}).At(5).Text("Rack7"),
         "External Chassis Power Module Overload (Chassis Rack7, Power Module 1)"},
        {16, Bytes({2, 3, 0, 1, 'Q'}).At(5).Text(""),
         "External Storage System Power Module Overload (Slot 3, Power Module 1)"},
        {16, Bytes({3, 4, 0, 2, 'Q'}).At(5).Text("Rack4"),
         "Internal Storage System Power Module Overload (Chassis Rack4, Slot 4, Power Module 2)"},
        {16, Bytes({4, 0, 0, 3}), "Server Blade Enclosure Power Module Overload (Power Module 3)"},
        {16, Bytes({5, 0, 0, 4}), "Power Enclosure Power Module Overload (Power Module 4)"},
    });
}

// The detail text follows the terminator of the text at 5 and is appended whatever the location type.
TEST(PowerLocated, DetailTextOfCodes17And19) {
    ExpectDescriptions<PowerClass>({
        {17, Bytes({1, 0, 0, 1}).At(5).Text("").Text("Input 208V low"),
         "System AC Power Problem (Power Supply 1), Input 208V low"},
        {17, Bytes({1, 2, 0, 3, 5}).At(5).Text("Rack7").Text(""),
         "External Chassis AC Power Problem (Chassis Rack7, Power Supply 3)"},
        {17, Bytes({2, 7, 0, 1, 0}).At(5).Text("Rack1").Text("Breaker tripped"),
         "External Storage System AC Power Problem (Chassis Rack1, Slot 7, Power Supply 1), Breaker tripped"},
        {17, Bytes({3, 1, 0, 2}).At(5).Text("").Text("Phase B"),
         "Internal Storage System AC Power Problem (Slot 1, Power Supply 2), Phase B"},
        {17, Bytes({4, 0, 0x10, 1, 4}).At(5).Text("SGH9").Text("PDU 2"),
         "Server Blade Enclosure AC Power Problem (Power Supply 1, Reason: Brown Out, Enclosure Serial "
         "Number "
         "SGH9), PDU 2"},
        {17, Bytes({5, 0, 0x20, 2, 3}).At(5).Text(" ").Text("Feed A"),
         "Power Enclosure AC Power Problem (Power Supply 2, Reason: Line Hit, Enclosure Address 0020), Feed "
         "A"},
        {17, Bytes({9, 0, 0, 1}).At(5).Text("").Text("X"), ", X"},
        {17, Bytes({0, 0, 0, 1}).At(5).Text("Rack7").Text("X"), ", X"},
        {17, Bytes({9, 0, 0, 1}).At(5).Text("").Text(""), "Unknown Event (Class 0x0B, Code 0x11)"},
        {8, Bytes({9, 0, 0, 1}).At(5).Text("").Text("X"), "Unknown Event (Class 0x0B, Code 0x08)"},

        {19, Bytes({1, 0, 0, 2, 2}).At(5).Text("").Text("Fan 2 stalled"),
         "System Power Supply: Fan Failure (Power Supply 2), Fan 2 stalled"},
        {19, Bytes({1, 3, 0, 1, 13}).At(5).Text("Rack7").Text(""),
         "External Chassis Power Supply: NVRAM Invalid (Chassis Rack7, Power Supply 1)"},
        {19, Bytes({2, 4, 0, 1, 14}).At(5).Text("").Text("Recalibrate"),
         "External Storage System Power Supply: Calibration Table Invalid (Slot 4, Power Supply 1), "
         "Recalibrate"},
        {19, Bytes({3, 4, 0, 1, 12}).At(5).Text("Rack3").Text("Retry 3"),
         "Internal Storage System Power Supply: Give Up On Startup (Chassis Rack3, Slot 4, Power Supply 1), "
         "Retry 3"},
        {19, Bytes({4, 0x01, 0x2C, 2, 9}).At(5).Text("").Text("12V rail"),
         "Server Blade Enclosure Power Supply: Voltage Channel Failure (Power Supply 2, Enclosure Address "
         "012C), "
         "12V rail"},
        {19, Bytes({5, 0, 0, 1, 8}).At(5).Text("SN1").Text("Bank 2"),
         "Power Enclosure Power Supply: RAM Test Failed (Power Supply 1, Enclosure Serial Number SN1), Bank "
         "2"},
        {19, Bytes({6, 0, 0, 1, 8}).At(5).Text("SN1").Text("X"), ", X"},
        {19, Bytes({255, 0, 0, 1, 8}).At(5).Text("SN1").Text(""), "Unknown Event (Class 0x0B, Code 0x13)"},
    });
}

TEST(PowerLocated, UnknownLocationTypesWriteNothing) {
    std::vector<Case> cases;
    for (uint16_t code : {1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "Unknown Event (Class 0x0B, Code 0x%02X)", code);
        for (unsigned type : {0u, 6u, 255u}) {
            cases.push_back({code, Bytes({type, 1, 2, 3, 4}).At(5).Text("Rack7").Text("X"), expected});
        }
    }
    ExpectDescriptions<PowerClass>(cases);
}

// A chassis name that runs to the end of the event data is shown whole, and no detail lies past it.
TEST(PowerLocated, NameRunningToTheEndOfTheEventData) {
    std::string name(EventDataSize - 5, 'A');
    EventBytes bytes = Bytes({1, 3, 0, 1, 0}).At(5);
    for (char c : name) {
        bytes.U8(static_cast<uint8_t>(c));
    }
    ExpectDescriptions<PowerClass>({
        {19, bytes, "External Chassis Power Supply: General Failure (Chassis " + name + ", Power Supply 1)"},
        {17, bytes, "External Chassis AC Power Problem (Chassis " + name + ", Power Supply 1)"},
    });
}

} // namespace
} // namespace kestrav::test
