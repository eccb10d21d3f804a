// Descriptions of processor, host bus, PCI bus, expansion slot and POST message events
// (classes 5, 6, 8, 9 and 10).
#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// Work buffer for a tidied POST text; longer texts are cut to it.
constexpr size_t PostTextSize = 304;

// Offsets of the machine-check record (class 5, codes 3 and 6).
constexpr size_t ApicIdOffset = 2;
constexpr size_t BankOffset = 6;
constexpr size_t StatusOffset = 10;
constexpr size_t AddressOffset = 18;
constexpr size_t MiscOffset = 26;
constexpr size_t ProcNumberOffset = 34;

unsigned High(uint64_t value) {
    return static_cast<unsigned>(value >> 32);
}
unsigned Low(uint64_t value) {
    return static_cast<unsigned>(value & 0xFFFFFFFFu);
}

const char* TrayWord(uint8_t value) {
    switch (value) {
    case 1: return "Upper";
    case 2: return "Lower";
    default: return "Unknown";
    }
}

// The two formats of an expansion slot event: without a chassis (slot) and with one (chassis, slot).
struct SlotFormats {
    const char* plain;
    const char* withChassis;
};

bool SlotFormatsFor(uint16_t code, SlotFormats& formats) {
    switch (code) {
    case 1:
        formats = {"Slot Release Lever Opened (Slot %s)", "Slot Release Lever Opened (Chassis %s, Slot %s)"};
        break;
    case 2:
        formats = {"Slot Release Lever Closed (Slot %s)", "Slot Release Lever Closed (Chassis %s, Slot %s)"};
        break;
    case 3: formats = {"Slot Power On (Slot %s)", "Slot Power On (Chassis %s, Slot %s)"}; break;
    case 4: formats = {"Slot Power Off (Slot %s)", "Slot Power Off (Chassis %s, Slot %s)"}; break;
    case 5: formats = {"Slot Power Fault (Slot %s)", "Slot Power Fault (Chassis %s, Slot %s)"}; break;
    case 6: formats = {"Slot Power Up Fault (Slot %s)", "Slot Power Up Fault (Chassis %s, Slot %s)"}; break;
    case 7:
        formats = {"Unexpected Slot Power Loss (Slot %s)",
                   "Unexpected Slot Power Loss (Chassis %s, Slot %s)"};
        break;
    case 8:
        formats = {"Adapter Initialization Failure (Slot %s)",
                   "Adapter Initialization Failure (Chassis %s, Slot %s)"};
        break;
    case 9: formats = {"Adapter Failure (Slot %s)", "Adapter Failure (Chassis %s, Slot %s)"}; break;
    default: return false;
    }
    return true;
}

} // namespace

void FormatProcessorEvent(uint16_t code, const EventData& data, Writer& out) {
    char first[ScratchSize];
    char second[ScratchSize];
    const uint64_t status = data.Le64(StatusOffset);
    const uint64_t address = data.Le64(AddressOffset);
    const uint64_t misc = data.Le64(MiscOffset);
    switch (code) {
    case 1:
        out.Format("Processor Correctable error threshold exceeded (Board %s, Processor %s)",
                   FormatNumberOrUnknown(data.Byte(1), first), FormatNumberOrUnknown(data.Byte(0), second));
        break;
    case 2:
        out.Format("Processor Uncorrectable internal error (Board %s, Processor %s)",
                   FormatNumberOrUnknown(data.Byte(1), first), FormatNumberOrUnknown(data.Byte(0), second));
        break;
    case 3:
        // Unlike codes 1 and 2, the machine-check record puts the board first.
        out.Format(
            "Uncorrectable Machine Check Exception (Board %u, Processor %u, APIC ID 0x%08X, Bank 0x%08X, "
            "Status 0x%08X'%08X, Address 0x%08X'%08X, Misc 0x%08X'%08X)",
            static_cast<unsigned>(data.Byte(0)), static_cast<unsigned>(data.Byte(1)),
            static_cast<unsigned>(data.Le32(ApicIdOffset)), static_cast<unsigned>(data.Le32(BankOffset)),
            High(status), Low(status), High(address), Low(address), High(misc), Low(misc));
        break;
    case 4:
        out.Format("Processor Correctable error threshold exceeded (Proc %s (%s Tray, Processor %s))",
                   FormatNumberOrUnknown(data.Byte(3), first), TrayWord(data.Byte(1)),
                   FormatNumberOrUnknown(data.Byte(0), second));
        break;
    case 5:
        out.Format("Processor Uncorrectable internal error (Proc %s (%s Tray, Processor %s))",
                   FormatNumberOrUnknown(data.Byte(3), first), TrayWord(data.Byte(1)),
                   FormatNumberOrUnknown(data.Byte(0), second));
        break;
    case 6:
        out.Format("Uncorrectable Machine Check Exception (Proc %u (%s Tray, Processor %u), APIC ID 0x%08X, "
                   "Bank 0x%08X, Status 0x%08X'%08X, Address 0x%08X'%08X, Misc 0x%08X'%08X)",
                   static_cast<unsigned>(data.Byte(ProcNumberOffset)), TrayWord(data.Byte(0)),
                   static_cast<unsigned>(data.Byte(1)), static_cast<unsigned>(data.Le32(ApicIdOffset)),
                   static_cast<unsigned>(data.Le32(BankOffset)), High(status), Low(status), High(address),
                   Low(address), High(misc), Low(misc));
        break;
    }
}

