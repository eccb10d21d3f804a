// Descriptions of class 37: the events that the service processors of the two QRC boards (upper and lower
// tray) report about processor access and initialization, QPI and board-to-board links, disabled processors
// and I/O boards, and faults of the QRC boards themselves. Every code gets a text, unknown codes included.
#include <algorithm>

#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

// Byte 0 of most events names the board whose service processor reported it.
constexpr uint8_t kUpperBoard = 0x8A;
constexpr uint8_t kLowerBoard = 0x8C;

struct ReporterWords {
    const char* reporter; // in running text: "reported by upper QRC board ..."
    const char* own;      // the reporting board's tray
    const char* other;    // the board across from the reporter
};

ReporterWords WordsFor(uint8_t board) {
    switch (board) {
    case kUpperBoard: return {"upper", "Upper", "Lower"};
    case kLowerBoard: return {"lower", "Lower", "Upper"};
    default: return {"unknown", "Unknown", "Unknown"};
    }
}

// Access target 0 is a QRC chip of the reporting board; the other targets are fixed parts of the machine.
struct AccessTarget {
    uint16_t value;
    const char* name;
};

constexpr AccessTarget AccessTargetNames[] = {
    {0x0100, "Main IO"},
    {0x0101, "LP (Low Profile) IO"},
    {0x0300, "Sub IO"},
    {0x0400, "Proc 1 (Upper Tray, Processor 1)"},
    {0x0401, "Proc 5 (Lower Tray, Processor 4)"},
    {0x0500, "Proc 2 (Upper Tray, Processor 2)"},
    {0x0501, "Proc 6 (Lower Tray, Processor 3)"},
    {0x0600, "Proc 3 (Upper Tray, Processor 3)"},
    {0x0601, "Proc 7 (Lower Tray, Processor 2)"},
    {0x0700, "Proc 4 (Upper Tray, Processor 4)"},
    {0x0701, "Proc 8 (Lower Tray, Processor 1)"},
};

const char* AccessTargetName(uint16_t target, uint8_t board, uint8_t detail) {
    if (target == 0) {
        bool secondQrc = detail >= 0x10;
        if (board == kUpperBoard) {
            return secondQrc ? "Upper QRC Board, QRC 2" : "Upper QRC Board, QRC 1";
        }
        return secondQrc ? "Lower QRC Board, QRC 2" : "Lower QRC Board, QRC 1";
    }
    for (const AccessTarget& t : AccessTargetNames) {
        if (t.value == target) {
            return t.name;
        }
    }
    return "Unknown";
}

// The far end of each of the four QPI links of the eight processors, by partner row (one per processor) and
// link (the low two bits of the link number).
constexpr const char* QpiLinkPartners[8][4] = {
    {"Upper QRC Board, QRC 1", "MainIO", "Upper QRC Board, QRC 2", "Proc 2 (Upper Tray, Processor 2)"},
    {"Proc 1 (Upper Tray, Processor 1)", "Upper QRC Board, QRC 1", "MainIO", "Upper QRC Board, QRC 2"},
    {"Upper QRC Board, QRC 1", "SubIO", "Upper QRC Board, QRC 2", "Proc 4 (Upper Tray, Processor 4)"},
    {"Upper QRC Board, QRC 2", "Proc 3 (Upper Tray, Processor 3)", "Upper QRC Board, QRC 1", "SubIO"},
    {"Lower QRC Board, QRC 1", "NC", "Lower QRC Board, QRC 2", "Proc 7 (Lower Tray, Processor 2)"},
    {"Proc 8 (Lower Tray, Processor 1)", "Lower QRC Board, QRC 2", "NC", "Lower QRC Board, QRC 1"},
    {"Lower QRC Board, QRC 2", "LP IO", "Lower QRC Board, QRC 1", "Proc 5 (Lower Tray, Processor 4)"},
    {"Lower QRC Board, QRC 1", "Proc 6 (Lower Tray, Processor 3)", "Lower QRC Board, QRC 2", "LP IO"},
};

// A processor index of 8 or more (the row computed from it then lies outside the eight processors) names no
// partner; the link is then shown against "Unknown", as any other unidentified part is.
const char* QpiLinkPartner(uint8_t row, uint8_t link) {
    if (row >= std::size(QpiLinkPartners)) {
        return "Unknown";
    }
    return QpiLinkPartners[row][link & 0x03];
}

