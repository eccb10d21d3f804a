// Descriptions per second for machine environment and main memory entries: the realistic mix of the sample
// log, and the candidate-module lists on their own as the heaviest sentences of the two classes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <vector>

#include "decode/event_text.h"
#include "emulator/seed_samples.h"

namespace kestrav {
namespace {

struct Entry {
    uint16_t eventClass;
    uint16_t code;
    std::array<uint8_t, EventDataSize> data{};
};

std::vector<Entry> Entries(bool candidateListsOnly) {
    std::vector<Entry> entries;
    for (const emulator::SeedSample& sample : emulator::EnvironmentMemorySamples()) {
        bool isList = sample.eventClass == 3 &&
                      (sample.code == 3 ||
                       (sample.code >= 19 && sample.code <= 25 && sample.code != 21 && sample.code != 22));
        if (candidateListsOnly && !isList) {
            continue;
        }
        Entry entry{sample.eventClass, sample.code, {}};
        std::copy_n(sample.data.begin(), std::min(sample.data.size(), entry.data.size()), entry.data.begin());
        entries.push_back(entry);
    }
    return entries;
}

void Describe(benchmark::State& state, const std::vector<Entry>& entries) {
    std::array<char, DescriptionBufferSize> buffer;
    size_t next = 0;
    for (auto _ : state) {
        const Entry& entry = entries[next];
        next = next + 1 == entries.size() ? 0 : next + 1;
        FormatEventDescription(entry.eventClass, entry.code, entry.data.data(), buffer, EventDataSize);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["descriptions_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EnvironmentMemoryMix(benchmark::State& state) {
    Describe(state, Entries(false));
}
void BM_MemoryCandidateLists(benchmark::State& state) {
    Describe(state, Entries(true));
}

BENCHMARK(BM_EnvironmentMemoryMix);
BENCHMARK(BM_MemoryCandidateLists);

} // namespace
} // namespace kestrav
