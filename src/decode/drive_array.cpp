// Descriptions of class 19 (array controllers, their devices and cache modules, and the failures a storage
// enclosure reports about its devices, expanders and PHY links) and of the carrier event of class 38.
#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

constexpr size_t kNameTextSize = EventDataSize + 16; // a name taken from the event data, with its decoration
constexpr size_t kEndpointSize = 64;                 // the longest PHY link end with numbers

// The path of a failed PHY link, from event-data byte 6.
constexpr const char* kPhyLinkPathNames[] = {"Error path unknown",
                                             "Storage controller to external storage box",
                                             "Storage controller to internal device",
                                             "Storage controller to onboard expander",
                                             "Onboard expander to external storage box",
                                             "Onboard expander to internal device",
                                             "Storage box to storage box",
                                             "Storage box to bay in storage box",
                                             "Storage controller to switch expander",
                                             "Switch expander to storage box"};
static_assert(std::size(kPhyLinkPathNames) == 10);
constexpr NameTable PhyLinkPathNames = MakeNameTable(kPhyLinkPathNames, kPhyLinkPathNames[0]);

const char* DeviceTypeName(uint8_t type) {
    switch (type) {
    case 1: return "Physical SATA Device";
    case 2: return "Physical SAS Device";
    case 3: return "Logical SATA Device";
    case 4: return "Logical SAS Device";
    case 5: return "Expander";
    case 6: return "Storage Enclosure Processor";
    case 7: return "SAS Controller";
    case 15: return "Unsupported Device";
    case 253: return "Connector";
    case 254: return "Protocol Adapter";
    default: return "Unknown Device";
    }
}

// One end of a PHY link: devices and expanders sit in a box and bay, controllers and switches do not.
const char* FormatPhyEndpoint(std::span<char> out, uint8_t box, uint8_t bay, uint8_t type) {
    switch (type) {
    case 1: return FormatInto(out, "SATA Device, Box %u, Bay %u", box, bay);
    case 2: return FormatInto(out, "SAS Device, Box %u, Bay %u", box, bay);
    case 5: return FormatInto(out, "SAS Expander, Box %u, Bay %u", box, bay);
    case 16: return FormatInto(out, "Switch Expander");
    case 17: return FormatInto(out, "Unknown Device Type");
    case 254: return FormatInto(out, "SAS Controller");
    default: return FormatInto(out, "Unknown Device Type 0x%02X, Box %u, Bay %u", type, box, bay);
    }
}

} // namespace