// The board-to-board links by link key: QRC number (1 or 2) in the high nibble, link index in the low one.
// Internal links run inside the cube and have no port names.
struct BoardLink {
    uint8_t key;
    const char* kind;
    const char* firstPort;  // at the reporting board's QRC
    const char* secondPort; // at the other board's QRC
};

constexpr BoardLink BoardLinkPorts[] = {
    {0x10, "External", "Port 4", "Port 1"},
    {0x11, "External", "Port 3", "Port 2"},
    {0x12, "Internal", "", ""},
    {0x13, "Internal", "", ""},
    {0x14, "External", "Port 2", "Port 3"},
    {0x15, "External", "Port 1", "Port 4"},
    {0x20, "External", "Port 5", "Port 8"},
    {0x21, "External", "Port 8", "Port 5"},
    {0x22, "External", "Port 6", "Port 7"},
    {0x23, "External", "Port 7", "Port 6"},
    {0x24, "Internal", "", ""},
    {0x25, "Internal", "", ""},
};

// The key is only meaningful when a known board reported it.
const BoardLink* FindBoardLink(uint8_t board, uint8_t qrcNumber, uint8_t link) {
    if (board != kUpperBoard && board != kLowerBoard) {
        return nullptr;
    }
    uint8_t key = static_cast<uint8_t>((qrcNumber << 4) | link);
    for (const BoardLink& b : BoardLinkPorts) {
        if (b.key == key) {
            return &b;
        }
    }
    return nullptr;
}

const char* const kIoBoardNames[] = {"Main IO", "Sub IO", "Low Profile (LP) IO"};
const NameTable IoBoardNames = MakeNameTable(kIoBoardNames, "Unrecognized IO Board");

// The ten words that list the processors of a mask: a heading per tray with any bit set, then " 1" to " 4"
// for each set bit. Words of absent processors are empty, so the blanks between them stay in the text.
struct MaskWords {
    const char* w[10];
};

MaskWords BuildMaskWords(uint8_t mask, const char* upperHeading, const char* lowerHeading) {
    static constexpr const char* kNumbers[4] = {" 1", " 2", " 3", " 4"};
    MaskWords words{};
    words.w[0] = (mask & 0x0F) != 0 ? upperHeading : "";
    words.w[5] = (mask & 0xF0) != 0 ? lowerHeading : "";
    for (int bit = 0; bit < 4; ++bit) {
        words.w[1 + bit] = (mask & (1u << bit)) != 0 ? kNumbers[bit] : "";
        words.w[6 + bit] = (mask & (1u << (bit + 4))) != 0 ? kNumbers[bit] : "";
    }
    return words;
}

// Tray and QRC chip of the error-reporting events (codes 192 to 197).
const char* ChipBoardWord(uint8_t chip) {
    return (chip & 0x02) != 0 ? "Lower" : "Upper";
}
int ChipNumber(uint8_t chip) {
    return (chip & 0x01) != 0 ? 2 : 1;
}

// Byte 0 of the error-reporting events is the record length; the detail bytes run from first to just before
// it. A length that claims more than the event data holds is cut at the end of the event data, so nothing is
// shown that the record does not carry.
void AppendDetailBytes(const EventData& data, size_t first, Writer& out) {
    size_t end = std::min<size_t>(data.Byte(0), EventData::Size);
    for (size_t i = first; i < end; ++i) {
        out.Append(" 0x%02x", static_cast<unsigned>(data.Byte(i)));
    }
}

void FormatSideBandFailure(const EventData& data, const ReporterWords& words, Writer& out) {
    bool upper = data.Byte(0) == kUpperBoard;
    // Byte 2 is the character '0' or '1' naming the processor within the pair; the lower board counts its
    // processors the other way round.
    uint8_t firstOfPair = upper ? '0' : '1';
    uint8_t processor =
        static_cast<uint8_t>(1 + (data.Byte(1) != 0 ? 2 : 0) + (data.Byte(2) != firstOfPair ? 1 : 0));
    uint8_t proc = upper ? processor : static_cast<uint8_t>(9 - processor);
    out.Format("Proc %d (%s Tray, Processor %d) side-band access failure reported by %s QRC board service "
               "processor.  Details: 0x%02X 0x%08X 0x%02X 0x%08X",
               proc, words.own, processor, words.reporter, data.Byte(4), data.Be32(5), data.Byte(3),
               data.Be32(9));
}

