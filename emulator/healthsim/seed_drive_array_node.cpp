// Sample drive array (class 19), QRC node-controller (class 37) and carrier (class 38) events, laid out as
// the array controller, the enclosure firmware and the QRC boards' service processors write them.
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::emulator {

namespace {

constexpr uint16_t kDriveArray = 19;
constexpr uint16_t kQrc = 37;
constexpr uint16_t kCarrier = 38;

constexpr unsigned kExternal = 2;
constexpr unsigned kInternal = 3;
constexpr unsigned kUpperBoard = 0x8A;
constexpr unsigned kLowerBoard = 0x8C;

// An enclosure event that names a bay: side, slot, bay, two port characters, box, chassis and slot names.
EventBytes EnclosureBay(unsigned side, unsigned slot, unsigned bay, const char* port, unsigned box,
                        const char* chassis, const char* slotName) {
    EventBytes b;
    b.U8(side).U8(slot).At(3).U8(bay).U8(port[0]).U8(port[1]).U8(box).Text(chassis).Text(slotName);
    return b;
}

} // namespace

std::vector<SeedSample> DriveArrayNodeSamples() {
    return {
        // Array controllers and their cache modules.
        {kDriveArray, 1, 15, EventBytes().U8(0).U8(0).U8(0).U8(3)},
        {kDriveArray, 1, 15, EventBytes().U8(0).U8(1).U8(0).U8(2).Text("Rack 12")},
        {kDriveArray, 2, 15, EventBytes().U8(0).U8(3).U8(0).U8(4).Text("")},
        {kDriveArray, 3, 9, EventBytes().U8(0).U8(0).U8(2).U8(1)},
        {kDriveArray, 4, 9, EventBytes().U8(0).U8(0)},
        {kDriveArray, 4, 9, EventBytes().U8(0).U8(1).U8(0).Text("Rack 12")},
        {kDriveArray, 9, 9, EventBytes().U8(0).U8(2).U8(0).Text("").Text("")},
        {kDriveArray, 14, 9, EventBytes().U8(0).U8(0).U8(0).U8(1).Text("").Text("")},
        {kDriveArray, 16, 9, EventBytes().U8(0).U8(0).U8(0).U8(0).Text("").Text("Embedded")},
        // Storage enclosures behind the controllers.
        {kDriveArray, 7, 15, EnclosureBay(kExternal, 2, 3, "1E", 1, "", "")},
        {kDriveArray, 13, 15, EnclosureBay(kInternal, 0, 5, "1I", 1, "", "Embedded")},
        {kDriveArray, 12, 9, EnclosureBay(kInternal, 0, 2, "2I", 1, "", "Embedded")},
        {kDriveArray, 8, 9,
         EventBytes().U8(kExternal).U8(2).At(3).U8('1').U8('E').U8(1).U8(0).U8(5).Text("Rack 12").Text("")},
        {kDriveArray, 10, 9,
         EventBytes().U8(kExternal).U8(2).At(3).U8('2').U8('E').U8(2).U8(4).Text("").Text("")},
        {kDriveArray, 11, 15, EventBytes().U8(kExternal).U8(2).At(3).U8('1').U8('E').U8(1).Text("").Text("")},
        {kDriveArray, 15, 9,
         EventBytes().U8(kInternal).U8(0).At(3).U8('1').U8('I').U8(2).U8(5).Text("").Text("Embedded")},
        {kDriveArray, 17, 9,
         EventBytes()
             .U8(kExternal)
             .U8(2)
             .At(3)
             .U8('1')
             .U8('E')
             .U8(1)
             .U8(0)
             .U8(5)
             .U8(1)
             .U8(7)
             .U8(2)
             .Text("")
             .Text("")},
        {kCarrier, 1, 9, EnclosureBay(kExternal, 3, 2, "2E", 2, "Rack 12", "")},

        // The QRC boards of the two trays.
        {kQrc, 1, 15,
         EventBytes().U8(kUpperBoard).U8(1).U8('0').U8(0x02).U8(0x41).Be32(0x0000E010).Be32(0x80000001)},
        {kQrc, 2, 15,
         EventBytes().U8(kLowerBoard).U8(0x12).U8(0x03).Be32(0x00C0FFEE).Be32(0x00000004).Be16(0x0501)},
        {kQrc, 4, 15, EventBytes().U8(kUpperBoard).U8(0x00).U8(0x21).Be16(0x0106).Be16(0x0206)},
        {kQrc, 6, 15, EventBytes().U8(kLowerBoard).U8(2)},
        {kQrc, 7, 15, EventBytes().U8(kUpperBoard).U8(0).U8(3).U8(3)},
        {kQrc, 7, 9, EventBytes().U8(kLowerBoard).U8(1).U8(1).U8(2)},
        {kQrc, 8, 15, EventBytes().U8(kUpperBoard).U8(0).U8(1).U8(3)},
        {kQrc, 8, 9, EventBytes().U8(kLowerBoard).U8(1).U8(2).U8(1)},
        {kQrc, 9, 15, EventBytes().U8(kUpperBoard)},
        {kQrc, 10, 15, EventBytes().U8(kLowerBoard)},
        {kQrc, 52, 15, EventBytes().U8(kUpperBoard)},
        {kQrc, 53, 9, EventBytes().U8(kUpperBoard).U8(6)},
        {kQrc, 57, 9, EventBytes().U8(kLowerBoard).U8(0x30).U8(0x01).U8(0x00).U8(0x10).U8(0x00).U8(0x00)},
        {kQrc, 64, 9, EventBytes().U8(kUpperBoard).U8(1).U8(0x04).U8(0x00).U8(0x02)},
        {kQrc, 81, 2, EventBytes().U8(kLowerBoard)},
        {kQrc, 128, 15, EventBytes().U8(kLowerBoard).U8(0x03)},
        {kQrc, 129, 9, EventBytes().U8(kUpperBoard).U8(0x01)},
        {kQrc, 130, 15, EventBytes().U8(kLowerBoard).U8(0x22)},
        {kQrc, 131, 9, EventBytes().U8(kUpperBoard)},
        {kQrc, 132, 15, EventBytes().U8(kLowerBoard)},
        {kQrc, 192, 15, EventBytes().U8(8).U8(0x01).U8(0x10).U8(0x00).U8(0x2C).U8(0x81).U8(0x00).U8(0x07)},
        {kQrc, 193, 9, EventBytes().U8(5).U8(0x02).U8(0x04).U8(0x00).U8(0x11)},
        {kQrc, 196, 15, EventBytes().U8(7).U8(0x03).U8(2).U8(0x40).U8(0x00).U8(0x00).U8(0x09)},
        {kQrc, 197, 9, EventBytes().U8(5).U8(0x00).U8(1).U8(0x20).U8(0x03)},
    };
}

} // namespace kestrav::emulator
