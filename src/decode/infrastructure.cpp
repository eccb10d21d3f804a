// Descriptions of infrastructure environment events: what a server blade enclosure or a power enclosure
// reports about its blades, network components, fuses, blowers, power buses, settings and its own parts.
#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// The names the event data gives by index; an index past a table's end gives its fallback.
const char* const kPowerOnDenialNames[] = {"Lost Redundant Power", "Not Enough Power",
                                           "Denied By Server Enclosure Management Board",
                                           "Denied By Power Enclosure Management Board"};
constexpr NameTable PowerOnDenialNames = MakeNameTable(kPowerOnDenialNames);
const char* const kPowerMisconfigurationNames[] = {
    "Unknown", "Load Balancing Wire Missing", "Too Many Power Enclosures", "Improperly Populated Power Bank",
    "DC-to-DC Configuration Invalid"};
constexpr NameTable PowerMisconfigurationNames = MakeNameTable(kPowerMisconfigurationNames);
constexpr const char* kEnclosureSideNames[] = {"Unknown Location", "Left Side", "Right Side"};
constexpr NameTable EnclosureSideNames = MakeNameTable(kEnclosureSideNames, kEnclosureSideNames[0]);
const char* const kSwitchErrorNames[] = {"Unknown",
                                         "Powering up",
                                         "Micro-controller fault",
                                         "Power fault",
                                         "Over-current fault",
                                         "Fan 1 failed or removed",
                                         "Temperature at caution level",
                                         "Temperature at critical level",
                                         "RJ45 module missing",
                                         "Fan 2 failed or removed"};
constexpr NameTable SwitchErrorNames = MakeNameTable(kSwitchErrorNames);
const char* const kPowerBusNames[] = {"Unknown Location", "Power Bus A", "Power Bus B"};
constexpr NameTable PowerBusNames = MakeNameTable(kPowerBusNames);
const char* const kPowerRequestDenialNames[] = {"Unknown",
                                                "Not Enough Power",
                                                "Electronic Keying or I/O Configuration Error",
                                                "Not Enough Cooling",
                                                "Power Hold by Manager Profile",
                                                "Enclosure Busy",
                                                "Enclosure Error"};
constexpr NameTable PowerRequestDenialNames = MakeNameTable(kPowerRequestDenialNames);
const char* const kInfrastructureLocationNames[] = {
    "Chassis Slot 1",
    "Chassis Slot 2",
    "Chassis Slot 3",
    "Chassis Slot 4",
    "Chassis Slot 5",
    "Chassis Slot 6",
    "Chassis Slot 7",
    "Chassis Slot 8",
    "Server Blade Management Module",
    "Signal Backplane",
    "Power Backplane A",
    "Power Backplane B",
    "Interconnect Blade A",
    "Interconnect Blade B",
    "RJ45 10 East",
    "RJ45 10 West",
    "RJ45 6 East",
    "RJ45 6 West",
    "Unknown",
};
static_assert(std::size(kInfrastructureLocationNames) == 19);
constexpr NameTable InfrastructureLocationNames = MakeNameTable(kInfrastructureLocationNames);
const char* const kInfrastructureComponentNames[] = {
    "Brix Management Controller",
    "FRU EEPROM",
    "Memory",
    "ICMB UART",
    "ROM",
    "LM75",
    "I2C Bus 0",
    "I2C Bus 1",
    "I2C Bus 2",
    "Software",
    "I2C Bus",
    "9544 Fuse Mux",
    "9555 Quick Switch",
    "9555 Sense",
    "9555 Enable",
    "9555 IO Expander",
    "9555 Mux",
};
static_assert(std::size(kInfrastructureComponentNames) == 17);
constexpr NameTable InfrastructureComponentNames = MakeNameTable(kInfrastructureComponentNames);
const char* const kInfrastructureFaultNames[] = {"I2C Error",      "Interrupt Error",   "Invalid FRU Data",
                                                 "POST Failure",   "Backup ROM Booted", "Bus Error",
                                                 "Stack Overflow", "I2C Bus Timeout",   "Unknown I2C Error"};
constexpr NameTable InfrastructureFaultNames = MakeNameTable(kInfrastructureFaultNames);

// The word that opens most texts, from event-data byte 0. Any other kind leaves it empty, so the text then
// starts with the blank that follows it in the format.
const char* EnclosureTypeWord(uint8_t enclosureType) {
    switch (enclosureType) {
    case 4: return "Server Blade Enclosure";
    case 5: return "Power Enclosure";
    default: return "";
    }
}

