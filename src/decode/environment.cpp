// Class 2 (Machine Environment): overheating, fans, side panels, storage-enclosure fans and temperatures,
// storage-controller overheating and temperature-sensor loss, for every kind of enclosure.
#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// The enclosure kind in byte 0 of most events.
enum EnclosureKind : uint8_t {
    SystemOrChassis = 1, // the system itself, or an external chassis numbered by byte 1 when that is not 0
    ExternalStorage = 2,
    InternalStorage = 3,
    BladeEnclosure = 4,
    PowerEnclosure = 5,
};

// Room for any text of the event data with a few words around it.
constexpr size_t NameSize = EventDataSize + 16;

// Where the chassis name (or enclosure serial number) starts for each layout; the detail text follows it.
constexpr size_t OverheatTextOffset = 6;   // codes 1, 10, 14
constexpr size_t FanTextOffset = 5;        // codes 2, 3, 4, 5, 8, 9
constexpr size_t RedundancyTextOffset = 4; // code 6

// The names an event may give its enclosure, all taken from the text that starts at textOffset. Each is
// formatted only when asked for, into its own buffer.
class EnclosureNames {
public:
    EnclosureNames(const EventData& data, size_t textOffset) : data_(data), text_(data.Text(textOffset)) {}

    uint8_t Kind() const { return data_.Byte(0); }
    // Byte 1: the number of an external chassis (0 for the system itself) or the slot of a storage system.
    uint8_t Number() const { return data_.Byte(1); }
    const char* Chassis() { return FormatNameOrNumber(Number(), text_, chassis_); }
    const char* Prefix() { return FormatChassisPrefix(text_, prefix_); }
    const char* Slot() { return FormatNumberOrUnknown(Number(), slot_); }
    const char* Id() { return FormatEnclosureId(text_, data_, id_); }

private:
    const EventData& data_;
    const char* text_;
    char chassis_[NameSize];
    char prefix_[NameSize];
    char slot_[ScratchSize];
    char id_[ScratchSize];
};

// Where a sensor or fan sits.
const char* const kLocationNames[] = {
    "System",          "System Board", "I/O Board",  "CPU",     "Memory",       "Storage",
    "Removable Media", "Power Supply", "Ambient",    "Chassis", "Bridge Board", "Management Board",
    "Backplane",       "Network Slot", "Blade Slot", "Virtual",
};
static_assert(std::size(kLocationNames) == 16);
constexpr NameTable LocationNames = MakeNameTable(kLocationNames);

const char* Location(const EventData& data, size_t offset) {
    return LookupName(LocationNames, data.Byte(offset));
}

// 0xFF gives "Unknown"; any other value "<n>C".
const char* FormatTemperature(uint8_t value, std::span<char> scratch) {
    if (value == 0xFF) {
        return "Unknown";
    }
    return FormatInto(scratch, "%uC", static_cast<unsigned>(value));
}

// Codes 1 and 10.
void FormatOverheatEvent(const EventData& data, Writer& out) {
    EnclosureNames names(data, OverheatTextOffset);
    char sensor[ScratchSize];
    char temperature[ScratchSize];
    const char* sensorText = FormatNumberOrUnknown(data.Byte(3), sensor);
    const char* location = Location(data, 4);
    const char* temperatureText = FormatTemperature(data.Byte(5), temperature);
    switch (names.Kind()) {
    case SystemOrChassis:
        if (names.Number() != 0) {
            out.Format("External Chassis Overheating (Chassis %s, Temperature Sensor %s, Location %s, "
                       "Temperature %s)",
                       names.Chassis(), sensorText, location, temperatureText);
        } else {
            out.Format("System Overheating (Temperature Sensor %s, Location %s, Temperature %s)", sensorText,
                       location, temperatureText);
        }
        break;
    case ExternalStorage:
        out.Format("External Storage System Overheating (%sSlot %s, Temperature Sensor %s, Location %s, "
                   "Temperature %s)",
                   names.Prefix(), names.Slot(), sensorText, location, temperatureText);
        break;
    case InternalStorage:
        out.Format("Internal Storage System Overheating (%sSlot %s, Temperature Sensor %s, Location %s, "
                   "Temperature %s)",
                   names.Prefix(), names.Slot(), sensorText, location, temperatureText);
        break;
    case BladeEnclosure:
        out.Format(
            "Server Blade Enclosure Overheating (Temperature Sensor %s, Location %s, Temperature %s, %s)",
            sensorText, location, temperatureText, names.Id());
        break;
    case PowerEnclosure:
        out.Format("Power Enclosure Overheating (Temperature Sensor %s, Location %s, Temperature %s, %s)",
                   sensorText, location, temperatureText, names.Id());
        break;
    }
}

