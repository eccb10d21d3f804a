#include "decode/formatters.h"

#include <cstring>

namespace kestrav {

namespace {

constexpr const char* kUnknown = "Unknown";

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

const char* LookupName(const NameTable& table, unsigned index) {
    return index < table.bound ? table.names[index] : table.fallback;
}

const char* FormatNumberOrUnknown(uint8_t value, std::span<char> scratch) {
    if (value == 0xFF) {
        return kUnknown;
    }
    return FormatInto(scratch, "%u", static_cast<unsigned>(value));
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
