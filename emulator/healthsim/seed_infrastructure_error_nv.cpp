// Sample infrastructure environment, unrecoverable system error and NVDIMM events as a blade enclosure, the
// system firmware and the memory controller record them.
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::emulator {

namespace {

constexpr uint16_t kSystemError = 20;
constexpr uint16_t kInfrastructure = 34;
constexpr uint16_t kNvMemory = 42;

constexpr unsigned kBladeEnclosure = 4;
constexpr unsigned kPowerEnclosure = 5;
constexpr unsigned kNetworkComponent = 13;
constexpr unsigned kServerBlade = 14;

// The common head of an enclosure event: its kind, its address (high byte first) and two bytes whose meaning
// depends on the code.
EventBytes Enclosure(unsigned kind, unsigned address, unsigned b3, unsigned b4) {
    EventBytes bytes;
    bytes.U8(kind).Be16(address).U8(b3).U8(b4);
    return bytes;
}

SeedSample Infra(uint16_t code, uint8_t severity, std::vector<uint8_t> data) {
    return {kInfrastructure, code, severity, std::move(data)};
}

std::vector<SeedSample> InfrastructureSamples() {
    const char* blades = "CZ38420K7L";
    const char* power = "7CE512P0AX";
    return {
        Infra(1, 9, Enclosure(kBladeEnclosure, 0x0A10, 3, 1).At(5).Text(blades)),
        Infra(1, 9, Enclosure(kBladeEnclosure, 0x0A10, 7, 0).At(5).Text("")),
        Infra(2, 2, Enclosure(kBladeEnclosure, 0x0A10, 5, 0).At(4).Text(blades)),
        Infra(3, 15, Enclosure(kBladeEnclosure, 0x0A10, 0x12, kServerBlade).At(5).Text(blades)),
        Infra(3, 15, Enclosure(kBladeEnclosure, 0x0A10, 0x01, kNetworkComponent).At(5).Text(blades)),
        Infra(4, 9, Enclosure(kBladeEnclosure, 0x0A10, 1, 0).At(4).Text(blades)),
        Infra(5, 2, Enclosure(kBladeEnclosure, 0x0A10, 4, 1).At(5).Text(blades)),
        Infra(5, 2, Enclosure(kBladeEnclosure, 0x0A10, 4, 0).At(5).Text(blades)),
        Infra(6, 9, Enclosure(kPowerEnclosure, 0x0B20, 1, 0).At(6).Text(power)),
        Infra(7, 9, Enclosure(kPowerEnclosure, 0x0B20, 0, 0).At(4).Le16(1850).At(6).Text(power)),
        Infra(8, 15, Enclosure(kPowerEnclosure, 0x0B20, 0, 0).At(3).Text(power)),
        Infra(9, 9, Enclosure(kBladeEnclosure, 0x0C30, 0, 0).At(5).Text("CZ38420K9M")),
        Infra(10, 2, Enclosure(kBladeEnclosure, 0x0C30, 0, 0).At(5).Text("CZ38420K9M")),
        Infra(11, 2, Enclosure(kBladeEnclosure, 0x0A10, 1, 0).At(4).Text(blades)),
        Infra(11, 2, Enclosure(kBladeEnclosure, 0x0A10, 7, 0).At(4).Text(blades)),
        Infra(11, 2, Enclosure(kBladeEnclosure, 0x0A10, 8, 0).At(4).Text(blades)),
        Infra(11, 2, Enclosure(kBladeEnclosure, 0x0A10, 6, 0).At(4).Text("")),
        Infra(12, 9, Enclosure(kPowerEnclosure, 0x0B20, 0, 0).At(3).Text(power)),
        Infra(13, 9, Enclosure(kPowerEnclosure, 0x0B20, 1, 0).At(7).Text(power)),
        Infra(13, 9, Enclosure(kPowerEnclosure, 0x0B20, 3, 2).At(7).Text(power)),
        Infra(14, 2, Enclosure(kBladeEnclosure, 0x0A10, 0, 0).At(3).Text(blades)),
        Infra(15, 15, Enclosure(kBladeEnclosure, 0x0A10, 3, 1).At(5).Text(blades)),
        Infra(16, 9, Enclosure(kBladeEnclosure, 0x0A10, 6, 2).At(5).Text(blades)),
        Infra(17, 9, Enclosure(kBladeEnclosure, 0x0A10, 6, 2).At(5).Text(blades)),
        Infra(18, 9, Enclosure(kPowerEnclosure, 0x0B20, 2, 0).At(4).Text(power)),
        Infra(19, 2, Enclosure(kBladeEnclosure, 0x0A10, 8, kServerBlade).At(5).Text(blades)),
        Infra(19, 2, Enclosure(kBladeEnclosure, 0x0A10, 1, kNetworkComponent).At(5).Text(blades)),
        Infra(20, 9, Enclosure(kBladeEnclosure, 0x0A10, 8, kServerBlade).At(5).Text(blades)),
        Infra(20, 9, Enclosure(kBladeEnclosure, 0x0A10, 2, kNetworkComponent).At(5).Text(blades)),
        Infra(21, 9, Enclosure(kBladeEnclosure, 0x0A10, 0, 0)),
        Infra(24, 9, Enclosure(kBladeEnclosure, 0x0A10, 8, 1).U8(2)),
        Infra(25, 9, Enclosure(kBladeEnclosure, 0x0A10, 0x02, 0x10).U8(0x02).U8(0x31).At(9).Text(blades)),
        Infra(26, 9, Enclosure(kBladeEnclosure, 0x0A10, 6, 3).At(5).Text(blades)),
    };
}

std::vector<SeedSample> SystemErrorSamples() {
    return {
        {kSystemError, 1, 15, EventBytes()},
        {kSystemError, 2, 15, EventBytes()},
        {kSystemError, 3, 15, EventBytes().Le32(0x0000001B).Le32(0x00000007)},
        {kSystemError, 3, 15, EventBytes().Le32(0x0000002B).Le32(0x00010000)},
        {kSystemError, 3, 15, EventBytes().Le32(0x00000005).Le32(0x00000000)},
        {kSystemError, 4, 15, EventBytes().Le32(0x00800010).Le32(0x00000002)},
        {kSystemError, 5, 15, EventBytes()},
        {kSystemError, 6, 15, EventBytes()},
        {kSystemError, 7, 15, EventBytes().Text("0x000000C2, 0x00000011, 0x00000000")},
    };
}

// Location kind (0 board, 1 processor), its number, the module number, then the serial number (and for the
// restore and erase-retry events the retry count before it).
SeedSample Nvdimm(uint16_t code, unsigned kind, unsigned where, unsigned module, const char* serial) {
    return {kNvMemory, code, 15, EventBytes().U8(kind).U8(where).U8(module).Text(serial)};
}

SeedSample NvdimmRetry(uint16_t code, unsigned kind, unsigned where, unsigned module, unsigned retries,
                       const char* serial) {
    return {kNvMemory, code, 9, EventBytes().U8(kind).U8(where).U8(module).U8(retries).Text(serial)};
}

std::vector<SeedSample> NvMemorySamples() {
    return {
        Nvdimm(1, 1, 1, 3, "4A2F19C7"),           NvdimmRetry(2, 1, 1, 3, 3, "4A2F19C7"),
        Nvdimm(3, 1, 2, 9, "4A2F2B01"),           Nvdimm(4, 0, 1, 6, ""),
        Nvdimm(5, 1, 1, 3, "4A2F19C7"),           Nvdimm(6, 1, 2, 9, "4A2F2B01"),
        Nvdimm(7, 1, 1, 3, "4A2F19C7"),           Nvdimm(9, 1, 2, 9, "4A2F2B01"),
        NvdimmRetry(10, 1, 2, 9, 12, "4A2F2B01"), Nvdimm(11, 0, 1, 6, "4A30007E"),
        Nvdimm(12, 1, 1, 3, "4A2F19C7"),          Nvdimm(13, 1, 2, 9, "4A2F2B01"),
    };
}

} // namespace

std::vector<SeedSample> InfrastructureErrorNvSamples() {
    std::vector<SeedSample> samples = InfrastructureSamples();
    for (std::vector<SeedSample> group : {SystemErrorSamples(), NvMemorySamples()}) {
        samples.insert(samples.end(), group.begin(), group.end());
    }
    return samples;
}

} // namespace kestrav::emulator
