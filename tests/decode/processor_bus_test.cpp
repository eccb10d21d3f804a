// Descriptions of processor, host bus, PCI bus, expansion slot and POST events, checked through the
// dispatcher.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::test {
namespace {

using emulator::EventBytes;

// A machine-check record: the two leading bytes, APIC ID, bank, then status, address and misc as 64-bit
// values, each stored low half first.
EventBytes MachineCheck(uint8_t b0, uint8_t b1) {
    EventBytes bytes;
    bytes.U8(b0).U8(b1).Le32(0x00000010).Le32(0x00000004);
    bytes.Le32(0x00000001).Le32(0x00000002); // status
    bytes.Le32(0xDEADBEEF).Le32(0x0000000F); // address
    bytes.Le32(0x12345678).Le32(0x9ABCDEF0); // misc
    return bytes;
}

const char* const kMachineCheckValues = "APIC ID 0x00000010, Bank 0x00000004, Status 0x00000002'00000001, "
                                        "Address 0x0000000F'DEADBEEF, Misc 0x9ABCDEF0'12345678)";

TEST(ProcessorEventTest, DescribesEveryCode) {
    const std::string mce = kMachineCheckValues;
    ExpectDescriptions(
        5, {
               {1, EventBytes().U8(2).U8(1),
                "Processor Correctable error threshold exceeded (Board 1, Processor 2)"},
               {1, EventBytes().U8(0xFF).U8(0xFF),
                "Processor Correctable error threshold exceeded (Board Unknown, Processor Unknown)"},
               {2, EventBytes().U8(3).U8(0), "Processor Uncorrectable internal error (Board 0, Processor 3)"},
               {2, EventBytes().U8(0xFF).U8(4),
                "Processor Uncorrectable internal error (Board 4, Processor Unknown)"},
               // The machine-check record names the board first and prints raw numbers, 255 included.
               {3, MachineCheck(1, 2), "Uncorrectable Machine Check Exception (Board 1, Processor 2, " + mce},
               {3, MachineCheck(0xFF, 0xFF),
                "Uncorrectable Machine Check Exception (Board 255, Processor 255, " + mce},
               {3, EventBytes(),
                "Uncorrectable Machine Check Exception (Board 0, Processor 0, APIC ID 0x00000000, "
                "Bank 0x00000000, Status 0x00000000'00000000, Address 0x00000000'00000000, "
                "Misc 0x00000000'00000000)"},
               {4, EventBytes().U8(1).U8(1).U8(0).U8(5),
                "Processor Correctable error threshold exceeded (Proc 5 (Upper Tray, Processor 1))"},
               {4, EventBytes().U8(0xFF).U8(3).U8(0).U8(0xFF),
                "Processor Correctable error threshold exceeded (Proc Unknown (Unknown Tray, Processor "
                "Unknown))"},
               {5, EventBytes().U8(0).U8(2).U8(0).U8(2),
                "Processor Uncorrectable internal error (Proc 2 (Lower Tray, Processor 0))"},
               {5, EventBytes().U8(7).U8(0).U8(0).U8(1),
                "Processor Uncorrectable internal error (Proc 1 (Unknown Tray, Processor 7))"},
               {6, MachineCheck(2, 3).At(34).U8(7),
                "Uncorrectable Machine Check Exception (Proc 7 (Lower Tray, Processor 3), " + mce},
               {6, MachineCheck(1, 0).At(34).U8(0),
                "Uncorrectable Machine Check Exception (Proc 0 (Upper Tray, Processor 0), " + mce},
               {6, MachineCheck(0xFF, 0xFF).At(34).U8(0xFF),
                "Uncorrectable Machine Check Exception (Proc 255 (Unknown Tray, Processor 255), " + mce},
               {0, EventBytes().U8(1).U8(1), "Unknown Event (Class 0x05, Code 0x00)"},
               {7, EventBytes().U8(1).U8(1), "Unknown Event (Class 0x05, Code 0x07)"},
               {0x103, MachineCheck(1, 2), "Unknown Event (Class 0x05, Code 0x103)"},
           });
}

TEST(HostBusEventTest, DescribesEveryCode) {
    ExpectDescriptions(6, {
                              {1, EventBytes().U8(0), "Unrecoverable Host Bus Address Parity error"},
                              {1, EventBytes().U8(1), "Unrecoverable Host Bus Data Parity error"},
                              {1, EventBytes().U8(2), "Unknown Event (Class 0x06, Code 0x01)"},
                              {1, EventBytes().U8(0xFF), "Unknown Event (Class 0x06, Code 0x01)"},
                              {2, EventBytes().Le32(0x0000ABCD),
                               "Unrecoverable Intermodule Bus error (Error code 0x0000ABCD)"},
                              {3, EventBytes().Le32(0x80000001).Le32(0x00FF00FF),
                               "Uncorrectable QuickPath Interconnect Error (Local interface error status "
                               "0x80000001, Protocol error status 0x00FF00FF)"},
                              {4, EventBytes().Le32(1).Le32(0xFFFFFFFF),
                               "Uncorrectable Chipset Error (Error status 1 0x00000001, Error status 2 "
                               "0xFFFFFFFF)"},
                              {0, EventBytes(), "Unknown Event (Class 0x06, Code 0x00)"},
                              {5, EventBytes().Le32(1), "Unknown Event (Class 0x06, Code 0x05)"},
                          });
}

TEST(PciBusEventTest, DescribesEveryCode) {
    ExpectDescriptions(
        8,
        {
            {1, EventBytes().U8(0).U8(2).U8(0).U8(4).U8(26).U8(0).U8(1),
             "PCI Bus Error (Chassis 2, Slot 4, Bus 26, Device 0, Function 1)"},
            {1, EventBytes().U8(0).U8(0).U8(0).U8(4).U8(26).U8(0).U8(1),
             "PCI Bus Error (Slot 4, Bus 26, Device 0, Function 1)"},
            {1, EventBytes().U8(0).U8(0xFF).U8(0).U8(0xFF).U8(0xFF).U8(0xFF).U8(0xFF),
             "PCI Bus Error (Chassis Unknown, Slot Unknown, Bus Unknown, Device Unknown, Function Unknown)"},
            {2, EventBytes().U8(0).U8(5).U8(0).U8(0).Le32(0x00100000),
             "Uncorrectable PCI Express Error (Embedded device, Bus 5, Device 0, Function 0, Error status "
             "0x00100000)"},
            {2, EventBytes().U8(3).U8(0x40).U8(31).U8(7).Le32(0xC0000000),
             "Uncorrectable PCI Express Error (Slot 3, Bus 64, Device 31, Function 7, Error status "
             "0xC0000000)"},
            // Bus, device and function are raw numbers: 255 stays a number while the slot becomes "Unknown".
            {2, EventBytes().U8(0xFF).U8(0xFF).U8(0xFF).U8(0xFF).Le32(0),
             "Uncorrectable PCI Express Error (Slot Unknown, Bus 255, Device 255, Function 255, Error status "
             "0x00000000)"},
            {0, EventBytes(), "Unknown Event (Class 0x08, Code 0x00)"},
            {3, EventBytes().U8(1), "Unknown Event (Class 0x08, Code 0x03)"},
        });
}

TEST(SlotEventTest, DescribesEveryCodeWithAndWithoutChassis) {
    const char* const sentences[] = {
        "Slot Release Lever Opened",
        "Slot Release Lever Closed",
        "Slot Power On",
        "Slot Power Off",
        "Slot Power Fault",
        "Slot Power Up Fault",
        "Unexpected Slot Power Loss",
        "Adapter Initialization Failure",
        "Adapter Failure",
    };
    std::vector<Case> cases;
    for (uint16_t code = 1; code <= 9; ++code) {
        const std::string sentence = sentences[code - 1];
        cases.push_back({code, EventBytes().U8(0).U8(0).U8(0).U8(6), sentence + " (Slot 6)"});
        cases.push_back({code, EventBytes().U8(0).U8(3).U8(0).U8(6), sentence + " (Chassis 3, Slot 6)"});
    }
    cases.push_back(
        {7, EventBytes().U8(0).U8(0).U8(0).U8(0xFF), "Unexpected Slot Power Loss (Slot Unknown)"});
    cases.push_back(
        {9, EventBytes().U8(0).U8(0xFF).U8(0).U8(0), "Adapter Failure (Chassis Unknown, Slot 0)"});
    cases.push_back({0, EventBytes().U8(0).U8(1).U8(0).U8(1), "Unknown Event (Class 0x09, Code 0x00)"});
    cases.push_back({10, EventBytes().U8(0).U8(1).U8(0).U8(1), "Unknown Event (Class 0x09, Code 0x0A)"});
    ExpectDescriptions(9, cases);
}

TEST(PostEventTest, TidiesTheFirmwareText) {
    const std::string full(EventDataSize, 'x');
    std::vector<uint8_t> unterminated(full.begin(), full.end());
    ExpectDescriptions(
        10,
        {
            // A POST error's text starts after its leading byte.
            {1, EventBytes().U8('9').Text("  Memory   test\tfailed \r\n"), "POST Error: Memory test failed"},
            {1, EventBytes().U8('9'), "POST Error: "},
            {2, EventBytes().Text("1785-Slot 1 Drive Array Not Configured"),
             "POST Information: 1785-Slot 1 Drive Array Not Configured"},
            {2, EventBytes().Text(" \r\n \n\t  "), "POST Information: "},
            {2, EventBytes(), "POST Information: "},
            {3, EventBytes().Text("\nOption ROM\v checksum\f error "),
             "Option ROM POST Error: Option ROM checksum error"},
            {4, EventBytes().Text("Embedded NIC\r\nPXE boot agent"),
             "Option ROM POST Information: Embedded NIC PXE boot agent"},
            // A text that fills the whole area without a terminator is kept up to the area's end.
            {2, unterminated, "POST Information: " + full},
            {1, unterminated, "POST Error: " + full.substr(1)},
            {0, EventBytes().Text("text"), "Unknown Event (Class 0x0A, Code 0x00)"},
            {5, EventBytes().Text("text"), "Unknown Event (Class 0x0A, Code 0x05)"},
        });
}

} // namespace
} // namespace kestrav::test