void FormatDriveArrayEvent(uint16_t code, const EventData& data, Writer& out) {
    char number[ScratchSize];
    char number2[ScratchSize];
    char number3[ScratchSize];
    char name[kNameTextSize];
    char slot[SlotTextSize];
    char port[4];
    const char* side = StorageSideWord(data);
    switch (code) {
    case 1:
        if (data.Byte(1) == 0) {
            out.Format("Drive Array Controller Failure (Slot %s)",
                       FormatNumberOrUnknown(data.Byte(3), number));
        } else {
            out.Format("Drive Array Controller Failure (Chassis %s, Slot %s)",
                       FormatNameOrNumber(data.Byte(1), data.Text(4), name),
                       FormatNumberOrUnknown(data.Byte(3), number));
        }
        break;
    case 2:
        out.Format("Drive Array Device Failure (%sSlot %s, Bus %s, Bay %s)",
                   FormatChassisPrefix(data.Text(4), name), FormatNumberOrUnknown(data.Byte(1), number),
                   FormatNumberOrUnknown(data.Byte(2), number2),
                   FormatNumberOrUnknown(data.Byte(3), number3));
        break;
    case 3:
        if (data.Byte(1) == 0) {
            out.Format("Drive Array Cache Module Battery Failure (Bus %s, Slot %s)",
                       FormatNumberOrUnknown(data.Byte(2), number),
                       FormatNumberOrUnknown(data.Byte(3), number2));
        } else {
            out.Format("Drive Array Cache Module Battery Failure (Chassis %s, Bus %s, Slot %s)",
                       FormatNameOrNumber(data.Byte(1), data.Text(4), name),
                       FormatNumberOrUnknown(data.Byte(2), number),
                       FormatNumberOrUnknown(data.Byte(3), number2));
        }
        break;
    case 4:
        if (data.Byte(1) == 0) {
            out.Format("Drive Array Controllers No Longer Redundant");
        } else {
            out.Format("Drive Array Controllers No Longer Redundant (Chassis %s)",
                       FormatNameOrNumber(data.Byte(1), data.Text(3), name));
        }
        break;
    case 7:
    case 13:
        out.Format("%s Storage Enclosure Device Failure (Bay %u, Box %u, Port %s, %s)", side, data.Byte(3),
                   data.Byte(6), FormatEnclosurePort(data, 4, port),
                   FormatStorageSlot(slot, data, 7, data.Byte(1)));
        break;
    case 8:
        out.Format("%s Storage Enclosure PHY Link Error (PHY %u, Expander %u, Box %u, Port %s, %s)", side,
                   data.Byte(7), data.Byte(6), data.Byte(5), FormatEnclosurePort(data, 3, port),
                   FormatStorageSlot(slot, data, 8, data.Byte(1)));
        break;
    case 9:
        out.Format("Drive Array Controllers No Longer Redundant (%s)",
                   FormatStorageSlot(slot, data, 3, data.Byte(1)));
        break;
    case 10:
        out.Format("%s Storage Enclosure PHY Link Error (%s, Box %u, Port %s, %s)", side,
                   LookupName(PhyLinkPathNames, data.Byte(6)), data.Byte(5),
                   FormatEnclosurePort(data, 3, port), FormatStorageSlot(slot, data, 7, data.Byte(1)));
        break;
    case 11:
        out.Format("%s SAS Array Storage Enclosure Processor Failure (Box %u, Port %s, %s)", side,
                   data.Byte(5), FormatEnclosurePort(data, 3, port),
                   FormatStorageSlot(slot, data, 6, data.Byte(1)));
        break;
    case 12:
        out.Format("%s Storage Enclosure Device SMART Wear Error (Bay %u, Box %u, Port %s, %s)", side,
                   data.Byte(3), data.Byte(6), FormatEnclosurePort(data, 4, port),
                   FormatStorageSlot(slot, data, 7, data.Byte(1)));
        break;
    case 14:
        out.Format("Drive Array Controller Cache Module Not Installed (%s)",
                   FormatStorageSlot(slot, data, 4, data.Byte(3)));
        break;
    case 15:
        out.Format("%s Storage Enclosure PHY Disabled (Between %s and %s, Port %s, %s)", side,
                   DeviceTypeName(data.Byte(5)), DeviceTypeName(data.Byte(6)),
                   FormatEnclosurePort(data, 3, port), FormatStorageSlot(slot, data, 7, data.Byte(1)));
        break;
    case 16:
        out.Format("Drive Array Controller Cache Module Not Compatible With Controller (%s)",
                   FormatStorageSlot(slot, data, 4, data.Byte(3)));
        break;
    case 17: {
        char detecting[kEndpointSize];
        char attached[kEndpointSize];
        out.Format("%s Storage Enclosure PHY Link Error (Detected By %s, Attached To %s, Port %s, %s)", side,
                   FormatPhyEndpoint(detecting, data.Byte(5), data.Byte(6), data.Byte(7)),
                   FormatPhyEndpoint(attached, data.Byte(8), data.Byte(9), data.Byte(10)),
                   FormatEnclosurePort(data, 3, port), FormatStorageSlot(slot, data, 11, data.Byte(1)));
        break;
    }
    default: break;
    }
}

void FormatCarrierEvent(const EventData& data, Writer& out) {
    char slot[SlotTextSize];
    char port[4];
    out.Format("%s Storage Enclosure Device Not Authenticated As Genuine (Bay %u, Box %u, Port %s, %s)",
               StorageSideWord(data), data.Byte(3), data.Byte(6), FormatEnclosurePort(data, 4, port),
               FormatStorageSlot(slot, data, 7, data.Byte(1)));
}

} // namespace kestrav
