#include "decode/formatters.h"

#include <cstring>

namespace kestrav {

namespace {

const char* const kLocationNames[] = {
    "System",          "System Board", "I/O Board",  "CPU",     "Memory",       "Storage",
    "Removable Media", "Power Supply", "Ambient",    "Chassis", "Bridge Board", "Management Board",
    "Backplane",       "Network Slot", "Blade Slot", "Virtual",
};
const char* const kPowerComponentNames[] = {"Enclosure", "Power Module", "Bus Bar", "Breaker",
                                            "Power Subsystem"};
const char* const kPowerLineEventNames[] = {"Unknown",  "Line Over Voltage", "Line Under Voltage",
                                            "Line Hit", "Brown Out",         "AC Power Loss"};
const char* const kPowerOnDenialNames[] = {"Lost Redundant Power", "Not Enough Power",
                                           "Denied By Server Enclosure Management Board",
                                           "Denied By Power Enclosure Management Board"};
const char* const kPowerMisconfigurationNames[] = {
    "Unknown", "Load Balancing Wire Missing", "Too Many Power Enclosures", "Improperly Populated Power Bank",
    "DC-to-DC Configuration Invalid"};
const char* const kEnclosureSideNames[] = {"Unknown Location", "Left Side", "Right Side"};
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
const char* const kPowerBusNames[] = {"Unknown Location", "Power Bus A", "Power Bus B"};
const char* const kPowerRequestDenialNames[] = {"Unknown",
                                                "Not Enough Power",
                                                "Electronic Keying or I/O Configuration Error",
                                                "Not Enough Cooling",
                                                "Power Hold by Manager Profile",
                                                "Enclosure Busy",
                                                "Enclosure Error"};
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
const char* const kInfrastructureFaultNames[] = {"I2C Error",      "Interrupt Error",   "Invalid FRU Data",
                                                 "POST Failure",   "Backup ROM Booted", "Bus Error",
                                                 "Stack Overflow", "I2C Bus Timeout",   "Unknown I2C Error"};
const char* const kPhyLinkPathNames[] = {"Error path unknown",
                                         "Storage controller to external storage box",
                                         "Storage controller to internal device",
                                         "Storage controller to onboard expander",
                                         "Onboard expander to external storage box",
                                         "Onboard expander to internal device",
                                         "Storage box to storage box",
                                         "Storage box to bay in storage box",
                                         "Storage controller to switch expander",
                                         "Switch expander to storage box"};

static_assert(std::size(kLocationNames) == 16);
static_assert(std::size(kInfrastructureLocationNames) == 19);
static_assert(std::size(kInfrastructureComponentNames) == 17);
static_assert(std::size(kPhyLinkPathNames) == 10);

constexpr const char* kUnknown = "Unknown";

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

const NameTable LocationNames = MakeNameTable(kLocationNames);
const NameTable PowerComponentNames = MakeNameTable(kPowerComponentNames);
const NameTable PowerLineEventNames = MakeNameTable(kPowerLineEventNames);
const NameTable PowerOnDenialNames = MakeNameTable(kPowerOnDenialNames);
const NameTable PowerMisconfigurationNames = MakeNameTable(kPowerMisconfigurationNames);
const NameTable EnclosureSideNames = MakeNameTable(kEnclosureSideNames, kEnclosureSideNames[0]);
const NameTable SwitchErrorNames = MakeNameTable(kSwitchErrorNames);
const NameTable PowerBusNames = MakeNameTable(kPowerBusNames);
const NameTable PowerRequestDenialNames = MakeNameTable(kPowerRequestDenialNames);
const NameTable InfrastructureLocationNames = MakeNameTable(kInfrastructureLocationNames);
const NameTable InfrastructureComponentNames = MakeNameTable(kInfrastructureComponentNames);
const NameTable InfrastructureFaultNames = MakeNameTable(kInfrastructureFaultNames);
const NameTable PhyLinkPathNames = MakeNameTable(kPhyLinkPathNames, kPhyLinkPathNames[0]);

const char* LookupName(const NameTable& table, unsigned index) {
    return index < table.bound ? table.names[index] : table.fallback;
}

const char* FormatNumberOrUnknown(uint8_t value, std::span<char> scratch) {
    if (value == 0xFF) {
        return kUnknown;
    }
    return FormatInto(scratch, "%u", static_cast<unsigned>(value));
}

const char* FormatLetterOrUnknown(uint8_t value, std::span<char> scratch) {
    if (value == 0xFF) {
        return kUnknown;
    }
    return FormatInto(scratch, "%c", static_cast<char>(value));
}

const char* FormatTemperature(uint8_t value, std::span<char> scratch) {
    if (value == 0xFF) {
        return kUnknown;
    }
    return FormatInto(scratch, "%uC", static_cast<unsigned>(value));
}

const char* FormatNameOrNumber(uint8_t value, const char* name, std::span<char> scratch) {
    if (name != nullptr && name[0] != '\0') {
        return FormatInto(scratch, "%s", name);
    }
    char number[ScratchSize];
    return FormatInto(scratch, "%s", FormatNumberOrUnknown(value, number));
}

const char* FormatChassisPrefix(const char* chassisName, std::span<char> out) {
    if (chassisName == nullptr || chassisName[0] == '\0') {
        return FormatInto(out, "%s", "");
    }
    return FormatInto(out, "Chassis %s, ", chassisName);
}

const char* FormatStorageSlot(std::span<char> out, const EventData& data, size_t pairOffset, uint8_t slot) {
    const char* chassis = data.Text(pairOffset);
    const char* slotName = data.Text(data.After(pairOffset));
    char prefix[EventDataSize + 16];
    FormatChassisPrefix(chassis, prefix);
    if (slotName[0] != '\0') {
        return FormatInto(out, "%s%s", prefix, slotName);
    }
    char number[ScratchSize];
    return FormatInto(out, "%sSlot %s", prefix, FormatNumberOrUnknown(slot, number));
}

const char* StorageSideWord(const EventData& data) {
    switch (data.Byte(0)) {
    case 2: return "External";
    case 3: return "Internal";
    default: return "";
    }
}

const char* FormatEnclosureId(const char* text, const EventData& data, std::span<char> out) {
    if (text != nullptr && IsAsciiAlnum(text[0])) {
        return FormatInto(out, "Enclosure Serial Number %.16s", text);
    }
    return FormatInto(out, "Enclosure Address %04X",
                      static_cast<unsigned>((data.Byte(1) << 8) | data.Byte(2)));
}

const char* FormatEnclosurePort(const EventData& data, size_t offset, std::span<char> out) {
    char port[3] = {static_cast<char>(data.Byte(offset)), static_cast<char>(data.Byte(offset + 1)), '\0'};
    return FormatInto(out, "%s", port);
}

const char* CollapseWhitespace(std::span<char> out, const char* text) {
    if (out.empty()) {
        return "";
    }
    size_t count = 0;
    bool previousWhite = true;
    bool wroteAny = false;
    for (const char* p = text; *p != '\0' && count + 1 < out.size(); ++p) {
        bool white = IsWhite(*p);
        if (!(white && previousWhite)) {
            out[count++] = white ? ' ' : *p;
            wroteAny = true;
        }
        previousWhite = white;
    }
    if (previousWhite && wroteAny && count > 0 && out[count - 1] == ' ') {
        --count;
    }
    out[count] = '\0';
    return out.data();
}

} // namespace kestrav
