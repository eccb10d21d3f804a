// Main memory descriptions: the four ways of naming a module, both kinds of candidate list with their serial
// numbers, boards and cartridges, spare and mirrored memory, the ROM memory test and the fixed texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "decode/describe.h"
#include "decode/event_text.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::test {
namespace {

using emulator::EventBytes;

constexpr uint16_t MemoryClass = 3;

std::string Unknown(uint16_t code) {
    char text[64];
    std::snprintf(text, sizeof text, "Unknown Event (Class 0x03, Code 0x%02X)", code);
    return text;
}

// Codes 1, 2, 10, 21, 22: board (or processor), module, serial number from offset 2.
EventBytes Module(unsigned board, unsigned module, const std::string& serial = "") {
    EventBytes b;
    b.U8(board).U8(module).Text(serial);
    return b;
}

// Candidate lists: count, then (module, board or processor) for up to four candidates, serials from offset 9.
EventBytes Candidates(unsigned count, std::initializer_list<std::pair<unsigned, unsigned>> modules,
                      const std::string& serials = "") {
    EventBytes b;
    b.U8(count);
    for (auto [module, owner] : modules) {
        b.U8(module).U8(owner);
    }
    b.At(9).Text(serials);
    return b;
}

TEST(MemoryEvents, SingleModuleErrors) {
    const std::string corrected = "Corrected Memory Error threshold exceeded ";
    const std::string uncorrectable = "Uncorrectable Memory Error ";
    ExpectDescriptions<MemoryClass>({
        {1, Module(0xFF, 0xFF), corrected + "(Memory Module Unknown)"},
        {1, Module(0xFF, 0xFF, "SN1"), corrected + "(Memory Module Unknown, Serial Number SN1)"},
        {1, Module(0xFF, 3), corrected + "(Board Unknown, Memory Module 3)"},
        {1, Module(2, 0xFF, "SN2"), corrected + "(Board 2, Memory Module Unknown, Serial Number SN2)"},
        {1, Module(0, 0xFF), corrected + "(System Memory)"},
        {1, Module(0, 0xFF, "SN3"), corrected + "(System Memory, Serial Number SN3)"},
        {1, Module(0, 4), corrected + "(System Memory, Memory Module 4)"},
        {1, Module(0, 4, "SN4"), corrected + "(System Memory, Memory Module 4, Serial Number SN4)"},
        {2, Module(0xFF, 0xFF), uncorrectable + "(Module Unknown)"},
        {2, Module(0xFF, 0xFF, "A1"), uncorrectable + "(Module Unknown, Serial Number A1)"},
        {2, Module(1, 12), uncorrectable + "(Board 1, Memory Module 12)"},
        {2, Module(1, 12, "A2"), uncorrectable + "(Board 1, Memory Module 12, Serial Number A2)"},
        {2, Module(0, 0xFF), uncorrectable + "(System Memory)"},
        {2, Module(0, 0xFF, "A3"), uncorrectable + "(System Memory, Serial Number A3)"},
        {2, Module(0, 0), uncorrectable + "(System Memory, Memory Module 0)"},
        {2, Module(0, 7, "A4"), uncorrectable + "(System Memory, Memory Module 7, Serial Number A4)"},
        {10, Module(0xFF, 0xFF), corrected + "(Bank Unknown)"},
        {10, Module(0xFF, 0xFF, "B1"), corrected + "(Bank Unknown, Serial Number B1)"},
        {10, Module(3, 'C'), corrected + "(Board 3, Bank C)"},
        {10, Module(3, 0xFF, "B2"), corrected + "(Board 3, Bank Unknown, Serial Number B2)"},
        {10, Module(0, 0xFF), corrected + "(System Memory)"},
        {10, Module(0, 0xFF, "B3"), corrected + "(System Memory, Serial Number B3)"},
        {10, Module(0, 'A'), corrected + "(System Memory, Bank A)"},
        {10, Module(0, 'D', "B4"), corrected + "(System Memory, Bank D, Serial Number B4)"},
    });
}

TEST(MemoryEvents, CandidatesJoinedByOr) {
    const std::string uncorrectable = "Uncorrectable Memory Error ";
    const std::string corrected = "Corrected Memory Error threshold exceeded ";
    ExpectDescriptions<MemoryClass>({
        {3, Candidates(3, {{1, 1}, {2, 1}, {0xFF, 0xFF}}, " SN-A , SN-B,\tSN  C  "),
         uncorrectable +
             "(Board 1, Memory Module 1, Serial Number SN-A) or (Board 1, Memory Module 2, Serial "
             "Number SN-B) or (Module Unknown, Serial Number SN C)"},
        {3, Candidates(0, {{4, 2}}, "SN1"), uncorrectable + "(Board 2, Memory Module 4, Serial Number SN1)"},
        {3, Candidates(1, {{4, 2}, {5, 2}}), uncorrectable + "(Board 2, Memory Module 4)"},
        {3, Candidates(9, {{0xFF, 0xFF}, {0xFF, 0}, {3, 0}, {6, 0xFF}}, "a,,c,d,e"),
         uncorrectable +
             "(Module Unknown, Serial Number a) or (System Memory) or (System Memory, Memory Module 3, "
             "Serial Number c) or (Board Unknown, Memory Module 6, Serial Number d)"},
        {3, Candidates(4, {{0xFF, 0}, {0xFF, 0xFF}, {2, 0}, {1, 5}}, "x,y,z"),
         uncorrectable + "(System Memory, Serial Number x) or (Module Unknown, Serial Number y) or (System "
                         "Memory, Memory Module 2, "
                         "Serial Number z) or (Board 5, Memory Module 1)"},
        {19, Candidates(2, {{1, 0}, {9, 0xFF}}, ",S2"),
         corrected +
             "(System Memory, Memory Module 1) or (Board Unknown, Memory Module 9, Serial Number S2)"},
        {19, Candidates(2, {{0xFF, 0xFF}, {0xFF, 0xFF}}),
         corrected + "(Memory Module Unknown) or (Module Unknown)"},
    });
}

TEST(MemoryEvents, CandidatesInAList) {
    ExpectDescriptions<MemoryClass>({
        {20, Candidates(2, {{4, 1}, {5, 2}}, "SN1"),
         "Corrected Memory Error threshold exceeded ((Processor 1, Memory Module 4, Serial Number SN1), or "
         "(Processor 2, Memory Module 5))"},
        {20, Candidates(0, {{4, 1}}, "SN1"),
         "Corrected Memory Error threshold exceeded ((Processor 1, Memory Module 4))"},
        {20, Candidates(1, {{4, 1}, {5, 2}}, "SN1,SN2"),
         "Corrected Memory Error threshold exceeded ((Processor 1, Memory Module 4, Serial Number SN1))"},
        {23, Candidates(3, {{0xFF, 0xFF}, {1, 0}, {2, 0}}, "  P , , Q R "),
         "Uncorrectable Memory Error ((Processor Unknown, Memory Module Unknown, Serial Number P), or "
         "(Processor 0, "
         "Memory Module 1), or (Processor 0, Memory Module 2, Serial Number Q R))"},
        {24, Candidates(0xFF, {{1, 1}, {2, 1}, {3, 2}, {4, 2}}, "A,B,C,D,E"),
         "Mirrored Memory Engaged by Uncorrectable Memory Error ((Board 1, Memory Module 1, Serial Number "
         "A), or "
         "(Board 1, Memory Module 2, Serial Number B), or (Board 2, Memory Module 3, Serial Number C), or "
         "(Board 2, "
         "Memory Module 4, Serial Number D))"},
        {25, Candidates(1, {{8, 3}}),
         "Mirrored Memory Engaged by Uncorrectable Memory Error ((Processor 3, Memory Module 8))"},
    });
}

// A serial number is cut to 79 characters and an entry of a ", or " list to 79 characters; nothing longer
// is written and the text read ends at the end of the event data.
TEST(MemoryEvents, OversizedSerialNumbersAreCut) {
    const std::string toEnd(EventDataSize - 9, 'S');
    const std::string serial79(79, 'S');
    const std::string longA(100, 'A');
    const std::string longB(100, 'B');
    auto entry = [](const std::string& head, const std::string& serial) {
        return (head + serial).substr(0, 79);
    };
    ExpectDescriptions<MemoryClass>({
        {3, Candidates(1, {{1, 1}}, toEnd),
         "Uncorrectable Memory Error (Board 1, Memory Module 1, Serial Number " + serial79 + ")"},
        {19, Candidates(2, {{1, 1}, {2, 1}}, longA + "," + longB.substr(0, 90)),
         "Corrected Memory Error threshold exceeded (Board 1, Memory Module 1, Serial Number " +
             std::string(79, 'A') + ") or (Board 1, Memory Module 2, Serial Number " + std::string(79, 'B') +
             ")"},
        {20, Candidates(1, {{4, 1}}, toEnd),
         "Corrected Memory Error threshold exceeded (" +
             entry("(Processor 1, Memory Module 4, Serial Number ", serial79) + ")"},
        {25, Candidates(2, {{4, 1}, {5, 2}}, longA + "," + longB.substr(0, 90)),
         "Mirrored Memory Engaged by Uncorrectable Memory Error (" +
             entry("(Processor 1, Memory Module 4, Serial Number ", longA) + ", or " +
             entry("(Processor 2, Memory Module 5, Serial Number ", longB) + ")"},
    });
}

TEST(MemoryEvents, BoardsAndCartridges) {
    auto board = [](unsigned slot, unsigned event, unsigned holder) {
        EventBytes b;
        b.U8(slot).U8(event).U8(holder);
        return b;
    };
    auto added = [](unsigned event, uint32_t size) {
        EventBytes b;
        b.U8(0).U8(event).Le32(size);
        return b;
    };
    ExpectDescriptions<MemoryClass>({
        {4, board(1, 0, 0), "Memory Board Removed (Slot 1)"},
        {4, board(2, 0, 1), "Memory Cartridge Removed (Slot 2)"},
        {4, board(0xFF, 1, 0), "Memory Board Inserted (Slot Unknown)"},
        {4, board(3, 1, 1), "Memory Cartridge Inserted (Slot 3)"},
        {4, board(4, 2, 9), "Memory Cartridge Unlocked (Slot 4)"},
        {4, board(4, 3, 0), "Memory Cartridge Locked (Slot 4)"},
        {4, board(4, 0, 2), Unknown(4)},
        {4, board(4, 1, 0xFF), Unknown(4)},
        {4, board(4, 4, 0), Unknown(4)},
        {5, board(1, 0, 0), "Memory Cartridge Bus Fault (Slot 1)"},
        {5, board(1, 1, 0), "Memory Cartridge Power Fault (Slot 1)"},
        {5, board(1, 2, 0), "Memory Cartridge Not Redundant (Slot 1)"},
        {5, board(1, 3, 0), "Memory Cartridge Online (Slot 1)"},
        {5, board(1, 0xFF, 0), Unknown(5)},
        {6, board(2, 7, 1), "Memory Cartridge Configuration Error (Slot 2, Memory Module 7)"},
        {6, board(2, 0xFF, 0), "Memory Board Configuration Error (Slot 2, Memory Module Unknown)"},
        {6, board(2, 7, 2), Unknown(6)},
        {7, added(0, 2048), "Memory Added (Size 2048 MB)"},
        {7, added(0, 0xFFFFFFFF), "Memory Added (Size Unknown MB)"},
        {7, added(0, 0xFFFFFFFE), "Memory Added (Size 4294967294 MB)"},
        {7, added(1, 0), "Memory Successfully Removed"},
        {7, added(2, 0), Unknown(7)},
    });
}

TEST(MemoryEvents, SpareAndMirroredMemory) {
    const std::string spare = "Online Spare Memory Copy Process Started for Faulty Module ";
    const std::string mirror = "Mirrored Memory Engaged for Faulty Module ";
    ExpectDescriptions<MemoryClass>({
        {8, Module(2, 5), spare + "(Board 2, Memory Module 5)"},
        {8, Module(0xFF, 0xFF), spare + "(Board Unknown, Memory Module Unknown)"},
        {8, Module(0, 5), spare + "(System Memory, Memory Module 5)"},
        {9, Module(1, 3), mirror + "(Board 1, Memory Module 3)"},
        {9, Module(0, 0xFF), mirror + "(System Memory, Memory Module Unknown)"},
        {11, Module(0xFF, 0xFF), spare + "(Module Unknown)"},
        {11, Module(0xFF, 'A'), spare + "(Board Unknown, Bank A)"},
        {11, Module(2, 0xFF), spare + "(Board 2, Bank Unknown)"},
        {11, Module(0, 'B'), spare + "(System Memory, Bank B)"},
        {12, Module(0xFF, 0xFF), mirror + "(Module Unknown)"},
        {12, Module(4, 'C'), mirror + "(Board 4, Bank C)"},
        {12, Module(0, 0xFF), mirror + "(System Memory, Bank Unknown)"},
        {21, Module(1, 6, "SN21"), spare + "(Processor 1, Memory Module 6, Serial Number SN21)"},
        {21, Module(0xFF, 0xFF), spare + "(Processor Unknown, Memory Module Unknown)"},
        {22, Module(2, 3, "SN22"), mirror + "(Processor 2, Memory Module 3, Serial Number SN22)"},
        {22, Module(2, 3), mirror + "(Processor 2, Memory Module 3)"},
        {22, Module(2, 3, std::string(EventDataSize - 2, 'Z')),
         mirror + "(Processor 2, Memory Module 3, Serial Number " + std::string(EventDataSize - 2, 'Z') +
             ")"},
    });
}

TEST(MemoryEvents, RomMemoryValidation) {
    auto rom = [](unsigned board, unsigned module, unsigned flags, const std::string& serial,
                  const std::string& spare) {
        EventBytes b;
        b.U8(board).U8(module).U8(0).U8(flags).Text(serial).Text(spare);
        return b;
    };
    const std::string head = "Uncorrectable Memory Error detected by ROM-based memory validation ";
    const std::string notIsolated = head + "(unable to isolate to single module) ";
    const std::string longSerial(EventDataSize - 4, 'N');
    ExpectDescriptions<MemoryClass>({
        {18, rom(0, 3, 0, "", ""), head + "(Memory Module 3)"},
        {18, rom(2, 3, 0, "SN18", ""), head + "(Board 2, Memory Module 3, Serial Number SN18)"},
        {18, rom(2, 3, 0, "SN18", "SP7"),
         head + "(Board 2, Memory Module 3, Serial Number SN18, Spare Number SP7)"},
        {18, rom(0, 255, 0, "", "SP7"), head + "(Memory Module 255, Spare Number SP7)"},
        {18, rom(255, 1, 1, "SN", ""), notIsolated + "(Board 255, Memory Module 1, Serial Number SN)"},
        {18, rom(0, 1, 0xFF, "", ""), notIsolated + "(Memory Module 1)"},
        {18, rom(0, 1, 2, "", ""), head + "(Memory Module 1)"},
        {18, rom(1, 1, 0, longSerial, "lost"),
         head + "(Board 1, Memory Module 1, Serial Number " + longSerial + ")"},
    });
}

TEST(MemoryEvents, FixedTextsAndStartupFaults) {
    const EventBytes boardModule = EventBytes().U8(2).U8(5).U8(0);
    ExpectDescriptions<MemoryClass>({
        {13, boardModule, "Loss of Mirroring in Memory Subsystem"},
        {14, boardModule, "Online Spare Memory Disabled"},
        {15, boardModule, "Memory Subsystem Not In RAID Mode"},
        {16, boardModule, "Online Spare Memory Switchover Complete"},
        {17, boardModule, "Memory Board Failure (Board 2)"},
        {17, EventBytes().U8(0xFF), "Memory Board Failure (Board Unknown)"},
        {32, boardModule, "No system memory found"},
        {33, boardModule, "Incompatible memory module (Board 2, Memory Module 5)"},
        {34, boardModule, "Lockstep memory module pair not same type and size (Board 2, Memory Module 5)"},
        {35, boardModule, "Rank disabled to allow memory operation (Board 2, Memory Module 5)"},
        {36, boardModule, "Memory module failure prevented bus training (Board 2, Memory Module 5)"},
        {37, boardModule, "Memory module not supported (Board 2, Memory Module 5)"},
        {38, boardModule, "Memory module not populated correctly (Board 2, Memory Module 5)"},
        {39, boardModule, "Memory module calibration failed (Board 2, Memory Module 5)"},
        {40, boardModule, "Memory module distribution not supported in current interleave mode (Board 2)"},
        {41, boardModule, "Quad memory module loading order violated (Board 2)"},
        {42, boardModule,
         "Memory module thermal throttling not sufficient for installed module (Board 2, Memory Module 5)"},
        {43, boardModule, "SMI lane failover detected, spare SMI lane in use (Board 2)"},
        {44, boardModule, "Memory module bus termination fault (Board 2)"},
        {45, boardModule, "Unknown memory warning"},
        {46, boardModule, "SMI link training failed (Board 2)"},
        {47, boardModule, "Memory built-in self test failed (Board 2)"},
        {48, boardModule, "Memory module rank not found (Board 2)"},
        {49, boardModule, "SMBus access fault (Board 2)"},
        {50, boardModule, "Memory board configuration through SMI link failed (Board 2)"},
        {51, boardModule, "Memory bus training failed (Board 2)"},
        {52, boardModule, "Memory board reset failed (Board 2)"},
        {53, EventBytes().U8(255).U8(255), "Memory SPD CRC failure (Board 255, Memory Module 255)"},
        {54, boardModule, "ICH chip initialization failure"},
        {55, boardModule, "Memory board mixing found (Board 2)"},
        {56, boardModule, "Early memory test failure"},
        {57, boardModule, "Memory data calibration failure (Board 2)"},
        {58, boardModule, "Memory data structure failure"},
        {59, boardModule, "Inband configuration access timeout (Board 2)"},
        {60, boardModule, "DIMM not found on memory board (Board 2)"},
        {61, boardModule, "Memory board not present (Board 2)"},
        {62, boardModule, "Memory board initialization failure (Board 2)"},
        {63, boardModule, "DIMM low voltage failure (Board 2)"},
        {64, boardModule, "DIMM clock ratio not found (Board 2)"},
    });
}

TEST(MemoryEvents, CorrectedErrorRateAndUnknownCodes) {
    const std::string action = ". Action: Reseat the memory module. If the errors persist, contact Support.";
    const std::string head = "High rate of corrected memory errors, performance may be degraded (";
    ExpectDescriptions<MemoryClass>({
        {65, EventBytes().U8(0).U8(1).U8(4), head + "Board 1, Memory Module 4)" + action},
        {65, EventBytes().U8(1).U8(2).U8(12), head + "Processor 2, Memory Module 12)" + action},
        {65, EventBytes().U8(7).U8(255).U8(255), head + "Board/CPU 255, Memory Module 255)" + action},
        {0, Module(1, 1), Unknown(0)},
        {26, Module(1, 1), Unknown(26)},
        {31, Module(1, 1), Unknown(31)},
        {66, Module(1, 1), Unknown(66)},
        {0x1234, Module(1, 1), "Unknown Event (Class 0x03, Code 0x1234)"},
    });
}

} // namespace
} // namespace kestrav::test
