// Class 11, the power subsystem: power supplies and power modules at the server, an external chassis, a
// storage system or an enclosure; the real-time clock and storage batteries; server power states.
#include "decode/power.h"

#include <array>
#include <cstddef>

#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// Room for a chassis name taken from the event data together with the words around it.
constexpr size_t NameTextSize = EventDataSize + 16;
// "XR: xx xx", " MID:" and at most 127 further service bytes of three characters each.
constexpr size_t ServiceTextSize = 512;

const char* const kPowerSupplyFailureNames[] = {
    "General Failure",
    "BIST Failure",
    "Fan Failure",
    "Unknown Failure",
    "Unknown Failure",
    "EPROM Failure",
    "VREF Failure",
    "DAC Failure",
    "RAM Test Failed",
    "Voltage Channel Failure",
    "Unknown Failure",
    "Unknown Failure",
    "Give Up On Startup",
    "NVRAM Invalid",
    "Calibration Table Invalid",
    "Input Power Loss or Unplugged Power Cord, Verify Power Supply Input",
};
constexpr NameTable PowerSupplyFailureNames = MakeNameTable(kPowerSupplyFailureNames, "Unknown Failure");

// What an enclosure names in byte 3 (the component) and byte 4 (the power-line event).
const char* const kPowerComponentNames[] = {"Enclosure", "Power Module", "Bus Bar", "Breaker",
                                            "Power Subsystem"};
constexpr NameTable PowerComponentNames = MakeNameTable(kPowerComponentNames);
const char* const kPowerLineEventNames[] = {"Unknown",  "Line Over Voltage", "Line Under Voltage",
                                            "Line Hit", "Brown Out",         "AC Power Loss"};
constexpr NameTable PowerLineEventNames = MakeNameTable(kPowerLineEventNames);

// Where a located event happened, from byte 0 (and byte 1 for a chassis). The order is the order of the
// formats in LocatedEvent::formats.
enum class Location : size_t {
    OwnChassis,
    ExternalChassis,
    ExternalStorage,
    InternalStorage,
    BladeEnclosure,
    PowerEnclosure,
};
constexpr size_t LocationCount = 6;

bool LocationOf(const EventData& data, Location& location) {
    switch (data.Byte(0)) {
    case 1: location = data.Byte(1) == 0 ? Location::OwnChassis : Location::ExternalChassis; return true;
    case 2: location = Location::ExternalStorage; return true;
    case 3: location = Location::InternalStorage; return true;
    case 4: location = Location::BladeEnclosure; return true;
    case 5: location = Location::PowerEnclosure; return true;
    default: return false;
    }
}

// What the two enclosure variants of a located event show besides their fixed words.
enum class EnclosureArguments {
    Nothing,              // codes 7, 15
    Number,               // the part number only: codes 10 to 14, 16
    NumberAndId,          // the part number and the enclosure identity: codes 1, 4, 5, 19
    NumberLineEventAndId, // codes 8, 17: the reason comes from the power-line event byte
    NumberVoltageAndId,   // code 9
    ComponentAndId,       // code 6: byte 3 names the component that lost redundancy
};

// One format per location, in the order of Location.
using LocatedFormats = std::array<const char*, LocationCount>;

struct LocatedEvent {
    size_t nameOffset;          // chassis name, or the enclosure serial number
    size_t enclosureNameOffset; // the serial number for the enclosure variants
    bool numbered;              // byte 3 is the power supply or power module number
    bool failureName;           // byte 4 is a power supply failure code, named first
    EnclosureArguments enclosure;
    LocatedFormats formats;
};

constexpr LocatedEvent kSupplyFailure = {
    .nameOffset = 5,
    .enclosureNameOffset = 5,
    .numbered = true,
    .failureName = true,
    .enclosure = EnclosureArguments::NumberAndId,
    .formats = {"System Power Supply: %s (Power Supply %s)",
                "External Chassis Power Supply: %s (Chassis %s, Power Supply %s)",
                "External Storage System Power Supply: %s (%sSlot %s, Power Supply %s)",
                "Internal Storage System Power Supply: %s (%sSlot %s, Power Supply %s)",
                "Server Blade Enclosure Power Supply: %s (Power Supply %s, %s)",
                "Power Enclosure Power Supply: %s (Power Supply %s, %s)"}};