// The enclosure's serial number when the text at serialOffset holds one, else its address from bytes 1 and 2.
const char* Enclosure(const EventData& data, size_t serialOffset, std::span<char> out) {
    return FormatEnclosureId(data.Text(serialOffset), data, out);
}

// Codes 6 and 7 name the bus by different rules: each shows "Power Bus A" for one value only.
const char* BusWord(bool busA) {
    return busA ? "Power Bus A" : "Power Bus B";
}

void FormatRackSettingEvent(const char* type, const EventData& data, Writer& out) {
    char enclosure[ScratchSize];
    Enclosure(data, 4, enclosure);
    uint8_t setting = data.Byte(3);
    switch (setting) {
    case 1: out.Format("%s Rack Name Changed (%s)", type, enclosure); break;
    case 2: out.Format("%s Name Changed (%s)", type, enclosure); break;
    case 3: out.Format("%s Service Change (%s)", type, enclosure); break;
    case 4: out.Format("%s Rack Name Conflict (%s)", type, enclosure); break;
    case 5: out.Format("%s Rack Unique ID Changed (%s)", type, enclosure); break;
    case 7: out.Format("%s LAN Settings Changed (%s)", type, enclosure); break;
    case 8: out.Format("%s UID LED State Changed (%s)", type, enclosure); break;
    default:
        out.Format("%s Rack Infrastructure Changed (%s, Type 0x%02X)", type, enclosure,
                   static_cast<unsigned>(setting));
        break;
    }
}

// Code 3: bit 4 of byte 3 picks fuse B; its low four bits give the side (network component) or the slot
// (blade), so the slot is always a number from 0 to 15.
void FormatFuseEvent(const char* type, const EventData& data, Writer& out) {
    char enclosure[ScratchSize];
    char number[ScratchSize];
    uint8_t position = data.Byte(3);
    const char* fuse = (position & 0x10) != 0 ? "B" : "A";
    uint8_t low = position & 0x0F;
    switch (data.Byte(4)) {
    case 13:
        out.Format("%s Network Component Fuse or Breaker Tripped (%s, %s, Fuse %s)", type,
                   Enclosure(data, 5, enclosure), LookupName(EnclosureSideNames, low), fuse);
        break;
    case 14:
        out.Format("%s Blade Fuse or Breaker Tripped (%s, Slot %s, Fuse %s)", type,
                   Enclosure(data, 5, enclosure), FormatNumberOrUnknown(low, number), fuse);
        break;
    }
}

// Codes 19 and 20: byte 4 says whether a server blade (14) or a network component (13) came or went.
void FormatBayChangeEvent(bool inserted, const char* type, const EventData& data, Writer& out) {
    char enclosure[ScratchSize];
    char number[ScratchSize];
    switch (data.Byte(4)) {
    case 14:
        if (inserted) {
            out.Format("%s Server Blade Inserted (Slot %s, %s)", type,
                       FormatNumberOrUnknown(data.Byte(3), number), Enclosure(data, 5, enclosure));
        } else {
            out.Format("%s Server Blade Removed (Slot %s, %s)", type,
                       FormatNumberOrUnknown(data.Byte(3), number), Enclosure(data, 5, enclosure));
        }
        break;
    case 13:
        if (inserted) {
            out.Format("%s Network Component Inserted (%s, %s)", type,
                       LookupName(EnclosureSideNames, data.Byte(3)), Enclosure(data, 5, enclosure));
        } else {
            out.Format("%s Network Component Removed (%s, %s)", type,
                       LookupName(EnclosureSideNames, data.Byte(3)), Enclosure(data, 5, enclosure));
        }
        break;
    }
}

} // namespace

