// Power events other than the located ones: batteries, the failed power module of a kind, the storage
// enclosure supply, the system power fault with its service bytes, and the fixed texts.
#include <cstdio>
#include <string>

#include "decode/power_cases.h"

namespace kestrav::test {
namespace {

TEST(PowerEvents, RealTimeClockBattery) {
    ExpectDescriptions<PowerClass>({
        {2, Bytes({7, 0}), "Real-Time Clock Battery Failing"},
        {2, Bytes({0, 3}), "Real-Time Clock Battery Failing (Chassis 3)"},
        {2, Bytes({0, 0xFF}), "Real-Time Clock Battery Failing (Chassis Unknown)"},
        {2, Bytes({0, 1}).At(3).Text("X"), "Real-Time Clock Battery Failing (Chassis 1)"},
        {18, Bytes({0, 0}).At(3).Text(""), "Real-Time Clock Battery Failing"},
        {18, Bytes({0, 0}).At(3).Text("X"), "Real-Time Clock Battery Failing, X"},
        {18, Bytes({0, 2}).At(3).Text("CMOS reset"),
         "Real-Time Clock Battery Failing (Chassis 2), CMOS reset"},
        {18, Bytes({9, 0xFF}).At(3).Text("Low"), "Real-Time Clock Battery Failing (Chassis Unknown), Low"},
    });
}

TEST(PowerEvents, PowerModuleOfAKind) {
    ExpectDescriptions<PowerClass>({
        {3, Bytes({1, 0, 0, 0, 2, 3}), "An I/O Power Module has Failed (System Board, Socket 2)"},
        {3, Bytes({1, 0, 0, 0, 0xFF, 4}), "A Power Module has Failed (System Board, Socket Unknown)"},
        {3, Bytes({1, 2, 0, 5, 1, 1}), "A CPU Power Module has Failed (Chassis 2, Slot 5, Socket 1)"},
        {3, Bytes({2, 3, 0, 4, 0, 2}), "A PCI Power Module has Failed (Chassis 3, Slot 4, Socket 0)"},
        {3, Bytes({3, 0, 0, 0xFF, 0xFF, 0}),
         "A Power Module has Failed (Chassis 0, Slot Unknown, Socket Unknown)"},
        {3, Bytes({2, 0xFF, 0, 1, 1, 255}), "A Power Module has Failed (Chassis Unknown, Slot 1, Socket 1)"},
        {3, Bytes({4, 0, 0, 0, 2, 3}), "Unknown Event (Class 0x0B, Code 0x03)"},
        {3, Bytes({5, 0, 0, 0, 2, 3}), "Unknown Event (Class 0x0B, Code 0x03)"},
        {3, Bytes({0, 0, 0, 0, 2, 3}), "Unknown Event (Class 0x0B, Code 0x03)"},
    });
}

// Supply and box print as plain numbers; the port stops at a zero byte; no side word leaves a leading blank.
TEST(PowerEvents, StorageEnclosurePowerSupplyFailure) {
    ExpectDescriptions<PowerClass>({
        {20, Bytes({2, 3, 0, 1, '1', 'E', 2}).At(7).Text("").Text(""),
         "External Storage Enclosure Power Supply Failure (Power Supply 1, Box 2, Port 1E, Slot 3)"},
        {20, Bytes({3, 0xFF, 0, 0xFF, '2', 'I', 0xFF}).At(7).Text("Rack2").Text(""),
         "Internal Storage Enclosure Power Supply Failure (Power Supply 255, Box 255, Port 2I, Chassis "
         "Rack2, "
         "Slot Unknown)"},
        {20, Bytes({0, 1, 0, 2, 'A', 0, 1}).At(7).Text("Rack2").Text("Embedded"),
         " Storage Enclosure Power Supply Failure (Power Supply 2, Box 1, Port A, Chassis Rack2, Embedded)"},
        {20, Bytes({9, 4, 0, 0, 0, 'B', 3}).At(7).Text("").Text("Bay 4"),
         " Storage Enclosure Power Supply Failure (Power Supply 0, Box 3, Port , Bay 4)"},
    });
}

TEST(PowerEvents, SystemPowerFault) {
    const std::string advice =
        "System Power Fault Detected. Consult Vexa Wattplan To Ensure Power Supply Sizing. Increase Power If "
        "Required ";
    std::string longList = "(XR: 12 34 MID:";
    EventBytes longData = Bytes({0x12, 0x34});
    for (unsigned i = 0; i < 127; ++i) {
        longData.U8(0xC0 + (i % 16));
        char hex[8];
        std::snprintf(hex, sizeof hex, " %02X", 0xC0 + (i % 16));
        longList += hex;
    }
    longList += ")";
    ExpectDescriptions<PowerClass>({
        {26, Bytes({0x12, 0x34}), advice + "(XR: 12 34)", 2},
        {26, Bytes({0x12, 0x34, 0xAB, 0x01}), advice + "(XR: 12 34 MID: AB 01)", 4},
        {26, Bytes({0x12, 0x34, 0xAB, 0x01}), advice + "(XR: 12 34)", 130},
        {26, Bytes({0x12, 0x34, 0xAB, 0x01}), advice + "(XR: 12 34)", 255},
        {26, Bytes({0x12, 0x34, 0xAB, 0x01}), advice + "(XR: 12 34)", 0},
        {26, Bytes({0x12, 0x34, 0xAB, 0x01}), advice + "(XR: 12 34)", 1},
        {26, Bytes({0x12, 0x34, 0xAB, 0x01}), advice + "(XR: 12 34 MID: AB)", 3},
        {26, longData, advice + longList, 129},
        {26, Bytes({0x12, 0x30}), "System Power Fault Detected (XR: 12 30)", 2},
        {26, Bytes({0x00, 0x30, 0xfe}), "System Power Fault Detected (XR: 00 30 MID: FE)", 3},
        {26, Bytes({0xab, 0xfb, 0x0c}), "System Power Fault Detected (XR: AB FB MID: 0C)", 3},
        {26, Bytes({0xff, 0x04}), advice + "(XR: FF 04)", 2},
    });
}

TEST(PowerEvents, StorageBatteryFailureByServiceValue) {
    const std::string generic = "Keldon Storage Battery failure (Battery 1). Action: 1. Consult server "
                                "troubleshooting guide. 2 Gather Qent log and contact Support";
    auto battery = [](unsigned number, uint32_t service) { return Bytes({number}).Le32(service); };
    ExpectDescriptions<PowerClass>({
        {31, battery(1, 0), generic},
        {31, battery(1, 1), generic},
        {31, battery(1, 2), generic},
        {31, battery(1, 3), generic},
        {31, battery(1, 4),
         "Keldon Storage Battery failure (Battery 1, service information: 0x01). Action: 1. Consult server "
         "troubleshooting guide. 2. Gather Qent log and contact Support"},
        {31, battery(2, 5),
         "Keldon Storage Battery failure (Battery 2, service information: 0x02). Action: 1. Consult server "
         "troubleshooting guide. 2. Gather Qent log and contact Support"},
        {31, battery(1, 6),
         "Keldon Storage Battery did not charge at the expected rate, indicating a faulty battery (Battery "
         "1, "
         "service information: 0x03). Action: 1. Consult server troubleshooting guide. 2. Gather Qent log "
         "and "
         "contact Support"},
        {31, battery(1, 7),
         "Keldon Storage Battery disabled due to high ambient temperature, will be re-enabled when temp is "
         "lowered "
         "(Battery 1, service information: 0x04). Action: 1. Verify proper ventilation and function of fans. "
         "2. If "
         "issue persists, gather Qent log, contact Support."},
        {31, battery(1, 8),
         "Keldon Storage Battery discharged to below minimum voltage, resulting in the inability of the "
         "battery to "
         "recharge properly (Battery 1, service information: 0x05).  Action: 1. Consult server "
         "troubleshooting "
         "guide. 2. Gather Qent log and contact Support"},
        {31, battery(1, 9),
         "Keldon Storage Battery failure (Battery 1, service information: 0x06). Action: 1. Consult server "
         "troubleshooting guide. 2. Gather Qent log and contact Vexa Support"},
        {31, battery(1, 10),
         "Keldon Storage Battery has exceeded the maximum amount of devices supported (Battery 1, service "
         "information: 0x07). Action: 1. Remove additional devices. 2. Consult server troubleshooting guide. "
         "3. "
         "Gather Qent log and contact Support"},
        {31, battery(1, 11), generic},
        {31, battery(1, 12),
         "Keldon Storage Battery failure (Battery 1, service information: 0x09). Action: Gather Qent log and "
         "contact Support"},
        {31, battery(1, 13),
         "Keldon Storage Battery failure (Battery 1, service information: 0x0A). Action: Gather Qent log and "
         "contact Support"},
        {31, battery(255, 14),
         "Keldon Storage Battery failure (Battery 255, service information: 0x0B). Action: 1. Consult server "
         "troubleshooting guide. 2 Gather Qent log and contact Support"},
        {31, battery(1, 15), generic},
        // All four bytes count: these share their low byte with a described value.
        {31, battery(1, 0x104), generic},
        {31, battery(1, 0x04000004), generic},
        {31, battery(1, 0xFFFFFFFF), generic},
    });
}

TEST(PowerEvents, StorageBatteryRemovedAndNotResponding) {
    ExpectDescriptions<PowerClass>({
        {30, Bytes({1}), "Keldon Storage Battery Removed (Battery 1)"},
        {30, Bytes({255}), "Keldon Storage Battery Removed (Battery 255)"},
        {32, Bytes({0}), "Keldon Storage Battery Not Responding (Battery 0)"},
        {32, Bytes({200}), "Keldon Storage Battery Not Responding (Battery 200)"},
    });
}

TEST(PowerEvents, FixedTexts) {
    ExpectDescriptions<PowerClass>({
        {21, {}, "Mismatched Power Supply Installed"},
        {22, {}, "Server Powered On"},
        {23, {}, "Server Powered Off"},
        {24, {}, "Server Power Reset"},
        {25, Bytes({1, 2, 3}), "Server Power Brownout"},
        {27, {}, "System Board Power Protection Fault"},
        {28, {}, "Power Supply or Power Backplane Detection Error"},
        {29, {}, "Power Management Features Disabled By Power Supply"},
        {33,
         {},
         "The system contains multiple types of power supplies.  Certain features are not supported and "
         "power "
         "redundancy may be limited"},
        {34,
         {},
         "A Power Supply hot-plug event occurred resulting in the system containing multiple types of power "
         "supplies when Dynamic Power Capping (DPC) is enabled.  DPC may not function properly in this "
         "state, and "
         "it is recommended power capping be disabled"},
        {35,
         {},
         "A Power Supply hot-plug event occurred resulting in the system containing multiple types of power "
         "supplies when High Efficiency Mode (HEM) is enabled.  HEM may not function properly in this state, "
         "and it "
         "is recommended HEM be disabled"},
        {36, EventBytes().Text("0x1A2B"), "Power On Denied (Service Information: 0x1A2B)"},
        {36, {}, "Power On Denied (Service Information: )"},
        // A percent sign in the service text is printed, never interpreted.
        {36, EventBytes().Text("100%s"), "Power On Denied (Service Information: 100%s)"},
    });
}

TEST(PowerEvents, CodesWithoutDescription) {
    ExpectDescriptions<PowerClass>({
        {0, Bytes({1, 0, 0, 1}), "Unknown Event (Class 0x0B, Code 0x00)"},
        {37, Bytes({1, 0, 0, 1}), "Unknown Event (Class 0x0B, Code 0x25)"},
        {255, {}, "Unknown Event (Class 0x0B, Code 0xFF)"},
        {257, Bytes({1, 0, 0, 1}), "Unknown Event (Class 0x0B, Code 0x101)"},
        {65535, {}, "Unknown Event (Class 0x0B, Code 0xFFFF)"},
    });
}

// A description longer than the buffer is cut and stays terminated, the appended detail included.
TEST(PowerEvents, DescriptionsAreCutToTheBuffer) {
    std::string detail(200, 'D');
    std::vector<uint8_t> clock = Bytes({0, 0}).At(3).Text(detail);
    EXPECT_EQ(Describe(PowerClass, 18, clock, 0, 64),
              ("Real-Time Clock Battery Failing, " + detail).substr(0, 63));
    EXPECT_EQ(Describe(PowerClass, 18, clock, 0, 32), "Real-Time Clock Battery Failing");
    EXPECT_EQ(Describe(PowerClass, 18, clock, 0, 33), "Real-Time Clock Battery Failing,");
    EXPECT_EQ(Describe(PowerClass, 18, clock, 0, 34), "Real-Time Clock Battery Failing, ");

    std::vector<uint8_t> located = Bytes({1, 0, 0, 1}).At(5).Text("").Text(detail);
    EXPECT_EQ(Describe(PowerClass, 17, located, 0, 20), "System AC Power Pro");
    EXPECT_EQ(Describe(PowerClass, 17, located), "System AC Power Problem (Power Supply 1), " + detail);

    std::string fault = Describe(PowerClass, 26, Bytes({0x12, 0x30, 0xAB}), 3, 24);
    EXPECT_EQ(fault, "System Power Fault Dete");

    // The longest texts the event data can hold still fit the full buffer whole.
    std::string name(EventDataSize - 5 - 2, 'N');
    std::vector<uint8_t> longest = Bytes({1, 3, 0, 1, 15}).At(5).Text(name).Text("T");
    std::string described = Describe(PowerClass, 19, longest);
    EXPECT_EQ(described,
              "External Chassis Power Supply: Input Power Loss or Unplugged Power Cord, Verify Power "
              "Supply Input (Chassis " +
                  name + ", Power Supply 1), T");
}

} // namespace
} // namespace kestrav::test