// The sentences of a fan event for each enclosure kind. The comments give the arguments each format takes,
// always in this order.
struct FanSentence {
    const char* externalChassis; // chassis, fan, location
    const char* system;          // fan, location
    const char* externalStorage; // chassis prefix, slot, fan, location
    const char* internalStorage; // chassis prefix, slot, fan, location
    const char* bladeEnclosure;  // fan, location, enclosure id
    const char* powerEnclosure;  // fan, location, enclosure id
};

// Codes 2 and 8.
constexpr FanSentence FanFailureSentence = {
    "External Chassis Fan Failure (Chassis %s, Fan %s, Location %s)",
    "Fan Failure (Fan %s, Location %s)",
    "External Storage System Fan Failure (%sSlot %s, Fan %s, Location %s)",
    "Internal Storage System Fan Failure (%sSlot %s, Fan %s, Location %s)",
    "Server Blade Enclosure Fan Failure (Fan %s, Location %s, %s)",
    "Power Enclosure Fan Failure (Fan %s, Location %s, %s)",
};

// Code 4.
constexpr FanSentence FanRemovedSentence = {
    "External Chassis Fan Removed (Chassis %s, Fan %s, Location %s)",
    "System Fan Removed (Fan %s, Location %s)",
    "External Storage System Fan Removed (%sSlot %s, Fan %s, Location %s)",
    "Internal Storage System Fan Removed (%sSlot %s, Fan %s, Location %s)",
    "Server Blade Enclosure Fan Removed (Fan %s, Location %s, %s)",
    "Power Enclosure Fan Removed (Fan %s, Location %s, %s)",
};

// Code 5.
constexpr FanSentence FanInsertedSentence = {
    "External Chassis Fan Inserted (Chassis %s, Fan %s, Location %s)",
    "System Fan Inserted (Fan %s, Location %s)",
    "External Storage System Fan Inserted (%sSlot %s, Fan %s, Location %s)",
    "Internal Storage System Fan Inserted (%sSlot %s, Fan %s, Location %s)",
    "Server Blade Enclosure Fan Inserted (Fan %s, Location %s, %s)",
    "Power Enclosure Fan Inserted (Fan %s, Location %s, %s)",
};

// A fan that failed, was removed or was inserted, in the sentence for its enclosure kind.
void FormatFanEvent(const EventData& data, const FanSentence& sentence, Writer& out) {
    EnclosureNames names(data, FanTextOffset);
    char fan[ScratchSize];
    const char* fanText = FormatNumberOrUnknown(data.Byte(3), fan);
    const char* location = Location(data, 4);
    switch (names.Kind()) {
    case SystemOrChassis:
        if (names.Number() != 0) {
            out.Format(sentence.externalChassis, names.Chassis(), fanText, location);
        } else {
            out.Format(sentence.system, fanText, location);
        }
        break;
    case ExternalStorage:
        out.Format(sentence.externalStorage, names.Prefix(), names.Slot(), fanText, location);
        break;
    case InternalStorage:
        out.Format(sentence.internalStorage, names.Prefix(), names.Slot(), fanText, location);
        break;
    case BladeEnclosure: out.Format(sentence.bladeEnclosure, fanText, location, names.Id()); break;
    case PowerEnclosure: out.Format(sentence.powerEnclosure, fanText, location, names.Id()); break;
    }
}

// Codes 3 and 9.
void FormatSidePanelEvent(const EventData& data, Writer& out) {
    EnclosureNames names(data, FanTextOffset);
    switch (names.Kind()) {
    case SystemOrChassis:
        if (names.Number() != 0) {
            out.Format("External Chassis side panel removed or improperly installed (Chassis %s)",
                       names.Chassis());
        } else {
            out.Format("Side panel removed or improperly installed");
        }
        break;
    case ExternalStorage:
        out.Format("External Storage System side panel removed or improperly installed (%sSlot %s)",
                   names.Prefix(), names.Slot());
        break;
    case InternalStorage:
        out.Format("Internal Storage System side panel removed or improperly installed (%sSlot %s)",
                   names.Prefix(), names.Slot());
        break;
    case BladeEnclosure:
        out.Format("Server Blade Enclosure side panel removed or improperly installed");
        break;
    case PowerEnclosure: out.Format("Power Enclosure side panel removed or improperly installed"); break;
    }
}

