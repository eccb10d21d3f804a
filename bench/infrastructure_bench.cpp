// Description throughput for infrastructure environment, unrecoverable system error and NVDIMM entries, over
// the realistic sample events that `healthsim seed` writes for those classes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "decode/event_text.h"
#include "emulator/seed_samples.h"
#include "log/log_entry.h"

namespace kestrav {
namespace {

// The sample events as whole entries; classFilter 0 keeps all three classes.
std::vector<LogEntry> SampleEntries(uint16_t classFilter) {
    std::vector<LogEntry> entries;
    for (const emulator::SeedSample& sample : emulator::InfrastructureErrorNvSamples()) {
        if (classFilter != 0 && sample.eventClass != classFilter) {
            continue;
        }
        LogEntry entry;
        entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + sample.data.size()));
        entry.SetSeverity(sample.severity);
        entry.SetClass(sample.eventClass);
        entry.SetCode(sample.code);
        entry.SetCount(1);
        std::copy(sample.data.begin(), sample.data.end(), entry.EventData());
        entries.push_back(entry);
    }
    return entries;
}

void BM_InfrastructureErrorNvDescriptions(benchmark::State& state) {
    const std::vector<LogEntry> entries = SampleEntries(static_cast<uint16_t>(state.range(0)));
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
// 0: the mix of all three classes; then each class alone.
BENCHMARK(BM_InfrastructureErrorNvDescriptions)->Arg(0)->Arg(34)->Arg(20)->Arg(42);

} // namespace
} // namespace kestrav
