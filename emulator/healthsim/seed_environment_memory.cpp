// Sample machine environment (class 2) and main memory (class 3) events: fans, overheating, side panels and
// storage enclosures in each kind of enclosure, and memory errors, candidate lists, boards, spares and
// start-up faults, with the serial numbers and names a server of this kind records.
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::emulator {

namespace {

constexpr uint16_t Environment = 2;
constexpr uint16_t Memory = 3;
constexpr uint8_t Informational = 2;
constexpr uint8_t Caution = 9;
constexpr uint8_t Critical = 15;

// Location bytes of the shared location table.
enum Location : uint8_t {
    SystemBoard = 1,
    Cpu = 3,
    MemoryLocation = 4,
    Storage = 5,
    PowerSupply = 7,
    Ambient = 8,
    Chassis = 9,
    Backplane = 12,
};

std::vector<SeedSample> EnvironmentSamples() {
    return {
        // Overheating: system, external chassis, storage, blade and power enclosures.
        {Environment, 1, Critical, EventBytes().U8(1).U8(0).U8(0).U8(2).U8(Cpu).U8(87).Text("").Text("")},
        {Environment, 1, Critical,
         EventBytes().U8(1).U8(2).U8(0).U8(1).U8(Ambient).U8(44).Text("Rack7-Top").Text("")},
        {Environment, 1, Critical, EventBytes().U8(2).U8(3).U8(0).U8(1).U8(Storage).U8(61).Text("").Text("")},
        {Environment, 1, Critical,
         EventBytes().U8(4).U8(0x12).U8(0xAB).U8(5).U8(Chassis).U8(52).Text("SGH44200LK").Text("")},
        {Environment, 1, Critical,
         EventBytes().U8(5).U8(0x00).U8(0x21).U8(1).U8(PowerSupply).U8(71).Text("").Text("")},
        // Fan failures, side panels, fans removed and inserted.
        {Environment, 2, Critical, EventBytes().U8(1).U8(0).U8(0).U8(3).U8(SystemBoard).Text("").Text("")},
        {Environment, 2, Critical, EventBytes().U8(3).U8(1).U8(0).U8(2).U8(Storage).Text("Cage A").Text("")},
        {Environment, 2, Critical,
         EventBytes().U8(4).U8(0x12).U8(0xAB).U8(7).U8(Chassis).Text("SGH44200LK").Text("")},
        {Environment, 3, Caution, EventBytes().U8(1).U8(0).U8(0).U8(0).U8(0).Text("").Text("")},
        {Environment, 3, Caution, EventBytes().U8(2).U8(4).U8(0).U8(0).U8(0).Text("Rack2").Text("")},
        {Environment, 4, Caution, EventBytes().U8(1).U8(0).U8(0).U8(4).U8(Cpu).Text("").Text("")},
        {Environment, 4, Caution,
         EventBytes().U8(5).U8(0x00).U8(0x21).U8(2).U8(PowerSupply).Text("PWR0377").Text("")},
        {Environment, 5, Informational, EventBytes().U8(1).U8(0).U8(0).U8(4).U8(Cpu).Text("").Text("")},
        {Environment, 5, Informational,
         EventBytes().U8(1).U8(1).U8(0).U8(2).U8(Ambient).Text("Expansion").Text("")},
        {Environment, 6, Caution, EventBytes().U8(1).U8(0).U8(0).U8(Chassis).Text("")},
        {Environment, 6, Caution, EventBytes().U8(4).U8(0x12).U8(0xAB).U8(Chassis).Text("SGH44200LK")},
        {Environment, 7, Caution, EventBytes().At(4).U8(Chassis)},
        // The same events carrying a second text.
        {Environment, 8, Critical,
         EventBytes().U8(1).U8(0).U8(0).U8(5).U8(SystemBoard).Text("").Text("Fan 5 speed below threshold")},
        {Environment, 9, Caution,
         EventBytes().U8(1).U8(0).U8(0).U8(0).U8(0).Text("").Text("Left access panel")},
        {Environment, 10, Critical,
         EventBytes()
             .U8(1)
             .U8(0)
             .U8(0)
             .U8(4)
             .U8(MemoryLocation)
             .U8(92)
             .Text("")
             .Text("System will shut down")},
        // Storage enclosures and controllers.
        {Environment, 11, Critical,
         EventBytes().U8(2).U8(3).U8(0).U8(2).U8(Storage).U8('1').U8('E').U8(1).Text("").Text("")},
        {Environment, 12, Critical,
         EventBytes().U8(3).U8(0).U8(0).U8(4).U8(Backplane).U8('1').U8('I').U8(2).Text("").Text("Embedded")},
        {Environment, 13, Critical,
         EventBytes().U8(2).U8(5).U8(0).U8(3).U8(2).U8(Storage).U8('2').U8('E').U8(1).Text("Rack2").Text("")},
        {Environment, 14, Critical,
         EventBytes().U8(1).U8(0).U8(0).U8(6).U8(Cpu).U8(95).Text("").Text("Caution threshold 85C")},
        {Environment, 14, Critical, EventBytes().U8(1).U8(0).U8(0).U8(0xFF).U8(0).U8(0xFF).Text("").Text("")},
        {Environment, 15, Critical,
         EventBytes().U8(3).U8(0).U8(0).U8(1).U8(Storage).Text("").Text("Embedded")},
        {Environment, 16, Critical, EventBytes().Text("Inlet ambient 42C exceeds 40C")},
        {Environment, 17, Caution, EventBytes().U8(3)},
        {Environment, 18, Informational, EventBytes().U8(3)},
    };
}

std::vector<SeedSample> MemorySamples() {
    // Candidate lists: count, then (module, board or processor) pairs, serial numbers from offset 9.
    auto candidates = [](uint8_t count, std::initializer_list<uint8_t> pairs, std::string_view serials) {
        EventBytes b;
        b.U8(count);
        for (uint8_t v : pairs) {
            b.U8(v);
        }
        return std::vector<uint8_t>(b.At(9).Text(serials));
    };
    return {
        {Memory, 1, Caution, EventBytes().U8(0).U8(4).Text("3A1F22C7")},
        {Memory, 1, Caution, EventBytes().U8(2).U8(7).Text("")},
        {Memory, 2, Critical, EventBytes().U8(1).U8(12).Text("80CE0115")},
        {Memory, 2, Critical, EventBytes().U8(0xFF).U8(0xFF).Text("")},
        {Memory, 3, Critical, candidates(2, {1, 1, 2, 1}, "3A1F22C7, 3A1F22D0")},
        {Memory, 4, Informational, EventBytes().U8(2).U8(1).U8(1)},
        {Memory, 4, Informational, EventBytes().U8(1).U8(3).U8(1)},
        {Memory, 5, Critical, EventBytes().U8(2).U8(2).U8(1)},
        {Memory, 6, Critical, EventBytes().U8(1).U8(5).U8(0)},
        {Memory, 7, Informational, EventBytes().U8(0).U8(0).Le32(16384)},
        {Memory, 8, Caution, EventBytes().U8(1).U8(3)},
        {Memory, 9, Caution, EventBytes().U8(0).U8(6)},
        {Memory, 10, Caution, EventBytes().U8(0).U8('B').Text("")},
        {Memory, 11, Caution, EventBytes().U8(2).U8('A')},
        {Memory, 12, Caution, EventBytes().U8(0).U8('C')},
        {Memory, 13, Caution, EventBytes()},
        {Memory, 14, Caution, EventBytes()},
        {Memory, 16, Informational, EventBytes()},
        {Memory, 17, Critical, EventBytes().U8(3)},
        {Memory, 18, Critical, EventBytes().U8(0).U8(3).U8(0).U8(0).Text("80CE0115").Text("80CE0116")},
        {Memory, 18, Critical, EventBytes().U8(1).U8(2).U8(0).U8(1).Text("").Text("")},
        {Memory, 19, Caution, candidates(3, {1, 1, 2, 1, 3, 1}, "3A1F22C7,3A1F22D0,3A1F22D1")},
        {Memory, 20, Caution, candidates(2, {4, 1, 5, 1}, "CE00C8A1")},
        {Memory, 21, Caution, EventBytes().U8(1).U8(6).Text("CE00C8A1")},
        {Memory, 22, Caution, EventBytes().U8(2).U8(3).Text("")},
        {Memory, 23, Critical, candidates(2, {8, 2, 9, 2}, "CE00C8B4 , CE00C8B5")},
        {Memory, 24, Critical, candidates(1, {4, 1}, "3A1F22C7")},
        {Memory, 25, Critical, candidates(4, {1, 1, 2, 1, 1, 2, 2, 2}, "A1,A2,B1,B2")},
        {Memory, 33, Critical, EventBytes().U8(1).U8(5)},
        {Memory, 37, Critical, EventBytes().U8(1).U8(8)},
        {Memory, 38, Caution, EventBytes().U8(2).U8(3)},
        {Memory, 47, Critical, EventBytes().U8(1)},
        {Memory, 53, Critical, EventBytes().U8(2).U8(4)},
        {Memory, 61, Critical, EventBytes().U8(3)},
        {Memory, 65, Caution, EventBytes().U8(1).U8(2).U8(12)},
    };
}

} // namespace

std::vector<SeedSample> EnvironmentMemorySamples() {
    std::vector<SeedSample> samples = EnvironmentSamples();
    std::vector<SeedSample> memory = MemorySamples();
    samples.insert(samples.end(), memory.begin(), memory.end());
    return samples;
}

} // namespace kestrav::emulator