void FormatInfrastructureEvent(uint16_t code, const EventData& data, Writer& out) {
    const char* type = EnclosureTypeWord(data.Byte(0));
    char enclosure[ScratchSize];
    char number[ScratchSize];
    switch (code) {
    case 1:
        out.Format("%s Inadequate Power To Power On: %s (%s, Slot %s)", type,
                   LookupName(PowerOnDenialNames, data.Byte(4)), Enclosure(data, 5, enclosure),
                   FormatNumberOrUnknown(data.Byte(3), number));
        break;
    case 2:
        out.Format("%s Blade Manual Power On (%s, Slot %s)", type, Enclosure(data, 4, enclosure),
                   FormatNumberOrUnknown(data.Byte(3), number));
        break;
    case 3: FormatFuseEvent(type, data, out); break;
    case 4:
        out.Format("%s Blade I2C Bus Fault (%s, Bus %s)", type, Enclosure(data, 4, enclosure),
                   FormatNumberOrUnknown(data.Byte(3), number));
        break;
    case 5:
        if (data.Byte(4) != 0) {
            out.Format("%s Blade Inserted (%s, Slot %s)", type, Enclosure(data, 5, enclosure),
                       FormatNumberOrUnknown(data.Byte(3), number));
        } else {
            out.Format("%s Blade Removed (%s, Slot %s)", type, Enclosure(data, 5, enclosure),
                       FormatNumberOrUnknown(data.Byte(3), number));
        }
        break;
    case 6:
        out.Format("%s Power Not Balanced (%s, %s)", type, Enclosure(data, 6, enclosure),
                   BusWord(data.Byte(3) == 1));
        break;
    case 7:
        out.Format("%s DC Power Out Of Tolerance (%s, %s, %d mV)", type, Enclosure(data, 6, enclosure),
                   BusWord(data.Byte(3) == 0), static_cast<int>(data.Le16(4)));
        break;
    case 8:
        out.Format("%s AC Facility Input Power Exceeded (%s)", type, Enclosure(data, 3, enclosure));
        break;
    case 9: out.Format("Loss Of Chassis Connectivity (%s)", Enclosure(data, 5, enclosure)); break;
    case 10: out.Format("New Chassis Connected (%s)", Enclosure(data, 5, enclosure)); break;
    case 11: FormatRackSettingEvent(type, data, out); break;
    case 12: out.Format("%s Unknown Power Consumption (%s)", type, Enclosure(data, 3, enclosure)); break;
    case 13:
        if (data.Byte(4) == 0) {
            out.Format("%s Power Subsystem Misconfigured: %s (%s)", type,
                       LookupName(PowerMisconfigurationNames, data.Byte(3)), Enclosure(data, 7, enclosure));
        } else {
            out.Format("%s Power Subsystem Misconfigured: %s (%s, %s)", type,
                       LookupName(PowerMisconfigurationNames, data.Byte(3)),
                       LookupName(EnclosureSideNames, data.Byte(4)), Enclosure(data, 7, enclosure));
        }
        break;
    case 14: out.Format("%s Status Change (%s)", type, Enclosure(data, 3, enclosure)); break;
    case 15:
        out.Format("%s Blower Fault (%s, Blower %s, %s)", type, LookupName(EnclosureSideNames, data.Byte(4)),
                   FormatNumberOrUnknown(data.Byte(3), number), Enclosure(data, 5, enclosure));
        break;
    case 16:
        out.Format("%s Blower Removed (%s, Blower %s, %s)", type,
                   LookupName(EnclosureSideNames, data.Byte(4)), FormatNumberOrUnknown(data.Byte(3), number),
                   Enclosure(data, 5, enclosure));
        break;
    case 17:
        out.Format("%s Ethernet Switch Error - %s (%s, %s)", type, LookupName(SwitchErrorNames, data.Byte(3)),
                   LookupName(EnclosureSideNames, data.Byte(4)), Enclosure(data, 5, enclosure));
        break;
    case 18:
        out.Format("%s Power Feed Missing (%s, %s)", type, LookupName(PowerBusNames, data.Byte(3)),
                   Enclosure(data, 4, enclosure));
        break;
    case 19: FormatBayChangeEvent(true, type, data, out); break;
    case 20: FormatBayChangeEvent(false, type, data, out); break;
    case 21: out.Format("%s Invalid Topology - Check Cabling", type); break;
    case 24:
        out.Format("Infrastructure Fault, %s at %s, %s", LookupName(InfrastructureFaultNames, data.Byte(5)),
                   LookupName(InfrastructureLocationNames, data.Byte(3)),
                   LookupName(InfrastructureComponentNames, data.Byte(4)));
        break;
    case 25:
        out.Format("Chassis %s requires minimum firmware revision %02x.%02x. It is currently %02x.%02x.",
                   Enclosure(data, 9, enclosure), static_cast<unsigned>(data.Byte(5)),
                   static_cast<unsigned>(data.Byte(6)), static_cast<unsigned>(data.Byte(3)),
                   static_cast<unsigned>(data.Byte(4)));
        break;
    case 26:
        out.Format("%s Power Request Denied: %s (%s, Slot %s)", type,
                   LookupName(PowerRequestDenialNames, data.Byte(4)), Enclosure(data, 5, enclosure),
                   FormatNumberOrUnknown(data.Byte(3), number));
        break;
    }
}

} // namespace kestrav
