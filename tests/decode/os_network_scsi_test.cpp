// Descriptions of operating system, network adapter and SCSI events, checked through the dispatcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::test {
namespace {

using emulator::EventBytes;

TEST(OsEventTest, DescribesEveryCode) {
    ExpectDescriptions(
        14, {
                {1, EventBytes().Text("Kernel stop 0x0000007E"),
                 "Operating System failure (Kernel stop 0x0000007E)"},
                {1, EventBytes(), "Operating System failure ()"},
                {3, EventBytes().U8(14).Text("Page Fault"), "Fatal Exception (Number 14, Cause Page Fault)"},
                {3, EventBytes().U8(0xFF), "Fatal Exception (Number Unknown, Cause )"},
                {4, EventBytes(), "User Initiated NMI Switch"},
                {5, EventBytes().At(3).U8(4).U8(13),
                 "Server Blade Enclosure Network Component Shutdown Via Power Management Software (Slot 4)"},
                {5, EventBytes().At(3).U8(0xFF).U8(14),
                 "Server Blade Enclosure Blade Shutdown Via Power Management Software (Slot Unknown)"},
                {5, EventBytes().At(3).U8(4).U8(12), "Unknown Event (Class 0x0E, Code 0x05)"},
                {5, EventBytes().At(3).U8(4).U8(0), "Unknown Event (Class 0x0E, Code 0x05)"},
                {6, EventBytes(), "User Remotely Initiated NMI Switch"},
                {0, EventBytes().Text("x"), "Unknown Event (Class 0x0E, Code 0x00)"},
                {7, EventBytes().Text("x"), "Unknown Event (Class 0x0E, Code 0x07)"},
            });
}

TEST(OsEventTest, NamesEveryShutdownReason) {
    const std::string shutdown = "Automatic Operating System Shutdown";
    const std::vector<std::pair<uint8_t, std::string>> reasons = {
        {1, shutdown + " Initiated Due to Fan Failure"},
        {2, shutdown + " Initiated Due to Overheat Condition"},
        {3, shutdown + " Initiated Due to VRM Failure"},
        {4, shutdown + " Initiated Due to Power Supply Failure"},
        {129, shutdown + " Aborted"},
        {130, shutdown + " Due to Fan Failure Aborted"},
        {131, shutdown + " Due to Overheat Aborted"},
        {132, shutdown + " Due to VRM Failure Aborted"},
        {133, shutdown + " Initiated by a Soft Power Down"},
        {134, shutdown + " Initiated by Software Automatic Server Recovery"},
        {136, shutdown + " Due to Power Supply Failure Aborted"},
        {0, shutdown},
        {5, shutdown},
        {128, shutdown},
        {135, shutdown},
        {137, shutdown},
        {255, shutdown},
    };
    std::vector<Case> cases;
    for (const auto& [reason, text] : reasons) {
        cases.push_back({2, EventBytes().U8(reason), text});
    }
    ExpectDescriptions(14, cases);
}

// Network adapter layout: chassis number, port, slot, chassis name, then an optional detail text.
EventBytes Adapter(uint8_t chassis, uint8_t port, uint8_t slot, const char* name) {
    EventBytes bytes;
    bytes.U8(0).U8(chassis).U8(port).U8(slot).Text(name);
    return bytes;
}

TEST(NetworkEventTest, DescribesEveryCodeWithAndWithoutChassis) {
    const char* const sentences[] = {
        "Network Adapter Fault",
        "Network Adapter Link Down",
        "Network Adapter Transmit Timeout",
        "Network Adapters No Longer Redundant",
        "Network Adapters Redundancy Reduced",
        "Network Adapter Link Down",
        "Network Adapters Redundancy Reduced",
    };
    std::vector<Case> cases;
    for (uint16_t code = 1; code <= 7; ++code) {
        const std::string sentence = sentences[code - 1];
        cases.push_back({code, Adapter(0, 1, 2, ""), sentence + " (Slot 2, Port 1)"});
        cases.push_back({code, Adapter(1, 1, 2, "Rack A"), sentence + " (Chassis Rack A, Slot 2, Port 1)"});
    }
    ExpectDescriptions(17, cases);
}

TEST(NetworkEventTest, NamesChassisAndAppendsDetail) {
    std::string longName(EventDataSize - 4, 'N');
    ExpectDescriptions(
        17,
        {
            {1, Adapter(2, 0, 3, ""), "Network Adapter Fault (Chassis 2, Slot 3, Port 0)"},
            {1, Adapter(0xFF, 0xFF, 0xFF, ""),
             "Network Adapter Fault (Chassis Unknown, Slot Unknown, Port Unknown)"},
            // Without a chassis number the name is not shown.
            {3, Adapter(0, 1, 2, "Rack A"), "Network Adapter Transmit Timeout (Slot 2, Port 1)"},
            {6, Adapter(0, 1, 2, "").Text("Cable unplugged"),
             "Network Adapter Link Down (Slot 2, Port 1), Cable unplugged"},
            {6, Adapter(3, 1, 2, "Rack A").Text("Cable unplugged"),
             "Network Adapter Link Down (Chassis Rack A, Slot 2, Port 1), Cable unplugged"},
            {6, Adapter(3, 1, 2, "Rack A").Text(""),
             "Network Adapter Link Down (Chassis Rack A, Slot 2, Port 1)"},
            // The detail follows the chassis name even when no chassis is named.
            {7, Adapter(0, 4, 5, "Rack B").Text("Team 1"),
             "Network Adapters Redundancy Reduced (Slot 5, Port 4), Team 1"},
            {7, Adapter(1, 4, 5, "").Text("Team 1"),
             "Network Adapters Redundancy Reduced (Chassis 1, Slot 5, Port 4), Team 1"},
            // Only codes 6 and 7 carry a detail.
            {2, Adapter(0, 1, 2, "").Text("Cable unplugged"), "Network Adapter Link Down (Slot 2, Port 1)"},
            {5, Adapter(0, 1, 2, "").Text("Team 1"), "Network Adapters Redundancy Reduced (Slot 2, Port 1)"},
            // A chassis name that runs to the end of the area leaves no room for a detail.
            {6, Adapter(1, 1, 2, longName.c_str()),
             "Network Adapter Link Down (Chassis " + longName + ", Slot 2, Port 1)"},
            {0, Adapter(1, 1, 2, "Rack A"), "Unknown Event (Class 0x11, Code 0x00)"},
            {8, Adapter(1, 1, 2, "Rack A"), "Unknown Event (Class 0x11, Code 0x08)"},
        });
}

TEST(ScsiEventTest, DescribesEveryCode) {
    ExpectDescriptions(
        18,
        {
            {1, EventBytes().U8(0).U8(0).U8(0).U8(3).Text("Rack2"), "SCSI Controller Failure (Slot 3)"},
            {1, EventBytes().U8(0).U8(1).U8(0).U8(3).Text("Rack2"),
             "SCSI Controller Failure (Chassis Rack2, Slot 3)"},
            {1, EventBytes().U8(0).U8(4).U8(0).U8(0xFF).Text(""),
             "SCSI Controller Failure (Chassis 4, Slot Unknown)"},
            {1, EventBytes().U8(0).U8(0xFF).U8(0).U8(1), "SCSI Controller Failure (Chassis Unknown, Slot 1)"},
            {2, EventBytes().U8(0).U8(1).U8(0).U8(5).Text("Rack2"),
             "SCSI Device Failure (Chassis Rack2, Slot 1, Bus 0, Bay 5)"},
            {2, EventBytes().U8(0).U8(1).U8(0).U8(5).Text(""), "SCSI Device Failure (Slot 1, Bus 0, Bay 5)"},
            {2, EventBytes().U8(0).U8(0xFF).U8(0xFF).U8(0xFF),
             "SCSI Device Failure (Slot Unknown, Bus Unknown, Bay Unknown)"},
            {3, EventBytes().U8(0).U8(0).U8(0).Text("Rack2"), "SCSI Controllers No Longer Redundant"},
            {3, EventBytes().U8(0).U8(1).U8(0).Text("Rack2"),
             "SCSI Controllers No Longer Redundant (Chassis Rack2)"},
            // The redundancy event's name starts at offset 3, one byte before the other SCSI events'.
            {3, EventBytes().U8(0).U8(1).U8(0).U8(0).Text("Rack2"),
             "SCSI Controllers No Longer Redundant (Chassis 1)"},
            {3, EventBytes().U8(0).U8(0xFF), "SCSI Controllers No Longer Redundant (Chassis Unknown)"},
            {0, EventBytes().U8(0).U8(1).U8(0).U8(3), "Unknown Event (Class 0x12, Code 0x00)"},
            {4, EventBytes().U8(0).U8(1).U8(0).U8(3), "Unknown Event (Class 0x12, Code 0x04)"},
        });
}

} // namespace
} // namespace kestrav::test