// Code 6.
void FormatFansNotRedundantEvent(const EventData& data, Writer& out) {
    EnclosureNames names(data, RedundancyTextOffset);
    const char* location = Location(data, 3);
    switch (names.Kind()) {
    case SystemOrChassis:
        if (names.Number() != 0) {
            out.Format("External Chassis Fans Not Redundant (Chassis %s, Location %s)", names.Chassis(),
                       location);
        } else {
            out.Format("System Fans Not Redundant (Location %s)", location);
        }
        break;
    case ExternalStorage:
        out.Format("External Storage System Fans Not Redundant (%sSlot %s, Location %s)", names.Prefix(),
                   names.Slot(), location);
        break;
    case InternalStorage:
        out.Format("Internal Storage System Fans Not Redundant (%sSlot %s, Location %s)", names.Prefix(),
                   names.Slot(), location);
        break;
    case BladeEnclosure:
        out.Format("Server Blade Enclosure Fans Not Redundant (Location %s, %s)", location, names.Id());
        break;
    case PowerEnclosure:
        out.Format("Power Enclosure Fans Not Redundant (Location %s, %s)", location, names.Id());
        break;
    }
}

// Codes 8, 9 and 10 repeat codes 2, 3 and 1 with a second text after the first; it is added after the closing
// parenthesis, even when the kind gave no sentence.
void AppendTrailingText(const EventData& data, size_t textOffset, Writer& out) {
    const char* trailing = data.Text(data.After(textOffset));
    if (trailing[0] != '\0') {
        out.Append(", %s", trailing);
    }
}

// Code 11.
void FormatEnclosureFanEvent(const EventData& data, Writer& out) {
    char port[3];
    char slot[SlotTextSize];
    out.Format("%s Storage Enclosure Fan Failure (Fan %u, Location %s, Box %u, Port %s, %s)",
               StorageSideWord(data), data.Byte(3), Location(data, 4), data.Byte(7),
               FormatEnclosurePort(data, 5, port), FormatStorageSlot(slot, data, 8, data.Byte(1)));
}

// Code 12.
void FormatEnclosureHeatEvent(const EventData& data, Writer& out) {
    char port[3];
    char slot[SlotTextSize];
    out.Format("%s Storage Enclosure Overheating (Temperature Sensor %u, Location %s, Box %u, Port %s, %s)",
               StorageSideWord(data), data.Byte(3), Location(data, 4), data.Byte(7),
               FormatEnclosurePort(data, 5, port), FormatStorageSlot(slot, data, 8, data.Byte(1)));
}

// Code 13: a fan, a fan module or a fan within a module, whichever bytes 3 and 4 name.
void FormatEnclosureFanModuleEvent(const EventData& data, Writer& out) {
    uint8_t fan = data.Byte(3);
    uint8_t module = data.Byte(4);
    char fanText[ScratchSize];
    if (fan != 0 && module != 0) {
        FormatInto(fanText, "Fan %u, Fan Module %u", fan, module);
    } else if (module != 0) {
        FormatInto(fanText, "Fan Module %u", module);
    } else {
        FormatInto(fanText, "Fan %u", fan);
    }
    char port[3];
    char slot[SlotTextSize];
    out.Format("%s Storage Enclosure Fan Failure (%s, Location %s, Box %u, Port %s, %s)",
               StorageSideWord(data), fanText, Location(data, 5), data.Byte(8),
               FormatEnclosurePort(data, 6, port), FormatStorageSlot(slot, data, 9, data.Byte(1)));
}

