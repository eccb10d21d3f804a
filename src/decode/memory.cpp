// Class 3 (Main Memory): corrected and uncorrectable memory errors with their modules, boards, banks and
// serial numbers, lists of candidate modules, memory boards and cartridges, online spare and mirrored memory,
// and the memory faults found while the system starts.
#include <cstring>

#include "decode/decoders.h"
#include "decode/formatters.h"

namespace kestrav {

namespace {

constexpr size_t MaxCandidates = 4;
constexpr size_t SerialNumberSize = 80;     // one serial number of a candidate list
constexpr size_t CandidateTextSize = 80;    // one entry of a ", or " list
constexpr size_t CandidateListSize = 512;   // the joined entries
constexpr size_t SingleSerialOffset = 2;    // codes 1, 2, 10, 21, 22
constexpr size_t CandidateSerialOffset = 9; // codes 3, 19, 20, 23, 24, 25
constexpr size_t RomSerialOffset = 4;       // code 18

// 0xFF gives "Unknown"; any other value is the bank letter itself.
const char* FormatLetterOrUnknown(uint8_t value, std::span<char> scratch) {
    if (value == 0xFF) {
        return "Unknown";
    }
    return FormatInto(scratch, "%c", static_cast<char>(value));
}

// The sentence of a single-module error in each of the four ways it names the module, each with and without a
// serial number. The comments give the arguments each format takes, always in this order.
struct ModuleSentence {
    const char* unknown;            // none (board and module both unknown)
    const char* unknownSerial;      // serial number
    const char* board;              // board, module
    const char* boardSerial;        // board, module, serial number
    const char* system;             // none (system memory, no module)
    const char* systemSerial;       // serial number
    const char* systemModule;       // module
    const char* systemModuleSerial; // module, serial number
};

constexpr ModuleSentence CorrectedModuleSentence = {
    "Corrected Memory Error threshold exceeded (Memory Module Unknown)",
    "Corrected Memory Error threshold exceeded (Memory Module Unknown, Serial Number %s)",
    "Corrected Memory Error threshold exceeded (Board %s, Memory Module %s)",
    "Corrected Memory Error threshold exceeded (Board %s, Memory Module %s, Serial Number %s)",
    "Corrected Memory Error threshold exceeded (System Memory)",
    "Corrected Memory Error threshold exceeded (System Memory, Serial Number %s)",
    "Corrected Memory Error threshold exceeded (System Memory, Memory Module %s)",
    "Corrected Memory Error threshold exceeded (System Memory, Memory Module %s, Serial Number %s)",
};

constexpr ModuleSentence UncorrectableModuleSentence = {
    "Uncorrectable Memory Error (Module Unknown)",
    "Uncorrectable Memory Error (Module Unknown, Serial Number %s)",
    "Uncorrectable Memory Error (Board %s, Memory Module %s)",
    "Uncorrectable Memory Error (Board %s, Memory Module %s, Serial Number %s)",
    "Uncorrectable Memory Error (System Memory)",
    "Uncorrectable Memory Error (System Memory, Serial Number %s)",
    "Uncorrectable Memory Error (System Memory, Memory Module %s)",
    "Uncorrectable Memory Error (System Memory, Memory Module %s, Serial Number %s)",
};

constexpr ModuleSentence CorrectedBankSentence = {
    "Corrected Memory Error threshold exceeded (Bank Unknown)",
    "Corrected Memory Error threshold exceeded (Bank Unknown, Serial Number %s)",
    "Corrected Memory Error threshold exceeded (Board %s, Bank %s)",
    "Corrected Memory Error threshold exceeded (Board %s, Bank %s, Serial Number %s)",
    "Corrected Memory Error threshold exceeded (System Memory)",
    "Corrected Memory Error threshold exceeded (System Memory, Serial Number %s)",
    "Corrected Memory Error threshold exceeded (System Memory, Bank %s)",
    "Corrected Memory Error threshold exceeded (System Memory, Bank %s, Serial Number %s)",
};

// The further candidates of codes 3 and 19, appended after the first.
constexpr ModuleSentence AlternativeModuleSentence = {
    " or (Module Unknown)",
    " or (Module Unknown, Serial Number %s)",
    " or (Board %s, Memory Module %s)",
    " or (Board %s, Memory Module %s, Serial Number %s)",
    " or (System Memory)",
    " or (System Memory, Serial Number %s)",
    " or (System Memory, Memory Module %s)",
    " or (System Memory, Memory Module %s, Serial Number %s)",
};

// Appends the sentence for the module on board (0 for system memory, not on a board). A bank is named by a
// letter, a memory module by its number.
void AppendModule(Writer& out, const ModuleSentence& sentence, uint8_t board, uint8_t module, bool isBank,
                  const char* serial) {
    bool withSerial = serial[0] != '\0';
    char boardScratch[ScratchSize];
    char moduleScratch[ScratchSize];
    const char* boardText = FormatNumberOrUnknown(board, boardScratch);
    const char* moduleText =
        isBank ? FormatLetterOrUnknown(module, moduleScratch) : FormatNumberOrUnknown(module, moduleScratch);
    if (board == 0xFF && module == 0xFF) {
        out.Append(withSerial ? sentence.unknownSerial : sentence.unknown, serial);
    } else if (board != 0) {
        out.Append(withSerial ? sentence.boardSerial : sentence.board, boardText, moduleText, serial);
    } else if (module == 0xFF) {
        out.Append(withSerial ? sentence.systemSerial : sentence.system, serial);
    } else {
        out.Append(withSerial ? sentence.systemModuleSerial : sentence.systemModule, moduleText, serial);
    }
}

// The serial numbers of a candidate list: the text at offset 9 split at its commas, each part tidied of
// white space and cut to fit its slot. Parts keep their positions, so an empty part leaves its candidate
// without a serial number.
struct SerialNumbers {
    char parts[MaxCandidates][SerialNumberSize] = {};
};

void SplitSerialNumbers(const EventData& data, size_t maxParts, SerialNumbers& serials) {
    char text[EventDataSize + 1];
    std::memcpy(text, data.Text(CandidateSerialOffset), data.TextLength(CandidateSerialOffset) + 1);
    char* part = text;
    for (size_t k = 0; k < maxParts && k < MaxCandidates; ++k) {
        char* comma = std::strchr(part, ',');
        if (comma != nullptr) {
            *comma = '\0';
        }
        CollapseWhitespace(serials.parts[k], part);
        if (comma == nullptr) {
            break;
        }
        part = comma + 1;
    }
}

uint8_t CandidateModule(const EventData& data, size_t k) {
    return data.Byte(1 + 2 * k);
}
uint8_t CandidateOwner(const EventData& data, size_t k) {
    return data.Byte(2 + 2 * k);
}

// Codes 3 and 19: the first candidate as a single-module sentence, each further one as " or (...)".
void FormatAlternativeCandidates(const EventData& data, const ModuleSentence& first, Writer& out) {
    SerialNumbers serials;
    SplitSerialNumbers(data, MaxCandidates, serials);
    AppendModule(out, first, CandidateOwner(data, 0), CandidateModule(data, 0), false, serials.parts[0]);
    size_t count = data.Byte(0);
    for (size_t k = 1; k < count && k < MaxCandidates; ++k) {
        AppendModule(out, AlternativeModuleSentence, CandidateOwner(data, k), CandidateModule(data, k), false,
                     serials.parts[k]);
    }
}

// Codes 20, 23, 24 and 25: every candidate in its own parentheses, joined by ", or ", inside the outer
// sentence. entryFormat takes the board or processor, the module and the serial-number suffix.
void FormatCandidateList(const EventData& data, const char* outerFormat, const char* entryFormat,
                         Writer& out) {
    size_t count = data.Byte(0);
    SerialNumbers serials;
    SplitSerialNumbers(data, count, serials);
    char list[CandidateListSize];
    Writer joined(list);
    for (size_t k = 0; k < MaxCandidates && (k == 0 || k < count); ++k) {
        char suffix[SerialNumberSize + 32];
        if (serials.parts[k][0] != '\0') {
            FormatInto(suffix, ", %s %s", "Serial Number", serials.parts[k]);
        } else {
            suffix[0] = '\0';
        }
        char owner[ScratchSize];
        char module[ScratchSize];
        char entry[CandidateTextSize];
        FormatInto(entry, entryFormat, FormatNumberOrUnknown(CandidateOwner(data, k), owner),
                   FormatNumberOrUnknown(CandidateModule(data, k), module), suffix);
        if (k > 0) {
            joined.AppendText(", or ");
        }
        joined.AppendText(entry);
    }
    out.Format(outerFormat, list);
}

// Codes 4 to 7: memory boards and cartridges inserted, removed, locked or faulty, and memory added or
// removed.
void FormatBoardEvent(uint16_t code, const EventData& data, Writer& out) {
    char slot[ScratchSize];
    const char* slotText = FormatNumberOrUnknown(data.Byte(0), slot);
    uint8_t event = data.Byte(1);
    uint8_t holder = data.Byte(2); // 0 memory board, 1 memory cartridge
    switch (code) {
    case 4:
        switch (event) {
        case 0:
            if (holder == 0) {
                out.Format("Memory Board Removed (Slot %s)", slotText);
            } else if (holder == 1) {
                out.Format("Memory Cartridge Removed (Slot %s)", slotText);
            }
            break;
        case 1:
            if (holder == 0) {
                out.Format("Memory Board Inserted (Slot %s)", slotText);
            } else if (holder == 1) {
                out.Format("Memory Cartridge Inserted (Slot %s)", slotText);
            }
            break;
        case 2: out.Format("Memory Cartridge Unlocked (Slot %s)", slotText); break;
        case 3: out.Format("Memory Cartridge Locked (Slot %s)", slotText); break;
        }
        break;
    case 5:
        switch (event) {
        case 0: out.Format("Memory Cartridge Bus Fault (Slot %s)", slotText); break;
        case 1: out.Format("Memory Cartridge Power Fault (Slot %s)", slotText); break;
        case 2: out.Format("Memory Cartridge Not Redundant (Slot %s)", slotText); break;
        case 3: out.Format("Memory Cartridge Online (Slot %s)", slotText); break;
        }
        break;
    case 6: {
        char module[ScratchSize];
        const char* moduleText = FormatNumberOrUnknown(data.Byte(1), module);
        if (holder == 1) {
            out.Format("Memory Cartridge Configuration Error (Slot %s, Memory Module %s)", slotText,
                       moduleText);
        } else if (holder == 0) {
            out.Format("Memory Board Configuration Error (Slot %s, Memory Module %s)", slotText, moduleText);
        }
        break;
    }
    case 7:
        if (event == 0) {
            uint32_t size = data.Le32(2);
            char sizeScratch[ScratchSize];
            out.Format("Memory Added (Size %s MB)",
                       size == 0xFFFFFFFF ? "Unknown" : FormatInto(sizeScratch, "%u", size));
        } else if (event == 1) {
            out.Format("Memory Successfully Removed");
        }
        break;
    }
}

// Codes 8, 9, 11 and 12: a spare copy started or mirrored memory engaged for a faulty module or bank.
void FormatSpareEvent(uint16_t code, const EventData& data, Writer& out) {
    uint8_t board = data.Byte(0);
    uint8_t module = data.Byte(1);
    char boardScratch[ScratchSize];
    char moduleScratch[ScratchSize];
    const char* boardText = FormatNumberOrUnknown(board, boardScratch);
    switch (code) {
    case 8:
    case 9: {
        const char* moduleText = FormatNumberOrUnknown(module, moduleScratch);
        if (code == 8 && board != 0) {
            out.Format(
                "Online Spare Memory Copy Process Started for Faulty Module (Board %s, Memory Module %s)",
                boardText, moduleText);
        } else if (code == 8) {
            out.Format("Online Spare Memory Copy Process Started for Faulty Module (System Memory, Memory "
                       "Module %s)",
                       moduleText);
        } else if (board != 0) {
            out.Format("Mirrored Memory Engaged for Faulty Module (Board %s, Memory Module %s)", boardText,
                       moduleText);
        } else {
            out.Format("Mirrored Memory Engaged for Faulty Module (System Memory, Memory Module %s)",
                       moduleText);
        }
        break;
    }
    case 11:
    case 12: {
        const char* bankText = FormatLetterOrUnknown(module, moduleScratch);
        bool unknown = board == 0xFF && module == 0xFF;
        if (code == 11 && unknown) {
            out.Format("Online Spare Memory Copy Process Started for Faulty Module (Module Unknown)");
        } else if (code == 11 && board != 0) {
            out.Format("Online Spare Memory Copy Process Started for Faulty Module (Board %s, Bank %s)",
                       boardText, bankText);
        } else if (code == 11) {
            out.Format("Online Spare Memory Copy Process Started for Faulty Module (System Memory, Bank %s)",
                       bankText);
        } else if (unknown) {
            out.Format("Mirrored Memory Engaged for Faulty Module (Module Unknown)");
        } else if (board != 0) {
            out.Format("Mirrored Memory Engaged for Faulty Module (Board %s, Bank %s)", boardText, bankText);
        } else {
            out.Format("Mirrored Memory Engaged for Faulty Module (System Memory, Bank %s)", bankText);
        }
        break;
    }
    }
}

// Codes 21 and 22: a spare copy or mirrored memory for a module named by its processor.
void FormatProcessorSpareEvent(uint16_t code, const EventData& data, Writer& out) {
    const char* serial = data.Text(SingleSerialOffset);
    char suffix[EventDataSize + 32];
    if (serial[0] != '\0') {
        FormatInto(suffix, ", %s %s", "Serial Number", serial);
    } else {
        suffix[0] = '\0';
    }
    char processor[ScratchSize];
    char module[ScratchSize];
    const char* processorText = FormatNumberOrUnknown(data.Byte(0), processor);
    const char* moduleText = FormatNumberOrUnknown(data.Byte(1), module);
    if (code == 21) {
        out.Format(
            "Online Spare Memory Copy Process Started for Faulty Module (Processor %s, Memory Module %s%s)",
            processorText, moduleText, suffix);
    } else {
        out.Format("Mirrored Memory Engaged for Faulty Module (Processor %s, Memory Module %s%s)",
                   processorText, moduleText, suffix);
    }
}

// Code 18: an uncorrectable error found by the ROM's memory test, with the module's serial number and, right
// after it, the number of its spare.
void FormatRomValidationEvent(const EventData& data, Writer& out) {
    uint8_t board = data.Byte(0);
    char boardPrefix[ScratchSize];
    if (board != 0) {
        FormatInto(boardPrefix, "Board %d, ", board);
    } else {
        boardPrefix[0] = '\0';
    }
    const char* serial = data.Text(RomSerialOffset);
    const char* spare = data.Text(data.After(RomSerialOffset));
    char suffix[2 * EventDataSize + 64];
    Writer suffixText(suffix);
    if (serial[0] != '\0') {
        suffixText.Append(", Serial Number %s", serial);
    }
    if (spare[0] != '\0') {
        suffixText.Append(", Spare Number %s", spare);
    }
    if (data.Byte(3) & 0x01) {
        out.Format("Uncorrectable Memory Error detected by ROM-based memory validation (unable to isolate to "
                   "single module) (%sMemory Module %d%s)",
                   boardPrefix, data.Byte(1), suffix);
    } else {
        out.Format(
            "Uncorrectable Memory Error detected by ROM-based memory validation (%sMemory Module %d%s)",
            boardPrefix, data.Byte(1), suffix);
    }
}

// Codes 13 to 17 and 32 to 65: fixed texts and faults of a board or module found while the system starts.
void FormatMemoryFault(uint16_t code, const EventData& data, Writer& out) {
    int board = data.Byte(0);
    int module = data.Byte(1);
    switch (code) {
    case 13: out.Format("Loss of Mirroring in Memory Subsystem"); break;
    case 14: out.Format("Online Spare Memory Disabled"); break;
    case 15: out.Format("Memory Subsystem Not In RAID Mode"); break;
    case 16: out.Format("Online Spare Memory Switchover Complete"); break;
    case 17: {
        char boardScratch[ScratchSize];
        out.Format("Memory Board Failure (Board %s)", FormatNumberOrUnknown(data.Byte(0), boardScratch));
        break;
    }
    case 32: out.Format("No system memory found"); break;
    case 33: out.Format("Incompatible memory module (Board %d, Memory Module %d)", board, module); break;
    case 34:
        out.Format("Lockstep memory module pair not same type and size (Board %d, Memory Module %d)", board,
                   module);
        break;
    case 35:
        out.Format("Rank disabled to allow memory operation (Board %d, Memory Module %d)", board, module);
        break;
    case 36:
        out.Format("Memory module failure prevented bus training (Board %d, Memory Module %d)", board,
                   module);
        break;
    case 37: out.Format("Memory module not supported (Board %d, Memory Module %d)", board, module); break;
    case 38:
        out.Format("Memory module not populated correctly (Board %d, Memory Module %d)", board, module);
        break;
    case 39:
        out.Format("Memory module calibration failed (Board %d, Memory Module %d)", board, module);
        break;
    case 40:
        out.Format("Memory module distribution not supported in current interleave mode (Board %d)", board);
        break;
    case 41: out.Format("Quad memory module loading order violated (Board %d)", board); break;
    case 42:
        out.Format("Memory module thermal throttling not sufficient for installed module (Board %d, "
                   "Memory Module %d)",
                   board, module);
        break;
    case 43: out.Format("SMI lane failover detected, spare SMI lane in use (Board %d)", board); break;
    case 44: out.Format("Memory module bus termination fault (Board %d)", board); break;
    case 45: out.Format("Unknown memory warning"); break;
    case 46: out.Format("SMI link training failed (Board %d)", board); break;
    case 47: out.Format("Memory built-in self test failed (Board %d)", board); break;
    case 48: out.Format("Memory module rank not found (Board %d)", board); break;
    case 49: out.Format("SMBus access fault (Board %d)", board); break;
    case 50: out.Format("Memory board configuration through SMI link failed (Board %d)", board); break;
    case 51: out.Format("Memory bus training failed (Board %d)", board); break;
    case 52: out.Format("Memory board reset failed (Board %d)", board); break;
    case 53: out.Format("Memory SPD CRC failure (Board %d, Memory Module %d)", board, module); break;
    case 54: out.Format("ICH chip initialization failure"); break;
    case 55: out.Format("Memory board mixing found (Board %d)", board); break;
    case 56: out.Format("Early memory test failure"); break;
    case 57: out.Format("Memory data calibration failure (Board %d)", board); break;
    case 58: out.Format("Memory data structure failure"); break;
    case 59: out.Format("Inband configuration access timeout (Board %d)", board); break;
    case 60: out.Format("DIMM not found on memory board (Board %d)", board); break;
    case 61: out.Format("Memory board not present (Board %d)", board); break;
    case 62: out.Format("Memory board initialization failure (Board %d)", board); break;
    case 63: out.Format("DIMM low voltage failure (Board %d)", board); break;
    case 64: out.Format("DIMM clock ratio not found (Board %d)", board); break;
    case 65: {
        // Byte 0 says what the number in byte 1 counts.
        const char* label = board == 0 ? "Board" : board == 1 ? "Processor" : "Board/CPU";
        out.Format(
            "High rate of corrected memory errors, performance may be degraded (%s %u, Memory Module %u). "
            "Action: Reseat the memory module. If the errors persist, contact Support.",
            label, data.Byte(1), data.Byte(2));
        break;
    }
    }
}

} // namespace

void FormatMemoryEvent(uint16_t code, const EventData& data, Writer& out) {
    switch (code) {
    case 1:
        AppendModule(out, CorrectedModuleSentence, data.Byte(0), data.Byte(1), false,
                     data.Text(SingleSerialOffset));
        break;
    case 2:
        AppendModule(out, UncorrectableModuleSentence, data.Byte(0), data.Byte(1), false,
                     data.Text(SingleSerialOffset));
        break;
    case 10:
        AppendModule(out, CorrectedBankSentence, data.Byte(0), data.Byte(1), true,
                     data.Text(SingleSerialOffset));
        break;
    case 3: FormatAlternativeCandidates(data, UncorrectableModuleSentence, out); break;
    case 19: FormatAlternativeCandidates(data, CorrectedModuleSentence, out); break;
    case 20:
        FormatCandidateList(data, "Corrected Memory Error threshold exceeded (%s)",
                            "(Processor %s, Memory Module %s%s)", out);
        break;
    case 23:
        FormatCandidateList(data, "Uncorrectable Memory Error (%s)", "(Processor %s, Memory Module %s%s)",
                            out);
        break;
    case 24:
        FormatCandidateList(data, "Mirrored Memory Engaged by Uncorrectable Memory Error (%s)",
                            "(Board %s, Memory Module %s%s)", out);
        break;
    case 25:
        FormatCandidateList(data, "Mirrored Memory Engaged by Uncorrectable Memory Error (%s)",
                            "(Processor %s, Memory Module %s%s)", out);
        break;
    case 4:
    case 5:
    case 6:
    case 7: FormatBoardEvent(code, data, out); break;
    case 8:
    case 9:
    case 11:
    case 12: FormatSpareEvent(code, data, out); break;
    case 21:
    case 22: FormatProcessorSpareEvent(code, data, out); break;
    case 18: FormatRomValidationEvent(data, out); break;
    default: FormatMemoryFault(code, data, out); break;
    }
}

} // namespace kestrav
