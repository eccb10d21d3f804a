// Descriptions of unrecoverable system errors: non-maskable interrupts (with their source and service words),
// bus initialisation errors, uncorrectable chipset errors, corrupted data and critical faults.
#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// A 32-bit status or service word as "0x" and exactly eight upper-case hex digits.
const char* Hex(uint32_t value, std::span<char> out) {
    return FormatInto(out, "0x%08X", value);
}

// The interrupt sources the firmware names by the low byte of service word 1; nullptr for the others.
const char* NmiSourceName(uint8_t source) {
    switch (source) {
    case 0x1B: return "ASR timeout NMI";
    case 0x29: return "Brix NMI messaging";
    case 0x2B: return "Brix application watchdog timeout NMI";
    default: return nullptr;
    }
}

// Code 3: the interrupt with both service words, led by the source's name when the firmware names one. Word 1
// is shown whole, so its last two digits repeat the source byte.
void FormatNmiSourceEvent(Writer& out, const EventData& data) {
    char word1[ScratchSize];
    char word2[ScratchSize];
    Hex(data.Le32(0), word1);
    Hex(data.Le32(4), word2);
    char detail[3 * ScratchSize];
    if (const char* source = NmiSourceName(data.Byte(0))) {
        FormatInto(detail, "%s, Service Information: %s, %s", source, word1, word2);
    } else {
        FormatInto(detail, "Service Information: %s, %s", word1, word2);
    }
    out.Format("An Unrecoverable System Error (NMI) has occurred (%s)", detail);
}

} // namespace

void FormatSystemErrorEvent(uint16_t code, const EventData& data, Writer& out) {
    char status1[ScratchSize];
    char status2[ScratchSize];
    switch (code) {
    case 1: out.Format("An Unrecoverable System Error (NMI) has occurred"); break;
    case 2: out.Format("An Unrecoverable System Error (BINIT) has occurred"); break;
    case 3: FormatNmiSourceEvent(out, data); break;
    case 4:
        out.Format("Uncorrectable Chipset Error (Error status 1 %s, Error status 2 %s)",
                   Hex(data.Le32(0), status1), Hex(data.Le32(4), status2));
        break;
    case 5:
        out.Format("Unrecoverable System Error (NMI) has occurred.  System Firmware will log additional "
                   "details in a "
                   "separate CVR entry if possible");
        break;
    case 6: out.Format("Corrupted Data Detected.  Refer to previous events to determine the source"); break;
    case 7: out.Format("Server Critical Fault (Service Information: %s)", data.Text(0)); break;
    }
}

} // namespace kestrav
