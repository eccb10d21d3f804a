#include "emulator/healthsim/seed.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace kestrav::emulator {

namespace {

constexpr std::time_t SeedSpan = 183 * 24 * 3600; // about six months

LogTime ToLogTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return MakeLogTime(local);
}

// A small deterministic mix of the index, so that a seeded log is the same on every run (times aside).
uint32_t Mix(uint64_t value) {
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdULL;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ULL;
    value ^= value >> 33;
    return static_cast<uint32_t>(value);
}

SeedSample Sample(uint16_t eventClass, uint16_t code, uint8_t severity, std::vector<uint8_t> data = {}) {
    return SeedSample{eventClass, code, severity, std::move(data)};
}

} // namespace

std::vector<SeedSample> InlineClassSamples() {
    return {
        Sample(4, 1, 9, EventBytes().U8(1)),
        Sample(4, 1, 9, EventBytes().U8(0xFF)),
        Sample(7, 1, 15, EventBytes().U8(3)),
        Sample(7, 2, 9),
        Sample(7, 3, 15, EventBytes().U8(5)),
        Sample(7, 4, 9),
        Sample(13, 1, 15),
        Sample(13, 2, 15, EventBytes().Text("Operating system did not respond within 10 minutes")),
        Sample(13, 3, 15),
        Sample(32, 1, 2, EventBytes().Text("K14 v2.62 03/14/2026")),
        Sample(32, 2, 2, EventBytes().Text("Management controller 1.84")),
        Sample(33, 1, 2, EventBytes().Text("administrator")),
        Sample(33, 2, 2, EventBytes().Text("Replaced fan 3 in chassis 1 after noise complaint.")),
        Sample(39, 1, 9),
        Sample(39, 2, 9),
        Sample(39, 3, 9, EventBytes().Le16(300)),
        Sample(39, 4, 2),
        Sample(40, 1, 15, EventBytes().Text("Embedded flash/SD-CARD")),
        Sample(41, 1, 9, EventBytes().U8(2).Text("Power Supply 2")),
        Sample(41, 1, 9, EventBytes().U8(0).Text("Fan 3")),
    };
}

std::vector<SeedSample> AllSeedSamples() {
    std::vector<SeedSample> all;
    for (auto group : {EnvironmentMemorySamples, ProcessorOsSamples, DriveArrayNodeSamples, PowerSamples,
                       InfrastructureErrorNvSamples, InlineClassSamples}) {
        std::vector<SeedSample> samples = group();
        all.insert(all.end(), std::make_move_iterator(samples.begin()),
                   std::make_move_iterator(samples.end()));
    }
    return all;
}

void MakeSeedEntry(const std::vector<SeedSample>& samples, uint64_t index, uint64_t count, std::time_t now,
                   LogEntry& entry) {
    std::memset(entry.bytes, 0, LogEntrySize);
    // A stride coprime with the number of samples visits every sample once per round, in a mixed order.
    size_t stride = samples.size() * 5 / 8 + 1;
    while (std::gcd(stride, samples.size()) != 1) {
        ++stride;
    }
    const SeedSample& sample = samples[(index * stride) % samples.size()];
    uint32_t random = Mix(index);
    size_t dataSize = std::min(sample.data.size(), EventDataSize);
    std::copy_n(sample.data.begin(), dataSize, entry.EventData());
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + dataSize));
    entry.SetHeaderByte6(sample.eventClass == 33 ? 1 : 0);
    // Some of the cautions and critical events have been marked repaired by an administrator since.
    uint8_t severity = sample.severity;
    if (severity > 6 && random % 10 == 0) {
        severity = 6;
    }
    // Firmware reports informational events with either of its two informational severities.
    if (severity == 2 && sample.eventClass != 33 && random % 3 == 0) {
        severity = 3;
    }
    entry.SetSeverity(severity);
    entry.SetClass(sample.eventClass);
    entry.SetCode(sample.code);
    // Most events happened once; some recur, and their update time moves on accordingly.
    uint32_t occurrences = (random >> 8) % 4 == 0 ? 2 + (random >> 12) % 40 : 1;
    entry.SetCount(sample.eventClass == 33 ? 1 : occurrences);

    std::time_t start = now - SeedSpan;
    std::time_t initial = start + static_cast<std::time_t>((static_cast<double>(index) / count) * SeedSpan);
    initial = std::min(initial + static_cast<std::time_t>((random >> 16) % 3600), now);
    std::time_t update = initial;
    if (occurrences > 1 || severity == 6) {
        update = std::min(initial + static_cast<std::time_t>(random % (20 * 24 * 3600)), now);
    }
    entry.SetInitialTime(ToLogTime(initial));
    entry.SetUpdateTime(ToLogTime(update));
}

uint64_t DefaultSeedCount() {
    return std::max<uint64_t>(200, AllSeedSamples().size());
}

StoreResult SeedDevice(DeviceStore& store, uint64_t count, std::time_t now) {
    std::vector<SeedSample> samples = AllSeedSamples();
    return store.AppendMany(
        count, [&](uint64_t index, LogEntry& entry) { MakeSeedEntry(samples, index, count, now, entry); });
}

} // namespace kestrav::emulator