void FormatQpiLinkEvent(uint16_t code, const EventData& data, const ReporterWords& words, Writer& out) {
    uint8_t index = data.Byte(1);
    uint8_t proc;
    uint8_t processor;
    uint8_t row;
    if (data.Byte(0) == kUpperBoard) {
        proc = processor = static_cast<uint8_t>(index + 1);
        row = index;
    } else {
        proc = static_cast<uint8_t>(index + 5);
        processor = static_cast<uint8_t>(4 - index);
        row = static_cast<uint8_t>(7 - index);
    }
    const char* partner = QpiLinkPartner(row, data.Byte(2));
    uint8_t status = data.Byte(3);
    switch (status) {
    case 3:
    case 4:
        out.Format(
            "QPI Link training failure between Proc %d (%s Tray, Processor %d) and %s reported by %s QRC "
            "board service processor, link status 0x%02X",
            proc, words.own, processor, partner, words.reporter, status);
        break;
    case 2:
        out.Format("QPI Link between Proc %d (%s Tray, Processor %d) and %s trained in reduced-width mode "
                   "reported by %s QRC board service processor, link status 0x%02X",
                   proc, words.own, processor, partner, words.reporter, status);
        break;
    default: out.Format("QRC event %d occurred", static_cast<int>(code)); break;
    }
}

void FormatBoardLinkEvent(const EventData& data, const ReporterWords& words, Writer& out) {
    // The QRC number is the index plus one, kept to a byte as the firmware keeps it.
    uint8_t qrc = static_cast<uint8_t>(data.Byte(1) + 1);
    uint8_t status = data.Byte(3);
    const BoardLink* link = FindBoardLink(data.Byte(0), qrc, data.Byte(2));
    if (link == nullptr) {
        out.Format(
            "Link training failure reported by %s QRC board service processor.  Details: 0x%02X 0x%02X "
            "0x%02X",
            words.reporter, data.Byte(1), data.Byte(2), status);
        return;
    }
    if (status == 3) {
        out.Format(
            "%s link training failure between %s QRC Board, QRC %d %s and %s QRC Board, QRC %d %s reported "
            "by %s QRC board service processor.  Details: 0x%02X",
            link->kind, words.own, qrc, link->firstPort, words.other, qrc, link->secondPort, words.reporter,
            status);
    } else {
        out.Format(
            "%s link with reduced bandwidth between %s QRC Board, QRC %d %s and %s QRC Board, QRC %d %s "
            "reported by %s QRC board service processor.  Details: 0x%02X",
            link->kind, words.own, qrc, link->firstPort, words.other, qrc, link->secondPort, words.reporter,
            status);
    }
}

void FormatProcessorConfiguration(const EventData& data, const ReporterWords& words, Writer& out) {
    uint8_t unsupported = data.Byte(1);
    uint8_t mismatched = data.Byte(2);
    MaskWords m = BuildMaskWords(unsupported != 0 ? unsupported : mismatched, "   Upper Tray, Processor(s)",
                                 "   Lower Tray, Processor(s)");
    out.Format("%s processor configuration: %s %s %s %s %s %s %s %s %s %s - reported by %s QRC board service "
               "processor.  Details: 0x%02X 0x%04X 0x%04X",
               unsupported != 0 ? "Unsupported" : "Mismatched", m.w[0], m.w[1], m.w[2], m.w[3], m.w[4],
               m.w[5], m.w[6], m.w[7], m.w[8], m.w[9], words.reporter, mismatched, data.Be16(3),
               data.Be16(5));
}

void FormatDisabledProcessors(const EventData& data, const ReporterWords& words, Writer& out) {
    MaskWords m = BuildMaskWords(data.Byte(1), "Upper Tray, Processor(s)", "Lower Tray, Processor(s)");
    // The record carries detail bytes from offset 2 on; the fifth detail shows byte 6, the next byte of the
    // record, so that every detail is a distinct byte.
    out.Format(
        "%s %s %s %s %s %s %s %s %s %s disabled by %s QRC board service processor.  Details: 0x%02X 0x%02X "
        "0x%02X 0x%02X 0x%02X",
        m.w[0], m.w[1], m.w[2], m.w[3], m.w[4], m.w[5], m.w[6], m.w[7], m.w[8], m.w[9], words.reporter,
        data.Byte(2), data.Byte(3), data.Byte(4), data.Byte(5), data.Byte(6));
}

} // namespace