constexpr LocatedEvent kSupplyRemoved = {
    .nameOffset = 4,
    .enclosureNameOffset = 4,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::NumberAndId,
    .formats = {"System Power Supply Removed (Power Supply %s)",
                "External Chassis Power Supply Removed (Chassis %s, Power Supply %s)",
                "External Storage System Power Supply Removed (%sSlot %s, Power Supply %s)",
                "Internal Storage System Power Supply Removed (%sSlot %s, Power Supply %s)",
                "Server Blade Enclosure Power Supply Removed (Power Supply %s, %s)",
                "Power Enclosure Power Supply Removed (Power Supply %s, %s)"}};

constexpr LocatedEvent kSupplyInserted = {
    .nameOffset = 4,
    .enclosureNameOffset = 4,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::NumberAndId,
    .formats = {"System Power Supply Inserted (Power Supply %s)",
                "External Chassis Power Supply Inserted (Chassis %s, Power Supply %s)",
                "External Storage System Power Supply Inserted (%sSlot %s, Power Supply %s)",
                "Internal Storage System Power Supply Inserted (%sSlot %s, Power Supply %s)",
                "Server Blade Enclosure Power Supply Inserted (Power Supply %s, %s)",
                "Power Enclosure Power Supply Inserted (Power Supply %s, %s)"}};

constexpr LocatedEvent kSuppliesNotRedundant = {
    .nameOffset = 3,
    .enclosureNameOffset = 4,
    .numbered = false,
    .failureName = false,
    .enclosure = EnclosureArguments::ComponentAndId,
    .formats = {"System Power Supplies Not Redundant",
                "External Chassis Power Supplies Not Redundant (Chassis %s)",
                "External Storage System Power Supplies Not Redundant (%sSlot %s)",
                "Internal Storage System Power Supplies Not Redundant (%sSlot %s)",
                "Server Blade Enclosure Power Supplies Not Redundant (in %s, %s)",
                "Power Enclosure Power Supplies Not Redundant (in %s, %s)"}};

// Codes 7 and 15 report the same event; only where the chassis name lies differs.
constexpr LocatedFormats kModulesNotRedundantFormats = {
    "System Power Modules Not Redundant",
    "External Chassis Power Modules Not Redundant (Chassis %s)",
    "External Storage System Power Modules Not Redundant (%sSlot %s)",
    "Internal Storage System Power Modules Not Redundant (%sSlot %s)",
    "Server Blade Enclosure Power Modules Not Redundant",
    "Power Enclosure Power Modules Not Redundant"};
constexpr LocatedEvent kModulesNotRedundant = {.nameOffset = 6,
                                               .enclosureNameOffset = 6,
                                               .numbered = false,
                                               .failureName = false,
                                               .enclosure = EnclosureArguments::Nothing,
                                               .formats = kModulesNotRedundantFormats};
constexpr LocatedEvent kModulesNotRedundantShort = {.nameOffset = 3,
                                                    .enclosureNameOffset = 3,
                                                    .numbered = false,
                                                    .failureName = false,
                                                    .enclosure = EnclosureArguments::Nothing,
                                                    .formats = kModulesNotRedundantFormats};

constexpr LocatedEvent kAcPowerProblem = {
    .nameOffset = 5,
    .enclosureNameOffset = 5,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::NumberLineEventAndId,
    .formats = {"System AC Power Problem (Power Supply %s)",
                "External Chassis AC Power Problem (Chassis %s, Power Supply %s)",
                "External Storage System AC Power Problem (%sSlot %s, Power Supply %s)",
                "Internal Storage System AC Power Problem (%sSlot %s, Power Supply %s)",
                "Server Blade Enclosure AC Power Problem (Power Supply %s, Reason: %s, %s)",
                "Power Enclosure AC Power Problem (Power Supply %s, Reason: %s, %s)"}};