void FormatHostBusEvent(uint16_t code, const EventData& data, Writer& out) {
    switch (code) {
    case 1:
        switch (data.Byte(0)) {
        case 0: out.Format("Unrecoverable Host Bus Address Parity error"); break;
        case 1: out.Format("Unrecoverable Host Bus Data Parity error"); break;
        }
        break;
    case 2:
        out.Format("Unrecoverable Intermodule Bus error (Error code 0x%08X)",
                   static_cast<unsigned>(data.Le32(0)));
        break;
    case 3:
        out.Format(
            "Uncorrectable QuickPath Interconnect Error (Local interface error status 0x%08X, Protocol "
            "error status 0x%08X)",
            static_cast<unsigned>(data.Le32(0)), static_cast<unsigned>(data.Le32(4)));
        break;
    case 4:
        out.Format("Uncorrectable Chipset Error (Error status 1 0x%08X, Error status 2 0x%08X)",
                   static_cast<unsigned>(data.Le32(0)), static_cast<unsigned>(data.Le32(4)));
        break;
    }
}

void FormatPciBusEvent(uint16_t code, const EventData& data, Writer& out) {
    char chassis[ScratchSize];
    char slot[ScratchSize];
    char bus[ScratchSize];
    char device[ScratchSize];
    char function[ScratchSize];
    switch (code) {
    case 1:
        if (data.Byte(1) != 0) {
            out.Format("PCI Bus Error (Chassis %s, Slot %s, Bus %s, Device %s, Function %s)",
                       FormatNumberOrUnknown(data.Byte(1), chassis),
                       FormatNumberOrUnknown(data.Byte(3), slot), FormatNumberOrUnknown(data.Byte(4), bus),
                       FormatNumberOrUnknown(data.Byte(5), device),
                       FormatNumberOrUnknown(data.Byte(6), function));
        } else {
            out.Format("PCI Bus Error (Slot %s, Bus %s, Device %s, Function %s)",
                       FormatNumberOrUnknown(data.Byte(3), slot), FormatNumberOrUnknown(data.Byte(4), bus),
                       FormatNumberOrUnknown(data.Byte(5), device),
                       FormatNumberOrUnknown(data.Byte(6), function));
        }
        break;
    case 2:
        if (data.Byte(0) == 0) {
            out.Format("Uncorrectable PCI Express Error (Embedded device, Bus %d, Device %d, Function %d, "
                       "Error status 0x%08X)",
                       data.Byte(1), data.Byte(2), data.Byte(3), static_cast<unsigned>(data.Le32(4)));
        } else {
            out.Format("Uncorrectable PCI Express Error (Slot %s, Bus %d, Device %d, Function %d, "
                       "Error status 0x%08X)",
                       FormatNumberOrUnknown(data.Byte(0), slot), data.Byte(1), data.Byte(2), data.Byte(3),
                       static_cast<unsigned>(data.Le32(4)));
        }
        break;
    }
}

void FormatSlotEvent(uint16_t code, const EventData& data, Writer& out) {
    SlotFormats formats;
    if (!SlotFormatsFor(code, formats)) {
        return;
    }
    char chassis[ScratchSize];
    char slot[ScratchSize];
    const char* slotText = FormatNumberOrUnknown(data.Byte(3), slot);
    if (data.Byte(1) != 0) {
        out.Format(formats.withChassis, FormatNumberOrUnknown(data.Byte(1), chassis), slotText);
    } else {
        out.Format(formats.plain, slotText);
    }
}

void FormatPostEvent(uint16_t code, const EventData& data, Writer& out) {
    char text[PostTextSize];
    switch (code) {
    // A POST error's message starts after its leading byte, which is not shown.
    case 1: out.Format("POST Error: %s", CollapseWhitespace(text, data.Text(1))); break;
    case 2: out.Format("POST Information: %s", CollapseWhitespace(text, data.Text(0))); break;
    case 3: out.Format("Option ROM POST Error: %s", CollapseWhitespace(text, data.Text(0))); break;
    case 4: out.Format("Option ROM POST Information: %s", CollapseWhitespace(text, data.Text(0))); break;
    }
}

} // namespace kestrav