void FormatNodeControllerEvent(uint16_t code, const EventData& data, Writer& out) {
    const ReporterWords words = WordsFor(data.Byte(0));
    const uint8_t chip = data.Byte(1);
    switch (code) {
    case 1: FormatSideBandFailure(data, words, out); break;
    case 2:
        out.Format(
            "%s access failure reported by %s QRC board service processor.  Details: 0x%02X 0x%08X%08X "
            "0x%02X",
            AccessTargetName(data.Be16(11), data.Byte(0), data.Byte(1)), words.reporter, data.Byte(1),
            data.Be32(3), data.Be32(7), data.Byte(2));
        break;
    case 4: FormatProcessorConfiguration(data, words, out); break;
    case 6: {
        uint8_t index = data.Byte(1);
        bool lower = data.Byte(0) == kLowerBoard;
        uint8_t proc = static_cast<uint8_t>(index + (lower ? 5 : 1));
        uint8_t processor = static_cast<uint8_t>(lower ? 4 - index : index + 1);
        out.Format("Proc %d (%s Tray, Processor %d) initialization failure reported by %s QRC board service "
                   "processor",
                   proc, words.own, processor, words.reporter);
        break;
    }
    case 7: FormatQpiLinkEvent(code, data, words, out); break;
    case 8: FormatBoardLinkEvent(data, words, out); break;
    case 9:
        out.Format(
            "QRC Cube Assembly failure.  %s QRC board service processor response timeout reported by %s QRC "
            "board service processor",
            words.other, words.reporter);
        break;
    case 10:
        out.Format("QRC Cube Assembly failure.  %s QRC board not detected by %s QRC board service processor",
                   words.other, words.reporter);
        break;
    case 52:
        out.Format("System initialization failure reported by %s QRC board service processor",
                   words.reporter);
        break;
    case 53:
        if (data.Byte(1) == 0) {
            out.Format(
                "Invalid processor configuration.  No enabled or installed processors reported by %s QRC "
                "board service processor",
                words.reporter);
        } else {
            out.Format(
                "Processor configuration degraded to %d sockets reported by %s QRC board service processor",
                data.Byte(1), words.reporter);
        }
        break;
    case 57: FormatDisabledProcessors(data, words, out); break;
    case 64:
        out.Format("%s disabled by %s QRC board service processor. Details: 0x%02X 0x%02X 0x%02X",
                   LookupName(IoBoardNames, data.Byte(1)), words.reporter, data.Byte(2), data.Byte(3),
                   data.Byte(4));
        break;
    case 81: out.Format("Events from %s QRC board server processor were dropped", words.reporter); break;
    case 128:
        out.Format("Power fault occurred on %s QRC board. Details: 0x%02X", words.reporter, data.Byte(1));
        break;
    case 129:
        out.Format("Reset occurred on %s QRC board service processor. Details: 0x%02X", words.reporter,
                   data.Byte(1));
        break;
    case 130:
        out.Format("%s QRC board service processor initialization fault. Details: 0x%02X", words.reporter,
                   data.Byte(1));
        break;
    case 131:
        out.Format("Unexpected %s QRC board service processor FPGA Reconfiguration", words.reporter);
        break;
    case 132: out.Format("QRC %s board service processor is not available", words.reporter); break;
    case 192:
        out.Format("Uncorrectable error detected on %s QRC Board, QRC %d. Details:", ChipBoardWord(chip),
                   ChipNumber(chip));
        AppendDetailBytes(data, 2, out);
        break;
    case 193:
        out.Format("Correctable error detected on %s QRC Board, QRC %d. Details:", ChipBoardWord(chip),
                   ChipNumber(chip));
        AppendDetailBytes(data, 2, out);
        break;
    case 196:
        out.Format("Uncorrectable fabric error detected on %s QRC Board, QRC %d, link %d. Details:",
                   ChipBoardWord(chip), ChipNumber(chip), data.Byte(2));
        AppendDetailBytes(data, 3, out);
        break;
    case 197:
        out.Format("Correctable fabric error detected on %s QRC Board, QRC %d, link %d. Details:",
                   ChipBoardWord(chip), ChipNumber(chip), data.Byte(2));
        AppendDetailBytes(data, 3, out);
        break;
    default: out.Format("Unknown QRC event occurred, Code 0x%02X", static_cast<unsigned>(code)); break;
    }
}

} // namespace kestrav