constexpr LocatedEvent kAcPowerOverload = {
    .nameOffset = 5,
    .enclosureNameOffset = 5,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::NumberVoltageAndId,
    .formats = {"System AC Power Overload (Power Supply %s)",
                "External Chassis AC Power Overload (Chassis %s, Power Supply %s)",
                "External Storage System AC Power Overload (%sSlot %s, Power Supply %s)",
                "Internal Storage System AC Power Overload (%sSlot %s, Power Supply %s)",
                "Server Blade Enclosure AC Power Overload (Power Supply %s, Voltage: %s, %s)",
                "Power Enclosure AC Power Overload (Power Supply %s, Voltage: %s, %s)"}};

constexpr LocatedEvent kSupplyPoweredUp = {
    .nameOffset = 4,
    .enclosureNameOffset = 4,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::Number,
    .formats = {"System Power Supply Powered Up (Power Supply %s)",
                "External Chassis System Power Supply Powered Up (Chassis %s, Power Supply %s)",
                "External Storage System Power Supply Powered Up (%sSlot %s, Power Supply %s)",
                "Internal Storage System Power Supply Powered Up (%sSlot %s, Power Supply %s)",
                "Server Blade Enclosure System Power Supply Powered Up (Power Supply %s)",
                "Power Enclosure System Power Supply Powered Up (Power Supply %s)"}};

constexpr LocatedEvent kSupplyPoweredDown = {
    .nameOffset = 4,
    .enclosureNameOffset = 4,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::Number,
    .formats = {"System Power Supply Powered Down (Power Supply %s)",
                "External Chassis System Power Supply Powered Down (Chassis %s, Power Supply %s)",
                "External Storage System Power Supply Powered Down (%sSlot %s, Power Supply %s)",
                "Internal Storage System Power Supply Powered Down (%sSlot %s, Power Supply %s)",
                "Server Blade Enclosure System Power Supply Powered Down (Power Supply %s)",
                "Power Enclosure System Power Supply Powered Down (Power Supply %s)"}};

constexpr LocatedEvent kModuleFailure = {
    .nameOffset = 5,
    .enclosureNameOffset = 5,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::Number,
    .formats = {"System Power Module Failure (Power Module %s)",
                "External Chassis Power Module Failure (Chassis %s, Power Module %s)",
                "External Storage System Power Module Failure (%sSlot %s, Power Module %s)",
                "Internal Storage System Power Module Failure (%sSlot %s, Power Module %s)",
                "Server Blade Enclosure Power Module Failure (Power Module %s)",
                "Power Enclosure Power Module Failure (Power Module %s)"}};

constexpr LocatedEvent kModuleRemoved = {
    .nameOffset = 4,
    .enclosureNameOffset = 4,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::Number,
    .formats = {"System Power Module Removed (Power Module %s)",
                "External Chassis Power Module Removed (Chassis %s, Power Module %s)",
                "External Storage System Power Module Removed (%sSlot %s, Power Module %s)",
                "Internal Storage System Power Module Removed (%sSlot %s, Power Module %s)",
                "Server Blade Enclosure Power Module Removed (Power Module %s)",
                "Power Enclosure Power Module Removed (Power Module %s)"}};

constexpr LocatedEvent kModuleInserted = {
    .nameOffset = 4,
    .enclosureNameOffset = 4,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::Number,
    .formats = {"System Power Module Inserted (Power Module %s)",
                "External Chassis Power Module Inserted (Chassis %s, Power Module %s)",
                "External Storage System Power Module Inserted (%sSlot %s, Power Module %s)",
                "Internal Storage System Power Module Inserted (%sSlot %s, Power Module %s)",
                "Server Blade Enclosure Power Module Inserted (Power Module %s)",
                "Power Enclosure Power Module Inserted (Power Module %s)"}};

constexpr LocatedEvent kModuleOverload = {
    .nameOffset = 5,
    .enclosureNameOffset = 5,
    .numbered = true,
    .failureName = false,
    .enclosure = EnclosureArguments::Number,
    .formats = {"System Power Module Overload (Power Module %s)",
                "External Chassis Power Module Overload (Chassis %s, Power Module %s)",
                "External Storage System Power Module Overload (%sSlot %s, Power Module %s)",
                "Internal Storage System Power Module Overload (%sSlot %s, Power Module %s)",
                "Server Blade Enclosure Power Module Overload (Power Module %s)",
                "Power Enclosure Power Module Overload (Power Module %s)"}};