// Code 14: overheating with a detail text inside the parentheses.
void FormatOverheatDetailEvent(const EventData& data, Writer& out) {
    EnclosureNames names(data, OverheatTextOffset);
    const char* detailText = data.Text(data.After(OverheatTextOffset));
    char detail[NameSize];
    if (detailText[0] != '\0') {
        FormatInto(detail, ", %s", detailText);
    } else {
        detail[0] = '\0';
    }
    char sensor[ScratchSize];
    char temperature[ScratchSize];
    const char* sensorText = FormatNumberOrUnknown(data.Byte(3), sensor);
    const char* location = Location(data, 4);
    const char* temperatureText = FormatTemperature(data.Byte(5), temperature);
    switch (names.Kind()) {
    case SystemOrChassis:
        if (names.Number() != 0) {
            out.Format("External Chassis Overheating (Chassis %s, Temperature Sensor %s, Location %s, "
                       "Temperature %s%s)",
                       names.Chassis(), sensorText, location, temperatureText, detail);
        } else if (data.Byte(3) == 0xFF) {
            out.Format("Critical Temperature Threshold Exceeded");
        } else {
            out.Format("Critical Temperature Threshold Exceeded (Temperature Sensor %s, Location %s, "
                       "Temperature %s%s)",
                       sensorText, location, temperatureText, detail);
        }
        break;
    case ExternalStorage:
        out.Format("External Storage System Overheating (%sSlot %s, Temperature Sensor %s, Location %s, "
                   "Temperature %s%s)",
                   names.Prefix(), names.Slot(), sensorText, location, temperatureText, detail);
        break;
    case InternalStorage:
        out.Format("Internal Storage System Overheating (%sSlot %s, Temperature Sensor %s, Location %s, "
                   "Temperature %s%s)",
                   names.Prefix(), names.Slot(), sensorText, location, temperatureText, detail);
        break;
    case BladeEnclosure:
        out.Format(
            "Server Blade Enclosure Overheating (Temperature Sensor %s, Location %s, Temperature %s, %s%s)",
            sensorText, location, temperatureText, names.Id(), detail);
        break;
    case PowerEnclosure:
        out.Format("Power Enclosure Overheating (Temperature Sensor %s, Location %s, Temperature %s, %s%s)",
                   sensorText, location, temperatureText, names.Id(), detail);
        break;
    }
}

// Code 15.
void FormatControllerHeatEvent(const EventData& data, Writer& out) {
    char slot[SlotTextSize];
    out.Format("%s Storage Controller Overheating (Temperature Sensor %u, Location %s, %s)",
               StorageSideWord(data), data.Byte(3), Location(data, 4),
               FormatStorageSlot(slot, data, 5, data.Byte(1)));
}

} // namespace

void FormatEnvironmentEvent(uint16_t code, const EventData& data, Writer& out) {
    switch (code) {
    case 1: FormatOverheatEvent(data, out); break;
    case 2: FormatFanEvent(data, FanFailureSentence, out); break;
    case 3: FormatSidePanelEvent(data, out); break;
    case 4: FormatFanEvent(data, FanRemovedSentence, out); break;
    case 5: FormatFanEvent(data, FanInsertedSentence, out); break;
    case 6: FormatFansNotRedundantEvent(data, out); break;
    case 7: out.Format("System Fans Not Redundant (Shared Location %s)", Location(data, 4)); break;
    case 8:
        FormatFanEvent(data, FanFailureSentence, out);
        AppendTrailingText(data, FanTextOffset, out);
        break;
    case 9:
        FormatSidePanelEvent(data, out);
        AppendTrailingText(data, FanTextOffset, out);
        break;
    case 10:
        FormatOverheatEvent(data, out);
        AppendTrailingText(data, OverheatTextOffset, out);
        break;
    case 11: FormatEnclosureFanEvent(data, out); break;
    case 12: FormatEnclosureHeatEvent(data, out); break;
    case 13: FormatEnclosureFanModuleEvent(data, out); break;
    case 14: FormatOverheatDetailEvent(data, out); break;
    case 15: FormatControllerHeatEvent(data, out); break;
    case 16:
        out.Format("Critical Temperature Threshold Exceeded (Service Information: %s)", data.Text(0));
        break;
    case 17:
        out.Format("Temperature sensor has stopped reporting, Maximum Cooling enabled as a precaution "
                   "(Temperature sensor %d)",
                   data.Byte(0));
        break;
    case 18:
        out.Format("Temperature sensor reporting restored, returning to previous Thermal Configuration "
                   "(Temperature sensor %d)",
                   data.Byte(0));
        break;
    }
}

} // namespace kestrav
