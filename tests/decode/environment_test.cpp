// Machine environment descriptions: every sentence for every enclosure kind, the trailing and detail texts,
// storage enclosures, and texts that run to the end of the event data.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::test {
namespace {

using emulator::EventBytes;

constexpr uint16_t EnvironmentClass = 2;

// Codes 1, 10 and 14: kind, chassis or slot, sensor, location, temperature, then the two texts from offset 6.
EventBytes Heat(unsigned kind, unsigned number, unsigned sensor, unsigned location, unsigned temperature,
                const std::string& name = "", const std::string& detail = "") {
    EventBytes b;
    b.U8(kind).U8(number).U8(0).U8(sensor).U8(location).U8(temperature).Text(name).Text(detail);
    return b;
}

// Codes 2 to 5, 8 and 9: kind, chassis or slot, fan, location, then the two texts from offset 5.
EventBytes Fan(unsigned kind, unsigned number, unsigned fan, unsigned location, const std::string& name = "",
               const std::string& trailing = "") {
    EventBytes b;
    b.U8(kind).U8(number).U8(0).U8(fan).U8(location).Text(name).Text(trailing);
    return b;
}

// Codes 11 and 12: side, slot, fan or sensor, location, port, box, chassis and slot names from offset 8.
EventBytes Enclosure(unsigned side, unsigned slot, unsigned unit, unsigned location, const char port[2],
                     unsigned box, const std::string& chassis = "", const std::string& slotName = "") {
    EventBytes b;
    b.U8(side).U8(slot).U8(0).U8(unit).U8(location).U8(port[0]).U8(port[1]).U8(box).Text(chassis).Text(
        slotName);
    return b;
}

EventBytes Filled(size_t offset, size_t count, char c) {
    EventBytes b;
    b.At(offset);
    for (size_t i = 0; i < count; ++i) {
        b.U8(static_cast<uint8_t>(c));
    }
    return b;
}

std::string Unknown(uint16_t code) {
    char text[64];
    std::snprintf(text, sizeof text, "Unknown Event (Class 0x02, Code 0x%02X)", code);
    return text;
}

TEST(EnvironmentEvents, OverheatingByEnclosureKind) {
    ExpectDescriptions<EnvironmentClass>({
        {1, Heat(1, 0, 2, 3, 0xFF),
         "System Overheating (Temperature Sensor 2, Location CPU, Temperature Unknown)"},
        {1, Heat(1, 2, 1, 8, 45),
         "External Chassis Overheating (Chassis 2, Temperature Sensor 1, Location Ambient, Temperature 45C)"},
        {1, Heat(1, 2, 0xFF, 16, 45, "Rack7-Top"),
         "External Chassis Overheating (Chassis Rack7-Top, Temperature Sensor Unknown, Location Unknown, "
         "Temperature 45C)"},
        {1, Heat(1, 0xFF, 1, 255, 0),
         "External Chassis Overheating (Chassis Unknown, Temperature Sensor 1, Location Unknown, Temperature "
         "0C)"},
        {1, Heat(2, 4, 3, 5, 60),
         "External Storage System Overheating (Slot 4, Temperature Sensor 3, Location Storage, Temperature "
         "60C)"},
        {1, Heat(3, 0xFF, 1, 12, 50, "Bay2"),
         "Internal Storage System Overheating (Chassis Bay2, Slot Unknown, Temperature Sensor 1, Location "
         "Backplane, Temperature 50C)"},
        {1, Heat(4, 0x12, 5, 9, 38, "SGH44200LK"),
         "Server Blade Enclosure Overheating (Temperature Sensor 5, Location Chassis, Temperature 38C, "
         "Enclosure "
         "Serial Number SGH44200LK)"},
        {1, Heat(5, 0x12, 1, 7, 70).At(2).U8(0xAB),
         "Power Enclosure Overheating (Temperature Sensor 1, Location Power Supply, Temperature 70C, "
         "Enclosure "
         "Address 12AB)"},
        {1, Heat(4, 0x00, 1, 15, 30, " lead blank").At(2).U8(0x0C),
         "Server Blade Enclosure Overheating (Temperature Sensor 1, Location Virtual, Temperature 30C, "
         "Enclosure "
         "Address 000C)"},
        {1, Heat(0, 0, 1, 1, 40), Unknown(1)},
        {1, Heat(6, 0, 1, 1, 40), Unknown(1)},
        {10, Heat(1, 0, 2, 1, 41),
         "System Overheating (Temperature Sensor 2, Location System Board, Temperature 41C)"},
    });
}

TEST(EnvironmentEvents, FansAndSidePanelsByEnclosureKind) {
    ExpectDescriptions<EnvironmentClass>({
        {2, Fan(1, 0, 3, 1), "Fan Failure (Fan 3, Location System Board)"},
        {2, Fan(1, 1, 2, 2, "Expansion"),
         "External Chassis Fan Failure (Chassis Expansion, Fan 2, Location I/O Board)"},
        {2, Fan(2, 4, 1, 5), "External Storage System Fan Failure (Slot 4, Fan 1, Location Storage)"},
        {2, Fan(2, 4, 1, 5, "Rack2"),
         "External Storage System Fan Failure (Chassis Rack2, Slot 4, Fan 1, Location Storage)"},
        {2, Fan(3, 1, 0xFF, 6),
         "Internal Storage System Fan Failure (Slot 1, Fan Unknown, Location Removable Media)"},
        {2, Fan(4, 0, 7, 9, "BLD0042XYZ"),
         "Server Blade Enclosure Fan Failure (Fan 7, Location Chassis, Enclosure Serial Number BLD0042XYZ)"},
        {2, Fan(5, 0x3F, 2, 7, "").At(2).U8(0x01),
         "Power Enclosure Fan Failure (Fan 2, Location Power Supply, Enclosure Address 3F01)"},
        {2, Fan(0, 0, 2, 7), Unknown(2)},
        {3, Fan(1, 0, 0, 0), "Side panel removed or improperly installed"},
        {3, Fan(1, 3, 0, 0), "External Chassis side panel removed or improperly installed (Chassis 3)"},
        {3, Fan(2, 2, 0, 0), "External Storage System side panel removed or improperly installed (Slot 2)"},
        {3, Fan(3, 0xFF, 0, 0, "Cage A"),
         "Internal Storage System side panel removed or improperly installed (Chassis Cage A, Slot Unknown)"},
        {3, Fan(4, 0, 0, 0), "Server Blade Enclosure side panel removed or improperly installed"},
        {3, Fan(5, 0, 0, 0), "Power Enclosure side panel removed or improperly installed"},
        {3, Fan(7, 0, 0, 0), Unknown(3)},
        {4, Fan(1, 0, 4, 3), "System Fan Removed (Fan 4, Location CPU)"},
        {4, Fan(1, 2, 4, 3), "External Chassis Fan Removed (Chassis 2, Fan 4, Location CPU)"},
        {4, Fan(2, 1, 1, 4), "External Storage System Fan Removed (Slot 1, Fan 1, Location Memory)"},
        {4, Fan(3, 1, 1, 4, "Box1"),
         "Internal Storage System Fan Removed (Chassis Box1, Slot 1, Fan 1, Location Memory)"},
        {4, Fan(4, 0, 6, 9, "0123456789ABCDEFGHIJ"),
         "Server Blade Enclosure Fan Removed (Fan 6, Location Chassis, Enclosure Serial Number "
         "0123456789ABCDEF)"},
        {4, Fan(5, 0, 6, 9, "PWR9"),
         "Power Enclosure Fan Removed (Fan 6, Location Chassis, Enclosure Serial Number PWR9)"},
        {4, Fan(6, 0, 6, 9), Unknown(4)},
        {5, Fan(1, 0, 4, 10), "System Fan Inserted (Fan 4, Location Bridge Board)"},
        {5, Fan(1, 9, 4, 11), "External Chassis Fan Inserted (Chassis 9, Fan 4, Location Management Board)"},
        {5, Fan(2, 0, 1, 12), "External Storage System Fan Inserted (Slot 0, Fan 1, Location Backplane)"},
        {5, Fan(3, 2, 1, 13), "Internal Storage System Fan Inserted (Slot 2, Fan 1, Location Network Slot)"},
        {5, Fan(4, 0, 3, 14, "E1"),
         "Server Blade Enclosure Fan Inserted (Fan 3, Location Blade Slot, Enclosure Serial Number E1)"},
        {5, Fan(5, 0, 3, 14, "P1"),
         "Power Enclosure Fan Inserted (Fan 3, Location Blade Slot, Enclosure Serial Number P1)"},
        {5, Fan(0xFF, 0, 3, 14), Unknown(5)},
    });
}

TEST(EnvironmentEvents, FansNotRedundant) {
    auto redundancy = [](unsigned kind, unsigned number, unsigned location, const std::string& name = "") {
        EventBytes b;
        b.U8(kind).U8(number).U8(0).U8(location).Text(name);
        return b;
    };
    ExpectDescriptions<EnvironmentClass>({
        {6, redundancy(1, 0, 0), "System Fans Not Redundant (Location System)"},
        {6, redundancy(1, 4, 9, "North"),
         "External Chassis Fans Not Redundant (Chassis North, Location Chassis)"},
        {6, redundancy(2, 3, 5), "External Storage System Fans Not Redundant (Slot 3, Location Storage)"},
        {6, redundancy(3, 3, 5, "JBOD"),
         "Internal Storage System Fans Not Redundant (Chassis JBOD, Slot 3, Location Storage)"},
        {6, redundancy(4, 0, 9, "ENC77"),
         "Server Blade Enclosure Fans Not Redundant (Location Chassis, Enclosure Serial Number ENC77)"},
        {6, redundancy(5, 0, 7, "PE1"),
         "Power Enclosure Fans Not Redundant (Location Power Supply, Enclosure Serial Number PE1)"},
        {6, redundancy(0, 0, 7), Unknown(6)},
        {7, EventBytes().At(4).U8(9), "System Fans Not Redundant (Shared Location Chassis)"},
        {7, EventBytes().At(4).U8(200), "System Fans Not Redundant (Shared Location Unknown)"},
    });
}

TEST(EnvironmentEvents, TrailingTextAfterTheSentence) {
    ExpectDescriptions<EnvironmentClass>({
        {8, Fan(1, 0, 3, 1), "Fan Failure (Fan 3, Location System Board)"},
        {8, Fan(1, 0, 3, 1, "", "Replace fan 3"),
         "Fan Failure (Fan 3, Location System Board), Replace fan 3"},
        {8, Fan(2, 4, 1, 5, "Rack2", "Check cable"),
         "External Storage System Fan Failure (Chassis Rack2, Slot 4, Fan 1, Location Storage), Check cable"},
        {8, Fan(0, 0, 1, 5, "", "Orphan text"), ", Orphan text"},
        {8, Fan(0, 0, 1, 5), Unknown(8)},
        {9, Fan(1, 0, 0, 0, "", "Left panel"), "Side panel removed or improperly installed, Left panel"},
        {9, Fan(5, 0, 0, 0), "Power Enclosure side panel removed or improperly installed"},
        {10, Heat(1, 0, 2, 3, 80, "", "Shutdown pending"),
         "System Overheating (Temperature Sensor 2, Location CPU, Temperature 80C), Shutdown pending"},
        {10, Heat(4, 0, 2, 3, 80, "ENC1", "Throttled"),
         "Server Blade Enclosure Overheating (Temperature Sensor 2, Location CPU, Temperature 80C, Enclosure "
         "Serial Number ENC1), Throttled"},
        {10, Heat(9, 0, 2, 3, 80, "", "Only this"), ", Only this"},
    });
}

TEST(EnvironmentEvents, OverheatingWithDetail) {
    ExpectDescriptions<EnvironmentClass>({
        {14, Heat(1, 0, 0xFF, 3, 90, "", "Sensor lost"), "Critical Temperature Threshold Exceeded"},
        {14, Heat(1, 0, 4, 3, 90),
         "Critical Temperature Threshold Exceeded (Temperature Sensor 4, Location CPU, Temperature 90C)"},
        {14, Heat(1, 0, 4, 3, 90, "", "Caution 85C"),
         "Critical Temperature Threshold Exceeded (Temperature Sensor 4, Location CPU, Temperature 90C, "
         "Caution 85C)"},
        {14, Heat(1, 2, 4, 8, 0xFF, "", "Inlet"),
         "External Chassis Overheating (Chassis 2, Temperature Sensor 4, Location Ambient, Temperature "
         "Unknown, Inlet)"},
        {14, Heat(2, 1, 1, 5, 55, "R1"),
         "External Storage System Overheating (Chassis R1, Slot 1, Temperature Sensor 1, Location Storage, "
         "Temperature 55C)"},
        {14, Heat(3, 1, 1, 5, 55, "", "Drive bay"),
         "Internal Storage System Overheating (Slot 1, Temperature Sensor 1, Location Storage, Temperature "
         "55C, Drive bay)"},
        {14, Heat(4, 0, 1, 9, 40, "ENC2", "Rear"),
         "Server Blade Enclosure Overheating (Temperature Sensor 1, Location Chassis, Temperature 40C, "
         "Enclosure "
         "Serial Number ENC2, Rear)"},
        {14, Heat(5, 0, 1, 7, 40, "PE", ""),
         "Power Enclosure Overheating (Temperature Sensor 1, Location Power Supply, Temperature 40C, "
         "Enclosure "
         "Serial Number PE)"},
        {14, Heat(6, 0, 1, 7, 40, "", "Ignored"), Unknown(14)},
    });
}

TEST(EnvironmentEvents, StorageEnclosuresAndControllers) {
    ExpectDescriptions<EnvironmentClass>({
        {11, Enclosure(2, 3, 2, 5, "1E", 1),
         "External Storage Enclosure Fan Failure (Fan 2, Location Storage, Box 1, Port 1E, Slot 3)"},
        {11, Enclosure(3, 0xFF, 2, 5, "2I", 4, "Rack2"),
         "Internal Storage Enclosure Fan Failure (Fan 2, Location Storage, Box 4, Port 2I, Chassis Rack2, "
         "Slot Unknown)"},
        {11, Enclosure(7, 3, 255, 5, "1E", 255, "Rack2", "Embedded"),
         " Storage Enclosure Fan Failure (Fan 255, Location Storage, Box 255, Port 1E, Chassis Rack2, "
         "Embedded)"},
        {12, Enclosure(3, 1, 4, 12, "1I", 2, "", "Slot 0 (Embedded)"),
         "Internal Storage Enclosure Overheating (Temperature Sensor 4, Location Backplane, Box 2, Port 1I, "
         "Slot 0 "
         "(Embedded))"},
        // A zero port character ends the port early; the rest of the sentence still follows.
        {12, Enclosure(2, 1, 4, 12, "\0A", 2),
         "External Storage Enclosure Overheating (Temperature Sensor 4, Location Backplane, Box 2, Port , "
         "Slot 1)"},
        {12, Enclosure(2, 1, 4, 12, "B\0", 2),
         "External Storage Enclosure Overheating (Temperature Sensor 4, Location Backplane, Box 2, Port B, "
         "Slot 1)"},
        {15, EventBytes().U8(3).U8(0).U8(0).U8(4).U8(5).Text("").Text(""),
         "Internal Storage Controller Overheating (Temperature Sensor 4, Location Storage, Slot 0)"},
        {15, EventBytes().U8(2).U8(2).U8(0).U8(1).U8(99).Text("Rack9").Text("Slot 2"),
         "External Storage Controller Overheating (Temperature Sensor 1, Location Unknown, Chassis Rack9, "
         "Slot 2)"},
    });
}

TEST(EnvironmentEvents, FanModuleText) {
    auto module = [](unsigned fan, unsigned fanModule) {
        EventBytes b;
        b.U8(2).U8(5).U8(0).U8(fan).U8(fanModule).U8(5).U8('1').U8('E').U8(3).Text("").Text("");
        return b;
    };
    const std::string head = "External Storage Enclosure Fan Failure (";
    const std::string tail = ", Location Storage, Box 3, Port 1E, Slot 5)";
    ExpectDescriptions<EnvironmentClass>({
        {13, module(3, 2), head + "Fan 3, Fan Module 2" + tail},
        {13, module(0, 2), head + "Fan Module 2" + tail},
        {13, module(3, 0), head + "Fan 3" + tail},
        {13, module(0, 0), head + "Fan 0" + tail},
        {13, module(255, 255), head + "Fan 255, Fan Module 255" + tail},
    });
}

TEST(EnvironmentEvents, SensorsServiceTextsAndUnknownCodes) {
    ExpectDescriptions<EnvironmentClass>({
        {16, EventBytes().Text("Inlet 42C > 40C"),
         "Critical Temperature Threshold Exceeded (Service Information: Inlet 42C > 40C)"},
        {16, EventBytes().Text(""), "Critical Temperature Threshold Exceeded (Service Information: )"},
        {17, EventBytes().U8(3),
         "Temperature sensor has stopped reporting, Maximum Cooling enabled as a precaution (Temperature "
         "sensor 3)"},
        {18, EventBytes().U8(255),
         "Temperature sensor reporting restored, returning to previous Thermal Configuration (Temperature "
         "sensor "
         "255)"},
        {0, Fan(1, 0, 1, 1), Unknown(0)},
        {19, Fan(1, 0, 1, 1), Unknown(19)},
        {0xFFFF, Fan(1, 0, 1, 1), "Unknown Event (Class 0x02, Code 0xFFFF)"},
    });
}

// Texts with no terminator before the end of the event data end there; nothing past the area is read.
TEST(EnvironmentEvents, TextsRunningToTheEndOfTheEventData) {
    const std::string all(EventDataSize, 'A');
    const std::string chassis(EventDataSize - 5, 'C');
    const std::string trailing(EventDataSize - 11, 'T');
    const std::string detail(EventDataSize - 7, 'D');
    const std::string pairChassis(EventDataSize - 8, 'R');
    ExpectDescriptions<EnvironmentClass>({
        {16, Filled(0, EventDataSize, 'A'),
         "Critical Temperature Threshold Exceeded (Service Information: " + all + ")"},
        {8, Fan(1, 1, 1, 0, chassis, "lost"),
         "External Chassis Fan Failure (Chassis " + chassis + ", Fan 1, Location System)"},
        {8, Fan(1, 0, 1, 0, "Rack1", trailing), "Fan Failure (Fan 1, Location System), " + trailing},
        {14, Heat(1, 0, 1, 0, 50, "", detail),
         "Critical Temperature Threshold Exceeded (Temperature Sensor 1, Location System, Temperature 50C, " +
             detail + ")"},
        {11, Enclosure(2, 6, 1, 5, "1E", 1, pairChassis),
         "External Storage Enclosure Fan Failure (Fan 1, Location Storage, Box 1, Port 1E, Chassis " +
             pairChassis + ", Slot 6)"},
    });
}

} // namespace
} // namespace kestrav::test