const LocatedEvent* LocatedEventOf(uint16_t code) {
    switch (code) {
    case 1:
    case 19: return &kSupplyFailure;
    case 4: return &kSupplyRemoved;
    case 5: return &kSupplyInserted;
    case 6: return &kSuppliesNotRedundant;
    case 7: return &kModulesNotRedundant;
    case 8:
    case 17: return &kAcPowerProblem;
    case 9: return &kAcPowerOverload;
    case 10: return &kSupplyPoweredUp;
    case 11: return &kSupplyPoweredDown;
    case 12: return &kModuleFailure;
    case 13: return &kModuleRemoved;
    case 14: return &kModuleInserted;
    case 15: return &kModulesNotRedundantShort;
    case 16: return &kModuleOverload;
    default: return nullptr;
    }
}

// Writes a located event: the format of its location, filled with the arguments that location shows, in
// the order the format names them.
void FormatLocatedEvent(const LocatedEvent& event, const EventData& data, Writer& out) {
    Location location;
    if (!LocationOf(data, location)) {
        return;
    }
    char chassis[NameTextSize];
    char prefix[NameTextSize];
    char slot[ScratchSize];
    char part[ScratchSize];
    char voltage[ScratchSize];
    char enclosure[ScratchSize];
    const char* args[4] = {"", "", "", ""};
    size_t count = 0;
    const char* name = data.Text(event.nameOffset);
    const char* number = FormatNumberOrUnknown(data.Byte(3), part);

    if (event.failureName) {
        args[count++] = PowerSupplyFailureName(data.Byte(4));
    }
    switch (location) {
    case Location::OwnChassis:
        if (event.numbered) {
            args[count++] = number;
        }
        break;
    case Location::ExternalChassis:
        args[count++] = FormatNameOrNumber(data.Byte(1), name, chassis);
        if (event.numbered) {
            args[count++] = number;
        }
        break;
    case Location::ExternalStorage:
    case Location::InternalStorage:
        args[count++] = FormatChassisPrefix(name, prefix);
        args[count++] = FormatNumberOrUnknown(data.Byte(1), slot);
        if (event.numbered) {
            args[count++] = number;
        }
        break;
    case Location::BladeEnclosure:
    case Location::PowerEnclosure: {
        const char* serial = data.Text(event.enclosureNameOffset);
        switch (event.enclosure) {
        case EnclosureArguments::Nothing: break;
        case EnclosureArguments::Number: args[count++] = number; break;
        case EnclosureArguments::NumberAndId:
            args[count++] = number;
            args[count++] = FormatEnclosureId(serial, data, enclosure);
            break;
        case EnclosureArguments::NumberLineEventAndId:
            args[count++] = number;
            args[count++] = LookupName(PowerLineEventNames, data.Byte(4));
            args[count++] = FormatEnclosureId(serial, data, enclosure);
            break;
        case EnclosureArguments::NumberVoltageAndId:
            args[count++] = number;
            args[count++] = FormatNumberOrUnknown(data.Byte(4), voltage);
            args[count++] = FormatEnclosureId(serial, data, enclosure);
            break;
        case EnclosureArguments::ComponentAndId:
            args[count++] = LookupName(PowerComponentNames, data.Byte(3));
            args[count++] = FormatEnclosureId(serial, data, enclosure);
            break;
        }
        break;
    }
    }
    // A format takes as many of the arguments as it names; printf ignores the ones left over.
    out.Format(event.formats[static_cast<size_t>(location)], args[0], args[1], args[2], args[3]);
}

// The free-form detail some events carry after their fixed fields, appended as ", <detail>" when present.
// It is appended to whatever the description holds, even nothing.
void AppendDetail(const EventData& data, size_t offset, Writer& out) {
    const char* detail = data.Text(offset);
    if (detail[0] != '\0') {
        out.Append(", %s", detail);
    }
}

