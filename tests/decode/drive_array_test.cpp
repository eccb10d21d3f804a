// Descriptions of class 19 (drive array) and class 38 (carrier) events, checked as whole texts through the
// description dispatcher.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "emulator/healthsim/seed_samples.h"
#include "record/log_entry.h"

namespace kestrav::test {
namespace {

using emulator::EventBytes;

constexpr uint16_t kDriveArray = 19;
constexpr uint16_t kCarrier = 38;

// Side, slot, bay, port, box and the chassis and slot name pair of an enclosure device event.
std::vector<uint8_t> Device(unsigned side, unsigned slot, unsigned bay, char port0, char port1, unsigned box,
                            const char* chassis = "", const char* slotName = "") {
    return EventBytes().U8(side).U8(slot).At(3).U8(bay).U8(port0).U8(port1).U8(box).Text(chassis).Text(
        slotName);
}

TEST(DriveArrayEvent, ControllerEvents) {
    ExpectDescriptions(
        kDriveArray,
        {
            {1, EventBytes().U8(0).U8(0).U8(0).U8(4).Text("Rack2"),
             "Drive Array Controller Failure (Slot 4)"},
            {1, EventBytes().U8(0).U8(0).U8(0).U8(255), "Drive Array Controller Failure (Slot Unknown)"},
            {1, EventBytes().U8(0).U8(2).U8(0).U8(3).Text("Rack2"),
             "Drive Array Controller Failure (Chassis Rack2, Slot 3)"},
            {1, EventBytes().U8(0).U8(2).U8(0).U8(3), "Drive Array Controller Failure (Chassis 2, Slot 3)"},
            {1, EventBytes().U8(0).U8(255).U8(0).U8(255),
             "Drive Array Controller Failure (Chassis Unknown, Slot Unknown)"},
            {2, EventBytes().U8(0).U8(1).U8(2).U8(3).Text("Rack2"),
             "Drive Array Device Failure (Chassis Rack2, Slot 1, Bus 2, Bay 3)"},
            {2, EventBytes().U8(0).U8(255).U8(255).U8(255),
             "Drive Array Device Failure (Slot Unknown, Bus Unknown, Bay Unknown)"},
            {3, EventBytes().U8(0).U8(0).U8(1).U8(5).Text("Rack2"),
             "Drive Array Cache Module Battery Failure (Bus 1, Slot 5)"},
            {3, EventBytes().U8(0).U8(3).U8(1).U8(5).Text("Expansion A"),
             "Drive Array Cache Module Battery Failure (Chassis Expansion A, Bus 1, Slot 5)"},
            {3, EventBytes().U8(0).U8(3).U8(255).U8(5),
             "Drive Array Cache Module Battery Failure (Chassis 3, Bus Unknown, Slot 5)"},
            {4, EventBytes().U8(0).U8(0).U8(0).Text("Rack7"), "Drive Array Controllers No Longer Redundant"},
            {4, EventBytes().U8(0).U8(1).U8(0).Text("Rack7"),
             "Drive Array Controllers No Longer Redundant (Chassis Rack7)"},
            // Code 4 reads its chassis name from offset 3, not 4.
            {4, EventBytes().U8(0).U8(1).U8(0).U8(0).Text("Wrong"),
             "Drive Array Controllers No Longer Redundant (Chassis 1)"},
            {9, EventBytes().U8(0).U8(2), "Drive Array Controllers No Longer Redundant (Slot 2)"},
            {9, EventBytes().U8(0).U8(255), "Drive Array Controllers No Longer Redundant (Slot Unknown)"},
            {9, EventBytes().U8(0).U8(2).U8(0).Text("").Text("Embedded"),
             "Drive Array Controllers No Longer Redundant (Embedded)"},
            {9, EventBytes().U8(0).U8(2).U8(0).Text("Rack2").Text(""),
             "Drive Array Controllers No Longer Redundant (Chassis Rack2, Slot 2)"},
            // Codes 14 and 16 take the slot number from byte 3.
            {14, EventBytes().U8(0).U8(7).U8(0).U8(2),
             "Drive Array Controller Cache Module Not Installed (Slot 2)"},
            {14, EventBytes().U8(0).U8(7).U8(0).U8(2).Text("Rack2").Text("Embedded"),
             "Drive Array Controller Cache Module Not Installed (Chassis Rack2, Embedded)"},
            {16, EventBytes().U8(0).U8(7).U8(0).U8(255),
             "Drive Array Controller Cache Module Not Compatible With Controller (Slot Unknown)"},
            {16, EventBytes().U8(0).U8(7).U8(0).U8(1).Text("").Text("Slot 1 Upper"),
             "Drive Array Controller Cache Module Not Compatible With Controller (Slot 1 Upper)"},
        });
}

TEST(DriveArrayEvent, EnclosureDeviceEvents) {
    ExpectDescriptions(
        kDriveArray,
        {
            {7, Device(2, 4, 5, '1', 'I', 1),
             "External Storage Enclosure Device Failure (Bay 5, Box 1, Port 1I, Slot 4)"},
            {13, Device(2, 4, 5, '1', 'I', 1),
             "External Storage Enclosure Device Failure (Bay 5, Box 1, Port 1I, Slot 4)"},
            {7, Device(3, 0, 12, '2', 'E', 3, "Rack2", "Embedded"),
             "Internal Storage Enclosure Device Failure (Bay 12, Box 3, Port 2E, Chassis Rack2, Embedded)"},
            {7, Device(0, 255, 5, '1', 'I', 1, "Rack2"),
             " Storage Enclosure Device Failure (Bay 5, Box 1, Port 1I, Chassis Rack2, Slot Unknown)"},
            {7, Device(4, 4, 255, '1', 'I', 255),
             " Storage Enclosure Device Failure (Bay 255, Box 255, Port 1I, Slot 4)"},
            // A NUL ends the port early.
            {7, Device(2, 4, 5, '\0', 'I', 1),
             "External Storage Enclosure Device Failure (Bay 5, Box 1, Port , Slot 4)"},
            {7, Device(2, 4, 5, '2', '\0', 1),
             "External Storage Enclosure Device Failure (Bay 5, Box 1, Port 2, Slot 4)"},
            {12, Device(3, 1, 2, '1', 'I', 1),
             "Internal Storage Enclosure Device SMART Wear Error (Bay 2, Box 1, Port 1I, Slot 1)"},
            {8, EventBytes().U8(3).U8(255).At(3).U8('2').U8('E').U8(2).U8(1).U8(17).Text("Rack2").Text(""),
             "Internal Storage Enclosure PHY Link Error (PHY 17, Expander 1, Box 2, Port 2E, Chassis Rack2, "
             "Slot Unknown)"},
            {11, EventBytes().U8(2).U8(1).At(3).U8('1').U8('E').U8(3).Text("").Text("Port Slot"),
             "External SAS Array Storage Enclosure Processor Failure (Box 3, Port 1E, Port Slot)"},
            {11, EventBytes().U8(2).U8(1).At(3).U8('1').U8('E').U8(3),
             "External SAS Array Storage Enclosure Processor Failure (Box 3, Port 1E, Slot 1)"},
        });
    ExpectDescriptions(kCarrier,
                       {
                           {1, Device(2, 4, 5, '1', 'I', 1),
                            "External Storage Enclosure Device Not Authenticated As Genuine (Bay 5, Box 1, "
                            "Port 1I, Slot 4)"},
                           {1, Device(1, 0, 8, '3', 'I', 2, "Rack9", "Bay Slot"),
                            " Storage Enclosure Device Not Authenticated As Genuine (Bay 8, Box 2, Port 3I, "
                            "Chassis Rack9, Bay Slot)"},
                           {2, Device(2, 4, 5, '1', 'I', 1), "Unknown Event (Class 0x26, Code 0x02)"},
                           {0, Device(2, 4, 5, '1', 'I', 1), "Unknown Event (Class 0x26, Code 0x00)"},
                       });
}

TEST(DriveArrayEvent, PhyLinkPaths) {
    const char* const paths[] = {"Error path unknown",
                                 "Storage controller to external storage box",
                                 "Storage controller to internal device",
                                 "Storage controller to onboard expander",
                                 "Onboard expander to external storage box",
                                 "Onboard expander to internal device",
                                 "Storage box to storage box",
                                 "Storage box to bay in storage box",
                                 "Storage controller to switch expander",
                                 "Switch expander to storage box"};
    const std::pair<unsigned, const char*> cases[] = {
        {0, paths[0]},  {1, paths[1]},  {2, paths[2]},   {3, paths[3]}, {4, paths[4]},
        {5, paths[5]},  {6, paths[6]},  {7, paths[7]},   {8, paths[8]}, {9, paths[9]},
        {10, paths[0]}, {12, paths[0]}, {255, paths[0]},
    };
    for (const auto& [path, name] : cases) {
        std::vector<uint8_t> data = EventBytes().U8(2).U8(1).At(3).U8('1').U8('E').U8(3).U8(path);
        EXPECT_EQ(Describe(kDriveArray, 10, data),
                  std::string("External Storage Enclosure PHY Link Error (") + name +
                      ", Box 3, Port 1E, Slot 1)")
            << path;
    }
}

TEST(DriveArrayEvent, DisabledPhyDeviceTypes) {
    const std::pair<unsigned, const char*> types[] = {
        {1, "Physical SATA Device"},
        {2, "Physical SAS Device"},
        {3, "Logical SATA Device"},
        {4, "Logical SAS Device"},
        {5, "Expander"},
        {6, "Storage Enclosure Processor"},
        {7, "SAS Controller"},
        {15, "Unsupported Device"},
        {253, "Connector"},
        {254, "Protocol Adapter"},
        {0, "Unknown Device"},
        {8, "Unknown Device"},
        {16, "Unknown Device"},
        {255, "Unknown Device"},
    };
    for (const auto& [type, name] : types) {
        std::vector<uint8_t> data = EventBytes().U8(3).U8(0).At(3).U8('1').U8('I').U8(type).U8(5);
        EXPECT_EQ(Describe(kDriveArray, 15, data),
                  std::string("Internal Storage Enclosure PHY Disabled (Between ") + name +
                      " and Expander, Port 1I, Slot 0)")
            << type;
        data[5] = 2;
        data[6] = static_cast<uint8_t>(type);
        EXPECT_EQ(Describe(kDriveArray, 15, data),
                  std::string("Internal Storage Enclosure PHY Disabled (Between "
                              "Physical SAS Device and ") +
                      name + ", Port 1I, Slot 0)")
            << type;
    }
    EXPECT_EQ(Describe(kDriveArray, 15, EventBytes().U8(2).U8(6).At(3).U8('1').U8('I').U8(0).U8(0)),
              "External Storage Enclosure PHY Disabled (Between Unknown Device and Unknown Device, Port 1I, "
              "Slot 6)");
}

TEST(DriveArrayEvent, PhyLinkEndpoints) {
    struct Endpoint {
        unsigned box, bay, type;
        const char* text;
    };
    const Endpoint endpoints[] = {
        {1, 4, 1, "SATA Device, Box 1, Bay 4"},
        {2, 11, 2, "SAS Device, Box 2, Bay 11"},
        {3, 0, 5, "SAS Expander, Box 3, Bay 0"},
        {1, 4, 16, "Switch Expander"},
        {1, 4, 17, "Unknown Device Type"},
        {1, 4, 254, "SAS Controller"},
        {1, 4, 9, "Unknown Device Type 0x09, Box 1, Bay 4"},
        {0, 0, 0, "Unknown Device Type 0x00, Box 0, Bay 0"},
        {255, 255, 255, "Unknown Device Type 0xFF, Box 255, Bay 255"},
        {7, 8, 6, "Unknown Device Type 0x06, Box 7, Bay 8"},
    };
    for (const Endpoint& e : endpoints) {
        std::vector<uint8_t> detecting =
            EventBytes().U8(2).U8(3).At(3).U8('1').U8('E').U8(e.box).U8(e.bay).U8(e.type).U8(1).U8(2).U8(254);
        EXPECT_EQ(Describe(kDriveArray, 17, detecting),
                  std::string("External Storage Enclosure PHY Link Error (Detected By ") + e.text +
                      ", Attached To SAS Controller, Port 1E, Slot 3)")
            << e.type;
        std::vector<uint8_t> attached = EventBytes()
                                            .U8(3)
                                            .U8(3)
                                            .At(3)
                                            .U8('1')
                                            .U8('E')
                                            .U8(0)
                                            .U8(0)
                                            .U8(16)
                                            .U8(e.box)
                                            .U8(e.bay)
                                            .U8(e.type)
                                            .Text("Rack2")
                                            .Text("Embedded");
        EXPECT_EQ(
            Describe(kDriveArray, 17, attached),
            std::string(
                "Internal Storage Enclosure PHY Link Error (Detected By Switch Expander, Attached To ") +
                e.text + ", Port 1E, Chassis Rack2, Embedded)")
            << e.type;
    }
}

TEST(DriveArrayEvent, UnlistedCodesLeaveTheFallback) {
    const std::pair<uint16_t, const char*> cases[] = {
        {0, "Unknown Event (Class 0x13, Code 0x00)"},   {5, "Unknown Event (Class 0x13, Code 0x05)"},
        {6, "Unknown Event (Class 0x13, Code 0x06)"},   {18, "Unknown Event (Class 0x13, Code 0x12)"},
        {255, "Unknown Event (Class 0x13, Code 0xFF)"}, {1000, "Unknown Event (Class 0x13, Code 0x3E8)"},
    };
    for (const auto& [code, expected] : cases) {
        EXPECT_EQ(Describe(kDriveArray, code, Device(2, 4, 5, '1', 'I', 1)), expected) << code;
    }
}

// Names that run to the end of the event data are cut there and never overrun the description.
TEST(DriveArrayEvent, NamesFillingTheEventData) {
    std::vector<uint8_t> data(EventDataSize, 'S');
    data[0] = 2;
    data[1] = 1;
    data[2] = 0;
    for (size_t i = 3; i < 203; ++i) {
        data[i] = 'C';
    }
    data[203] = 0;
    EXPECT_EQ(Describe(kDriveArray, 9, data), "Drive Array Controllers No Longer Redundant (Chassis " +
                                                  std::string(200, 'C') + ", " + std::string(24, 'S') + ")");

    std::vector<uint8_t> unterminated(EventDataSize, 'N');
    unterminated[0] = 0;
    unterminated[1] = 1;
    EXPECT_EQ(Describe(kDriveArray, 4, unterminated),
              "Drive Array Controllers No Longer Redundant (Chassis " + std::string(225, 'N') + ")");
    unterminated[7] = 2;
    EXPECT_EQ(Describe(kDriveArray, 17, unterminated), " Storage Enclosure PHY Link Error (Detected By SAS "
                                                       "Device, Box 78, Bay 78, Attached To Unknown Device "
                                                       "Type 0x4E, Box 78, Bay 78, Port NN, Chassis " +
                                                           std::string(217, 'N') + ", Slot 1)");
}

} // namespace
} // namespace kestrav::test
