// Descriptions of operating system, network adapter and SCSI subsystem events (classes 14, 17, 18).
#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// Room for a chassis name taken from the event data, or a chassis prefix built around one.
constexpr size_t ChassisTextSize = EventDataSize + 16;

// Where the chassis name starts in network adapter events and in SCSI controller and device events.
constexpr size_t ChassisNameOffset = 4;
// SCSI redundancy events keep their chassis name one byte earlier.
constexpr size_t RedundancyChassisNameOffset = 3;

// Blade enclosure component kinds of a power-management shutdown.
constexpr uint8_t NetworkComponentKind = 13;
constexpr uint8_t BladeKind = 14;

const char* ShutdownText(uint8_t reason) {
    switch (reason) {
    case 1: return "Automatic Operating System Shutdown Initiated Due to Fan Failure";
    case 2: return "Automatic Operating System Shutdown Initiated Due to Overheat Condition";
    case 3: return "Automatic Operating System Shutdown Initiated Due to VRM Failure";
    case 4: return "Automatic Operating System Shutdown Initiated Due to Power Supply Failure";
    case 129: return "Automatic Operating System Shutdown Aborted";
    case 130: return "Automatic Operating System Shutdown Due to Fan Failure Aborted";
    case 131: return "Automatic Operating System Shutdown Due to Overheat Aborted";
    case 132: return "Automatic Operating System Shutdown Due to VRM Failure Aborted";
    case 133: return "Automatic Operating System Shutdown Initiated by a Soft Power Down";
    case 134: return "Automatic Operating System Shutdown Initiated by Software Automatic Server Recovery";
    case 136: return "Automatic Operating System Shutdown Due to Power Supply Failure Aborted";
    default: return "Automatic Operating System Shutdown";
    }
}

// The two formats of a network adapter event: without a chassis (slot, port) and with one (chassis, slot,
// port).
struct NetworkFormats {
    const char* plain;
    const char* withChassis;
};

bool NetworkFormatsFor(uint16_t code, NetworkFormats& formats) {
    switch (code) {
    case 1:
        formats = {"Network Adapter Fault (Slot %s, Port %s)",
                   "Network Adapter Fault (Chassis %s, Slot %s, Port %s)"};
        return true;
    case 2:
    case 6:
        formats = {"Network Adapter Link Down (Slot %s, Port %s)",
                   "Network Adapter Link Down (Chassis %s, Slot %s, Port %s)"};
        return true;
    case 3:
        formats = {"Network Adapter Transmit Timeout (Slot %s, Port %s)",
                   "Network Adapter Transmit Timeout (Chassis %s, Slot %s, Port %s)"};
        return true;
    case 4:
        formats = {"Network Adapters No Longer Redundant (Slot %s, Port %s)",
                   "Network Adapters No Longer Redundant (Chassis %s, Slot %s, Port %s)"};
        return true;
    case 5:
    case 7:
        formats = {"Network Adapters Redundancy Reduced (Slot %s, Port %s)",
                   "Network Adapters Redundancy Reduced (Chassis %s, Slot %s, Port %s)"};
        return true;
    default: return false;
    }
}

} // namespace

void FormatOsEvent(uint16_t code, const EventData& data, Writer& out) {
    char number[ScratchSize];
    switch (code) {
    case 1: out.Format("Operating System failure (%s)", data.Text(0)); break;
    case 2: out.Format("%s", ShutdownText(data.Byte(0))); break;
    case 3:
        out.Format("Fatal Exception (Number %s, Cause %s)", FormatNumberOrUnknown(data.Byte(0), number),
                   data.Text(1));
        break;
    case 4: out.Format("User Initiated NMI Switch"); break;
    case 5:
        switch (data.Byte(4)) {
        case NetworkComponentKind:
            out.Format(
                "Server Blade Enclosure Network Component Shutdown Via Power Management Software (Slot %s)",
                FormatNumberOrUnknown(data.Byte(3), number));
            break;
        case BladeKind:
            out.Format("Server Blade Enclosure Blade Shutdown Via Power Management Software (Slot %s)",
                       FormatNumberOrUnknown(data.Byte(3), number));
            break;
        }
        break;
    case 6: out.Format("User Remotely Initiated NMI Switch"); break;
    }
}

void FormatNetworkEvent(uint16_t code, const EventData& data, Writer& out) {
    NetworkFormats formats;
    if (!NetworkFormatsFor(code, formats)) {
        return;
    }
    char chassis[ChassisTextSize];
    char slot[ScratchSize];
    char port[ScratchSize];
    const char* slotText = FormatNumberOrUnknown(data.Byte(3), slot);
    const char* portText = FormatNumberOrUnknown(data.Byte(2), port);
    if (data.Byte(1) != 0) {
        out.Format(formats.withChassis,
                   FormatNameOrNumber(data.Byte(1), data.Text(ChassisNameOffset), chassis), slotText,
                   portText);
    } else {
        out.Format(formats.plain, slotText, portText);
    }
    // Link-down and redundancy-reduced reports may carry a detail text after the chassis name, which is
    // stored (possibly empty) even when no chassis is named.
    if (code == 6 || code == 7) {
        const char* detail = data.Text(data.After(ChassisNameOffset));
        if (detail[0] != '\0') {
            out.Append(", %s", detail);
        }
    }
}

void FormatScsiEvent(uint16_t code, const EventData& data, Writer& out) {
    char chassis[ChassisTextSize];
    char slot[ScratchSize];
    char bus[ScratchSize];
    char bay[ScratchSize];
    switch (code) {
    case 1:
        if (data.Byte(1) != 0) {
            out.Format("SCSI Controller Failure (Chassis %s, Slot %s)",
                       FormatNameOrNumber(data.Byte(1), data.Text(ChassisNameOffset), chassis),
                       FormatNumberOrUnknown(data.Byte(3), slot));
        } else {
            out.Format("SCSI Controller Failure (Slot %s)", FormatNumberOrUnknown(data.Byte(3), slot));
        }
        break;
    case 2:
        out.Format("SCSI Device Failure (%sSlot %s, Bus %s, Bay %s)",
                   FormatChassisPrefix(data.Text(ChassisNameOffset), chassis),
                   FormatNumberOrUnknown(data.Byte(1), slot), FormatNumberOrUnknown(data.Byte(2), bus),
                   FormatNumberOrUnknown(data.Byte(3), bay));
        break;
    case 3:
        if (data.Byte(1) != 0) {
            out.Format("SCSI Controllers No Longer Redundant (Chassis %s)",
                       FormatNameOrNumber(data.Byte(1), data.Text(RedundancyChassisNameOffset), chassis));
        } else {
            out.Format("SCSI Controllers No Longer Redundant");
        }
        break;
    }
}

} // namespace kestrav