void FormatClockBattery(const EventData& data, Writer& out) {
    uint8_t chassis = data.Byte(1);
    if (chassis == 0) {
        out.Format("Real-Time Clock Battery Failing");
        return;
    }
    char number[ScratchSize];
    out.Format("Real-Time Clock Battery Failing (Chassis %s)", FormatNumberOrUnknown(chassis, number));
}

const char* PowerModuleSubject(uint8_t kind) {
    switch (kind) {
    case 1: return "A CPU Power Module has Failed";
    case 2: return "A PCI Power Module has Failed";
    case 3: return "An I/O Power Module has Failed";
    default: return "A Power Module has Failed";
    }
}

void FormatPowerModuleKindFailure(const EventData& data, Writer& out) {
    const char* subject = PowerModuleSubject(data.Byte(5));
    char chassis[ScratchSize];
    char slot[ScratchSize];
    char socket[ScratchSize];
    uint8_t type = data.Byte(0);
    if (type == 1 && data.Byte(1) == 0) {
        out.Format("%s (System Board, Socket %s)", subject, FormatNumberOrUnknown(data.Byte(4), socket));
    } else if (type == 1 || type == 2 || type == 3) {
        out.Format("%s (Chassis %s, Slot %s, Socket %s)", subject,
                   FormatNumberOrUnknown(data.Byte(1), chassis), FormatNumberOrUnknown(data.Byte(3), slot),
                   FormatNumberOrUnknown(data.Byte(4), socket));
    }
}

// The service value names the battery fault; the service information shown is that value less 3.
const char* StorageBatteryFailureFormat(uint32_t service) {
    switch (service) {
    case 4:
        return "Keldon Storage Battery failure (Battery %d, service information: 0x01). Action: 1. Consult "
               "server "
               "troubleshooting guide. 2. Gather Qent log and contact Support";
    case 5:
        return "Keldon Storage Battery failure (Battery %d, service information: 0x02). Action: 1. Consult "
               "server "
               "troubleshooting guide. 2. Gather Qent log and contact Support";
    case 6:
        return "Keldon Storage Battery did not charge at the expected rate, indicating a faulty battery "
               "(Battery %d, "
               "service information: 0x03). Action: 1. Consult server troubleshooting guide. 2. Gather Qent "
               "log and "
               "contact Support";
    case 7:
        return "Keldon Storage Battery disabled due to high ambient temperature, will be re-enabled when "
               "temp is "
               "lowered (Battery %d, service information: 0x04). Action: 1. Verify proper ventilation and "
               "function "
               "of fans. 2. If issue persists, gather Qent log, contact Support.";
    case 8:
        return "Keldon Storage Battery discharged to below minimum voltage, resulting in the inability of "
               "the "
               "battery to recharge properly (Battery %d, service information: 0x05).  Action: 1. Consult "
               "server "
               "troubleshooting guide. 2. Gather Qent log and contact Support";
    case 9:
        return "Keldon Storage Battery failure (Battery %d, service information: 0x06). Action: 1. Consult "
               "server "
               "troubleshooting guide. 2. Gather Qent log and contact Vexa Support";
    case 10:
        return "Keldon Storage Battery has exceeded the maximum amount of devices supported (Battery %d, "
               "service "
               "information: 0x07). Action: 1. Remove additional devices. 2. Consult server troubleshooting "
               "guide. "
               "3. Gather Qent log and contact Support";
    case 12:
        return "Keldon Storage Battery failure (Battery %d, service information: 0x09). Action: Gather Qent "
               "log and "
               "contact Support";
    case 13:
        return "Keldon Storage Battery failure (Battery %d, service information: 0x0A). Action: Gather Qent "
               "log and "
               "contact Support";
    case 14:
        return "Keldon Storage Battery failure (Battery %d, service information: 0x0B). Action: 1. Consult "
               "server "
               "troubleshooting guide. 2 Gather Qent log and contact Support";
    default:
        return "Keldon Storage Battery failure (Battery %d). Action: 1. Consult server troubleshooting "
               "guide. 2 "
               "Gather Qent log and contact Support";
    }
}

} // namespace

const char* PowerSupplyFailureName(uint8_t failureCode) {
    if (failureCode == 0xFF) {
        return "No Error";
    }
    return LookupName(PowerSupplyFailureNames, failureCode);
}

