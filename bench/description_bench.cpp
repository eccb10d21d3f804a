// Descriptions per second over the sample events that `healthsim seed` writes: the whole mix, each class
// alone (to show the slowest), each decoder group's mix, and the candidate-module lists as the heaviest
// sentences. Every sample is a whole entry with Length 28 + its data, described round-robin as the list view
// does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <set>
#include <vector>

#include "decode/event_text.h"
#include "emulator/healthsim/seed.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav {
namespace {

using emulator::SeedSample;

template <typename Keep> std::vector<LogEntry> Entries(const std::vector<SeedSample>& samples, Keep keep) {
    std::vector<LogEntry> entries;
    for (const SeedSample& sample : samples) {
        if (!keep(sample)) {
            continue;
        }
        LogEntry entry;
        size_t size = std::min(sample.data.size(), EventDataSize);
        entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + size));
        entry.SetSeverity(sample.severity);
        entry.SetClass(sample.eventClass);
        entry.SetCode(sample.code);
        entry.SetCount(1);
        std::copy_n(sample.data.begin(), size, entry.EventData());
        entries.push_back(entry);
    }
    return entries;
}

void DescribeRoundRobin(benchmark::State& state, const std::vector<LogEntry>& entries) {
    char buffer[DescriptionBufferSize];
    size_t next = 0;
    for (auto _ : state) {
        FormatEntryDescription(entries[next], buffer);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
        next = next + 1 == entries.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

// range(0) is the class, or -1 for the whole mix.
void BM_DescribeAllClasses(benchmark::State& state) {
    const int onlyClass = static_cast<int>(state.range(0));
    DescribeRoundRobin(state, Entries(emulator::AllSeedSamples(), [&](const SeedSample& s) {
                           return onlyClass < 0 || s.eventClass == onlyClass;
                       }));
}

void AllClassArguments(benchmark::internal::Benchmark* b) {
    b->Arg(-1);
    std::set<int> classes;
    for (const SeedSample& s : emulator::AllSeedSamples()) {
        classes.insert(s.eventClass);
    }
    for (int c : classes) {
        b->Arg(c);
    }
}
BENCHMARK(BM_DescribeAllClasses)->Apply(AllClassArguments);

void BM_DescribeGroup(benchmark::State& state, std::vector<SeedSample> (*group)()) {
    DescribeRoundRobin(state, Entries(group(), [](const SeedSample&) { return true; }));
}
BENCHMARK_CAPTURE(BM_DescribeGroup, EnvironmentMemory, emulator::EnvironmentMemorySamples);
BENCHMARK_CAPTURE(BM_DescribeGroup, ProcessorOs, emulator::ProcessorOsSamples);
BENCHMARK_CAPTURE(BM_DescribeGroup, DriveArrayNode, emulator::DriveArrayNodeSamples);
BENCHMARK_CAPTURE(BM_DescribeGroup, Power, emulator::PowerSamples);
BENCHMARK_CAPTURE(BM_DescribeGroup, InfrastructureErrorNv, emulator::InfrastructureErrorNvSamples);

// Codes 3 and 19 to 25 (but 21 and 22) of main memory list the candidate modules piece by piece.
void BM_MemoryCandidateLists(benchmark::State& state) {
    DescribeRoundRobin(state, Entries(emulator::EnvironmentMemorySamples(), [](const SeedSample& s) {
                           return s.eventClass == 3 && (s.code == 3 || (s.code >= 19 && s.code <= 25 &&
                                                                        s.code != 21 && s.code != 22));
                       }));
}
BENCHMARK(BM_MemoryCandidateLists);

} // namespace
} // namespace kestrav
