// Sample processor, bus, slot, POST, operating system, network adapter and SCSI events for a seeded device.
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::emulator {

namespace {

constexpr uint8_t Informational = 2;
constexpr uint8_t Caution = 9;
constexpr uint8_t Critical = 15;

// A machine-check record as the firmware writes it: two location bytes, APIC ID, bank, then the 64-bit
// status, address and misc registers, low half first.
EventBytes MachineCheck(uint8_t first, uint8_t second, uint32_t apicId, uint32_t bank, uint64_t status,
                        uint64_t address, uint64_t misc) {
    EventBytes bytes;
    bytes.U8(first).U8(second).Le32(apicId).Le32(bank);
    for (uint64_t value : {status, address, misc}) {
        bytes.Le32(static_cast<uint32_t>(value)).Le32(static_cast<uint32_t>(value >> 32));
    }
    return bytes;
}

// Network adapter events: chassis number, port, slot and the chassis name.
EventBytes Adapter(uint8_t chassis, uint8_t port, uint8_t slot, std::string_view chassisName) {
    EventBytes bytes;
    bytes.U8(0).U8(chassis).U8(port).U8(slot).Text(chassisName);
    return bytes;
}

} // namespace

std::vector<SeedSample> ProcessorOsSamples() {
    return {
        // CPU
        {5, 1, Caution, EventBytes().U8(1).U8(0)},
        {5, 2, Critical, EventBytes().U8(0).U8(1)},
        {5, 3, Critical,
         MachineCheck(0, 1, 0x00000020, 0x00000004, 0xBE00000000800400ull, 0x000000017F3A2C40ull,
                      0x0000000086000086ull)},
        {5, 4, Caution, EventBytes().U8(2).U8(1).U8(0).U8(3)},
        {5, 5, Critical, EventBytes().U8(1).U8(2).U8(0).U8(6)},
        {5, 6, Critical,
         MachineCheck(2, 1, 0x00000046, 0x00000007, 0xFA00000000010005ull, 0x0000003FFE401000ull, 0x0ull)
             .At(34)
             .U8(6)},
        // Host bus
        {6, 1, Critical, EventBytes().U8(1)},
        {6, 2, Critical, EventBytes().Le32(0x00008003)},
        {6, 3, Critical, EventBytes().Le32(0x00000200).Le32(0x00010000)},
        {6, 4, Critical, EventBytes().Le32(0x00000010).Le32(0x00000000)},
        // PCI bus
        {8, 1, Critical, EventBytes().U8(0).U8(0).U8(0).U8(3).U8(0x0B).U8(0).U8(0)},
        {8, 1, Critical, EventBytes().U8(0).U8(2).U8(0).U8(5).U8(0x21).U8(0).U8(1)},
        {8, 2, Critical, EventBytes().U8(0).U8(0x02).U8(0).U8(0).Le32(0x00004000)},
        {8, 2, Critical, EventBytes().U8(4).U8(0x84).U8(0).U8(0).Le32(0x00100000)},
        // Expansion slot
        {9, 1, Informational, EventBytes().U8(0).U8(0).U8(0).U8(4)},
        {9, 2, Informational, EventBytes().U8(0).U8(0).U8(0).U8(4)},
        {9, 3, Informational, EventBytes().U8(0).U8(1).U8(0).U8(2)},
        {9, 4, Informational, EventBytes().U8(0).U8(1).U8(0).U8(2)},
        {9, 5, Critical, EventBytes().U8(0).U8(0).U8(0).U8(6)},
        {9, 6, Critical, EventBytes().U8(0).U8(0).U8(0).U8(1)},
        {9, 7, Critical, EventBytes().U8(0).U8(2).U8(0).U8(3)},
        {9, 8, Critical, EventBytes().U8(0).U8(0).U8(0).U8(5)},
        {9, 9, Critical, EventBytes().U8(0).U8(0).U8(0).U8(7)},
        // POST messages: firmware texts with their line breaks and padding.
        {10, 1, Caution,
         EventBytes().U8(0x01).Text("  1785-Slot 1 Drive Array Not Configured\r\n  No Drives "
                                    "Detected\r\n")},
        {10, 1, Caution,
         EventBytes().U8(0x02).Text("207-Invalid Memory Configuration -\r\nDIMMs must be installed "
                                    "in pairs\r\n")},
        {10, 2, Informational, EventBytes().Text("Processor 2 initialized at 2400 MHz  ")},
        {10, 3, Caution, EventBytes().Text("Slot 3 Option ROM:\r\n   Controller firmware checksum error")},
        {10, 4, Informational, EventBytes().Text("Embedded NIC 1\tPXE boot agent v2.1 loaded")},
        // Operating system
        {14, 1, Critical, EventBytes().Text("Kernel stop 0x0000007E (0xC0000005, 0xFFFFF80002A3B000)")},
        {14, 2, Critical, EventBytes().U8(1)},
        {14, 2, Critical, EventBytes().U8(2)},
        {14, 2, Informational, EventBytes().U8(130)},
        {14, 2, Informational, EventBytes().U8(133)},
        {14, 2, Critical, EventBytes().U8(134)},
        {14, 3, Critical, EventBytes().U8(14).Text("Page Fault")},
        {14, 4, Critical, EventBytes()},
        {14, 5, Informational, EventBytes().At(3).U8(2).U8(14)},
        {14, 5, Informational, EventBytes().At(3).U8(1).U8(13)},
        {14, 6, Critical, EventBytes()},
        // Network adapter
        {17, 1, Critical, Adapter(0, 1, 2, "")},
        {17, 2, Caution, Adapter(0, 2, 1, "")},
        {17, 3, Caution, Adapter(1, 1, 4, "Rack 12 Bay A")},
        {17, 4, Caution, Adapter(0, 1, 2, "")},
        {17, 5, Caution, Adapter(2, 2, 3, "")},
        {17, 6, Caution, Adapter(0, 1, 1, "").Text("NIC Team 1: link lost on port 1")},
        {17, 7, Caution, Adapter(1, 2, 1, "Rack 12 Bay A").Text("NIC Team 1: 1 of 2 adapters active")},
        // SCSI subsystem
        {18, 1, Critical, EventBytes().U8(0).U8(0).U8(0).U8(3).Text("")},
        {18, 1, Critical, EventBytes().U8(0).U8(1).U8(0).U8(2).Text("Rack 12 Bay A")},
        {18, 2, Critical, EventBytes().U8(0).U8(3).U8(0).U8(2).Text("")},
        {18, 2, Critical, EventBytes().U8(0).U8(1).U8(1).U8(4).Text("Rack 12 Bay A")},
        {18, 3, Caution, EventBytes().U8(0).U8(0).U8(0)},
        {18, 3, Caution, EventBytes().U8(0).U8(1).U8(0).Text("Rack 12 Bay A")},
    };
}

} // namespace kestrav::emulator