void FormatStorageEnclosurePowerSupplyFailure(Writer& out, const EventData& data) {
    char port[3];
    char slot[SlotTextSize];
    out.Format("%s Storage Enclosure Power Supply Failure (Power Supply %u, Box %u, Port %s, %s)",
               StorageSideWord(data), static_cast<unsigned>(data.Byte(3)),
               static_cast<unsigned>(data.Byte(6)), FormatEnclosurePort(data, 4, port),
               FormatStorageSlot(slot, data, 7, data.Byte(1)));
}

void FormatSystemPowerFault(Writer& out, const EventData& data, uint8_t eventDataLength) {
    char serviceText[ServiceTextSize];
    Writer service(serviceText);
    service.Format("XR: %02X %02X", static_cast<unsigned>(data.Byte(0)), static_cast<unsigned>(data.Byte(1)));
    // The firmware's count of further service bytes is a signed byte: lengths of 130 and more read as
    // negative and list none, which also keeps the list within the event data.
    int further = static_cast<int8_t>(static_cast<uint8_t>(eventDataLength - 2));
    if (further > 0) {
        service.AppendText(" MID:");
        for (int i = 0; i < further; ++i) {
            service.Append(" %02X", static_cast<unsigned>(data.Byte(2 + static_cast<size_t>(i))));
        }
    }
    if ((data.Byte(1) & 0x04) != 0) {
        out.Format(
            "System Power Fault Detected. Consult Vexa Wattplan To Ensure Power Supply Sizing. Increase "
            "Power If Required (%s)",
            serviceText);
    } else {
        out.Format("System Power Fault Detected (%s)", serviceText);
    }
}

void FormatPowerEvent(uint16_t code, const EventData& data, uint8_t eventDataLength, Writer& out) {
    if (const LocatedEvent* located = LocatedEventOf(code)) {
        FormatLocatedEvent(*located, data, out);
        if (code == 17 || code == 19) {
            AppendDetail(data, data.After(5), out);
        }
        return;
    }
    switch (code) {
    case 2: FormatClockBattery(data, out); break;
    case 3: FormatPowerModuleKindFailure(data, out); break;
    case 18:
        FormatClockBattery(data, out);
        AppendDetail(data, 3, out);
        break;
    case 20: FormatStorageEnclosurePowerSupplyFailure(out, data); break;
    case 21: out.Format("Mismatched Power Supply Installed"); break;
    case 22: out.Format("Server Powered On"); break;
    case 23: out.Format("Server Powered Off"); break;
    case 24: out.Format("Server Power Reset"); break;
    case 25: out.Format("Server Power Brownout"); break;
    case 26: FormatSystemPowerFault(out, data, eventDataLength); break;
    case 27: out.Format("System Board Power Protection Fault"); break;
    case 28: out.Format("Power Supply or Power Backplane Detection Error"); break;
    case 29: out.Format("Power Management Features Disabled By Power Supply"); break;
    case 30: out.Format("Keldon Storage Battery Removed (Battery %d)", static_cast<int>(data.Byte(0))); break;
    case 31: out.Format(StorageBatteryFailureFormat(data.Le32(1)), static_cast<int>(data.Byte(0))); break;
    case 32:
        out.Format("Keldon Storage Battery Not Responding (Battery %d)", static_cast<int>(data.Byte(0)));
        break;
    case 33:
        out.Format(
            "The system contains multiple types of power supplies.  Certain features are not supported and "
            "power redundancy may be limited");
        break;
    case 34:
        out.Format(
            "A Power Supply hot-plug event occurred resulting in the system containing multiple types of "
            "power supplies when Dynamic Power Capping (DPC) is enabled.  DPC may not function properly in "
            "this state, and it is recommended power capping be disabled");
        break;
    case 35:
        out.Format(
            "A Power Supply hot-plug event occurred resulting in the system containing multiple types of "
            "power supplies when High Efficiency Mode (HEM) is enabled.  HEM may not function properly in "
            "this state, and it is recommended HEM be disabled");
        break;
    case 36: out.Format("Power On Denied (Service Information: %s)", data.Text(0)); break;
    default: break;
    }
}

} // namespace kestrav
