#include "decode/event_text.h"

#include <cstring>

#include "decode/decoders.h"
#include "decode/event_data.h"
#include "decode/formatters.h"
#include "record/severity.h"

namespace kestrav {

namespace {

struct ClassName {
    uint16_t eventClass;
    const char* name;
};

constexpr ClassName kClassNames[] = {
    {0, "Empty"},
    {1, "Internal Test"},
    {2, "Machine Environment"},
    {3, "Main Memory"},
    {4, "Cache Memory"},
    {5, "CPU"},
    {6, "Host Bus"},
    {7, "EISA Bus"},
    {8, "PCI Bus"},
    {9, "Expansion Slot"},
    {10, "POST Messages"},
    {11, "Power Subsystem"},
    {12, "UPS"},
    {13, "Automatic Server Recovery"},
    {14, "Operating System"},
    {15, "Diagnostics"},
    {17, "Network Adapter"},
    {18, "SCSI Subsystem"},
    {19, "Drive Array Subsystem"},
    {20, "Unrecoverable System Error"},
    {32, "System Revision"},
    {33, "Maintenance"},
    {34, "Infrastructure Environment"},
    {37, "QRC"},
    {38, "Keldon Carrier"},
    {39, "Power Capping"},
    {40, "Flash Media"},
    {41, "Interlock"},
    {42, "Non-Volatile Memory"},
};

void Clear(std::span<char> buffer) {
    std::memset(buffer.data(), 0, buffer.size());
}

const char* InterlockPrefix(uint8_t kind) {
    switch (kind) {
    case 0: return "Unknown interlock type, ";
    case 1: return "Standby fault, ";
    case 2: return "Runtime fault, ";
    case 3: return "Power on fault, ";
    default: return "";
    }
}

// The classes small enough to need no decoder of their own.
void FormatInlineEvent(uint16_t eventClass, uint16_t code, const EventData& data, Writer& out) {
    char number[ScratchSize];
    switch (eventClass) {
    case 0: out.Format("Empty"); break;
    case 1: out.Format("Reserved"); break;
    case 4:
        if (code == 1) {
            out.Format("Accelerator Cache Memory Parity Error (Socket %s)",
                       FormatNumberOrUnknown(data.Byte(0), number));
        }
        break;
    case 7:
        switch (code) {
        case 1:
            out.Format("EISA Expansion Bus Master Timeout (Slot %s)",
                       FormatNumberOrUnknown(data.Byte(0), number));
            break;
        case 2: out.Format("EISA Expansion Bus Slave Timeout"); break;
        case 3:
            out.Format("EISA Expansion Board Error (Slot %s)", FormatNumberOrUnknown(data.Byte(0), number));
            break;
        case 4: out.Format("EISA Expansion Bus Arbitration Error"); break;
        }
        break;
    case 13:
        switch (code) {
        case 1: out.Format("ASR Detected by System ROM"); break;
        case 2: out.Format("ASR Lockup Detected: %s", data.Text(0)); break;
        case 3: out.Format("ASR Reset Limit Detected by System ROM"); break;
        }
        break;
    case 32:
        switch (code) {
        case 1: out.Format("ROM flashed (%s)", data.Text(0)); break;
        case 2: out.Format("Firmware flashed (%s)", data.Text(0)); break;
        }
        break;
    case 33:
        switch (code) {
        case 1: out.Format("CVR Cleared (%s)", data.Text(0)); break;
        case 2: out.Format("Maintenance note: %s", data.Text(0)); break;
        }
        break;
    case 39:
        switch (code) {
        case 1:
            out.Format("Processor(s) Operating at Reduced Performance Level Due to a Low Power Cap");
            break;
        case 2: out.Format("Power Cap Cannot Be Reached With Current System Configuration"); break;
        case 3:
            out.Format("Power Cap Cannot Be Reached With Current System Configuration (Power Cap %dW)",
                       static_cast<int>(data.Le16(0)));
            break;
        case 4:
            out.Format(
                "Power allocation not optimized. Increased power allocation requested. Server performance "
                "is not degraded.");
            break;
        }
        break;
    case 40:
        if (code == 1) {
            out.Format("Boot From Flash Error (%s)", data.Text(0));
        }
        break;
    case 41:
        if (code == 1) {
            out.Format("Improperly seated or missing device (%s%s)", InterlockPrefix(data.Byte(0)),
                       data.Text(1));
        }
        break;
    }
}

void Dispatch(uint16_t eventClass, uint16_t code, const EventData& data, uint8_t eventDataLength,
              Writer& out) {
    switch (eventClass) {
    case 2: FormatEnvironmentEvent(code, data, out); break;
    case 3: FormatMemoryEvent(code, data, out); break;
    case 5: FormatProcessorEvent(code, data, out); break;
    case 6: FormatHostBusEvent(code, data, out); break;
    case 8: FormatPciBusEvent(code, data, out); break;
    case 9: FormatSlotEvent(code, data, out); break;
    case 10: FormatPostEvent(code, data, out); break;
    case 11: FormatPowerEvent(code, data, eventDataLength, out); break;
    case 14: FormatOsEvent(code, data, out); break;
    case 17: FormatNetworkEvent(code, data, out); break;
    case 18: FormatScsiEvent(code, data, out); break;
    case 19: FormatDriveArrayEvent(code, data, out); break;
    case 20: FormatSystemErrorEvent(code, data, out); break;
    case 34: FormatInfrastructureEvent(code, data, out); break;
    case 37: FormatNodeControllerEvent(code, data, out); break;
    case 38:
        if (code == 1) {
            FormatCarrierEvent(data, out);
        }
        break;
    case 42: FormatNvMemoryEvent(code, data, out); break;
    default: FormatInlineEvent(eventClass, code, data, out); break;
    }
}

} // namespace

void FormatSeverityName(uint8_t severity, std::span<char> buffer) {
    Clear(buffer);
    FormatInto(buffer, "%s", SeverityOf(severity).name);
}

void FormatClassName(uint16_t eventClass, std::span<char> buffer) {
    Clear(buffer);
    const char* name = "Unknown";
    for (const ClassName& c : kClassNames) {
        if (c.eventClass == eventClass) {
            name = c.name;
            break;
        }
    }
    FormatInto(buffer, "%s", name);
}

void FormatEventDescription(uint16_t eventClass, uint16_t code, const uint8_t* eventData,
                            std::span<char> buffer, uint8_t eventDataLength) {
    Clear(buffer);
    EventData data(eventData);
    Writer out(buffer);
    Dispatch(eventClass, code, data, eventDataLength, out);
    if (buffer[0] == '\0') {
        out.Format("Unknown Event (Class 0x%02X, Code 0x%02X)", static_cast<unsigned>(eventClass),
                   static_cast<unsigned>(code));
    }
}

void FormatEntryDescription(const LogEntry& entry, std::span<char> buffer) {
    FormatEventDescription(entry.Class(), entry.Code(), entry.EventData(), buffer, entry.EventDataLength());
}

} // namespace kestrav
