// Description throughput for power subsystem entries: the sample power events, each rendered through the
// dispatcher exactly as the list and the exports render an entry.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "decode/event_text.h"
#include "emulator/seed_samples.h"
#include "log/log_entry.h"

namespace kestrav {
namespace {

struct PowerEntry {
    uint16_t code;
    uint8_t eventDataLength;
    uint8_t data[EventDataSize];
};

// The sample events, weighted towards what a power log mostly holds: supplies removed and inserted, AC power
// problems and lost redundancy.
std::vector<PowerEntry> PowerMix() {
    std::vector<PowerEntry> entries;
    for (const emulator::SeedSample& sample : emulator::PowerSamples()) {
        PowerEntry entry{sample.code, static_cast<uint8_t>(sample.data.size()), {}};
        std::memcpy(entry.data, sample.data.data(), std::min(sample.data.size(), EventDataSize));
        int copies = 1;
        switch (sample.code) {
        case 4:
        case 5:
        case 6:
        case 8:
        case 17: copies = 4; break;
        case 10:
        case 11:
        case 22:
        case 23: copies = 2; break;
        }
        for (int i = 0; i < copies; ++i) {
            entries.push_back(entry);
        }
    }
    return entries;
}

void BM_PowerDescriptions(benchmark::State& state) {
    const std::vector<PowerEntry> entries = PowerMix();
    char buffer[DescriptionBufferSize];
    size_t next = 0;
    for (auto _ : state) {
        const PowerEntry& entry = entries[next];
        FormatEventDescription(11, entry.code, entry.data, buffer, entry.eventDataLength);
        benchmark::DoNotOptimize(buffer);
        next = next + 1 == entries.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["entries_in_mix"] = static_cast<double>(entries.size());
}
BENCHMARK(BM_PowerDescriptions);

} // namespace
} // namespace kestrav
