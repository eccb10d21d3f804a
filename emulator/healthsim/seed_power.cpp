// Sample power subsystem events (class 11): power supplies and modules at the server, in external chassis,
// storage systems and enclosures, the batteries, power states and power faults.
#include "emulator/healthsim/seed_samples.h"

#include <utility>

namespace kestrav::emulator {

namespace {

constexpr uint16_t PowerClass = 11;
constexpr uint8_t Informational = 2;
constexpr uint8_t Caution = 9;
constexpr uint8_t Critical = 15;

// Location types of byte 0.
constexpr unsigned Chassis = 1;
constexpr unsigned ExternalStorage = 2;
constexpr unsigned InternalStorage = 3;
constexpr unsigned BladeEnclosure = 4;
constexpr unsigned PowerEnclosure = 5;

// The four bytes that open every located event: location type, chassis or slot (or the enclosure address,
// high byte first) and the power supply or module number.
EventBytes Located(unsigned type, unsigned chassisOrSlot, unsigned addressLow, unsigned part) {
    EventBytes bytes;
    bytes.U8(type).U8(chassisOrSlot).U8(addressLow).U8(part);
    return bytes;
}

SeedSample Sample(uint16_t code, uint8_t severity, std::vector<uint8_t> data) {
    return SeedSample{PowerClass, code, severity, std::move(data)};
}

} // namespace

std::vector<SeedSample> PowerSamples() {
    return {
        // Power supply failures (byte 4 the failure code, names from 5).
        Sample(1, Critical, Located(Chassis, 0, 0, 2).U8(2).Text("")),
        Sample(1, Critical, Located(Chassis, 0, 0, 1).U8(15).Text("")),
        Sample(1, Critical, Located(ExternalStorage, 4, 0, 1).U8(9).Text("Rack7")),
        Sample(1, Critical, Located(BladeEnclosure, 0x01, 0x2C, 3).U8(0).Text("SGH7250JRX")),
        Sample(19, Critical,
               Located(Chassis, 0, 0, 2).U8(15).Text("").Text("AC input 0V, check PDU breaker")),
        Sample(19, Critical,
               Located(PowerEnclosure, 0x00, 0x41, 6).U8(2).Text("").Text("Fan 2 below 800 RPM")),

        // Supplies removed, inserted, powered up and down (names from 4).
        Sample(4, Caution, Located(Chassis, 0, 0, 2).Text("")),
        Sample(4, Caution, Located(InternalStorage, 2, 0, 1).Text("")),
        Sample(5, Informational, Located(Chassis, 0, 0, 2).Text("")),
        Sample(5, Informational, Located(Chassis, 3, 0, 1).Text("Rack7-East")),
        Sample(5, Informational, Located(PowerEnclosure, 0, 0, 4).Text("USE4381KX2")),
        Sample(10, Informational, Located(Chassis, 0, 0, 1).Text("")),
        Sample(10, Informational, Located(BladeEnclosure, 0x00, 0x2C, 5).Text("SGH7250JRX")),
        Sample(11, Informational, Located(Chassis, 0, 0, 1).Text("")),
        Sample(11, Caution, Located(ExternalStorage, 3, 0, 2).Text("Rack2")),

        // Redundancy lost: code 6 names from 3 (enclosures: component in 3, serial from 4), 7 from 6, 15
        // from 3.
        Sample(6, Caution, Located(Chassis, 0, 0, 0).Text("")),
        Sample(6, Caution, EventBytes().U8(Chassis).U8(2).U8(0).Text("Rack7-East")),
        Sample(6, Caution, Located(PowerEnclosure, 0x00, 0x41, 2).Text("USE4381KX2")),
        Sample(7, Caution, Located(InternalStorage, 1, 0, 0).U8(0).U8(0).Text("")),
        Sample(15, Caution, EventBytes().U8(Chassis).U8(0).U8(0).Text("")),

        // AC power problems and overloads (byte 4: power-line event or voltage at an enclosure; names from
        // 5).
        Sample(8, Caution, Located(Chassis, 0, 0, 1).U8(0).Text("")),
        Sample(8, Caution, Located(BladeEnclosure, 0x01, 0x2C, 2).U8(5).Text("SGH7250JRX")),
        Sample(17, Caution, Located(PowerEnclosure, 0x00, 0x41, 1).U8(4).Text("").Text("Feed A below 180V")),
        Sample(17, Caution, Located(Chassis, 0, 0, 2).U8(0).Text("").Text("")),
        Sample(9, Critical, Located(Chassis, 0, 0, 2).U8(0).Text("")),
        Sample(9, Critical, Located(PowerEnclosure, 0x00, 0x41, 3).U8(12).Text("USE4381KX2")),

        // Power modules.
        Sample(12, Critical, Located(Chassis, 0, 0, 1).U8(0).Text("")),
        Sample(13, Caution, Located(Chassis, 2, 0, 1).Text("Rack7-East")),
        Sample(14, Informational, Located(Chassis, 2, 0, 1).Text("Rack7-East")),
        Sample(16, Critical, Located(ExternalStorage, 5, 0, 2).U8(0).Text("")),
        Sample(3, Critical, EventBytes().U8(Chassis).U8(0).U8(0).U8(0).U8(1).U8(1)),
        Sample(3, Critical, EventBytes().U8(ExternalStorage).U8(2).U8(0).U8(4).U8(0).U8(2)),

        // Real-time clock battery.
        Sample(2, Caution, EventBytes().U8(0).U8(0)),
        Sample(18, Caution, EventBytes().U8(0).U8(0).U8(0).Text("CMOS settings reset to defaults")),

        // Storage enclosure power supply: side, slot, supply, port, box, then the chassis and slot names.
        Sample(20, Critical, EventBytes().U8(2).U8(3).U8(0).U8(1).U8('1').U8('E').U8(1).Text("").Text("")),
        Sample(20, Critical,
               EventBytes().U8(3).U8(0).U8(0).U8(2).U8('2').U8('I').U8(0).Text("").Text("Embedded")),

        // Server power states and configuration.
        Sample(21, Caution, {}),
        Sample(22, Informational, {}),
        Sample(23, Informational, {}),
        Sample(24, Informational, {}),
        Sample(25, Caution, {}),
        Sample(27, Critical, {}),
        Sample(28, Critical, {}),
        Sample(29, Caution, {}),
        Sample(33, Caution, {}),
        Sample(34, Caution, {}),
        Sample(35, Caution, {}),

        // System power fault: two service bytes, then the module bytes the event-data length counts.
        Sample(26, Critical, EventBytes().U8(0x12).U8(0x34).U8(0xAB).U8(0x01)),
        Sample(26, Critical, EventBytes().U8(0x02).U8(0x30)),

        // Storage batteries: number, then the 32-bit service value.
        Sample(30, Caution, EventBytes().U8(1)),
        Sample(31, Critical, EventBytes().U8(1).Le32(6)),
        Sample(31, Caution, EventBytes().U8(1).Le32(7)),
        Sample(32, Caution, EventBytes().U8(1)),

        Sample(36, Caution, EventBytes().Text("0x0004 PS mismatch")),
    };
}

} // namespace kestrav::emulator
