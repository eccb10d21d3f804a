// Description throughput for a realistic mix of processor, bus, slot, POST, operating system, network adapter
// and SCSI events: the sample events of a seeded device, described round-robin as the list view does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "decode/event_text.h"
#include "emulator/seed_samples.h"
#include "log/log_entry.h"

namespace kestrav {
namespace {

std::vector<LogEntry> ProcessorOsEntries() {
    std::vector<LogEntry> entries;
    for (const emulator::SeedSample& sample : emulator::ProcessorOsSamples()) {
        LogEntry entry;
        entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + sample.data.size()));
        entry.SetSeverity(sample.severity);
        entry.SetClass(sample.eventClass);
        entry.SetCode(sample.code);
        std::copy_n(sample.data.begin(), std::min(sample.data.size(), EventDataSize), entry.EventData());
        entries.push_back(entry);
    }
    return entries;
}

void BM_ProcessorOsDescriptions(benchmark::State& state) {
    const std::vector<LogEntry> entries = ProcessorOsEntries();
    char buffer[DescriptionBufferSize];
    size_t next = 0;
    for (auto _ : state) {
        FormatEntryDescription(entries[next], buffer);
        benchmark::DoNotOptimize(buffer);
        benchmark::ClobberMemory();
        next = next + 1 == entries.size() ? 0 : next + 1;
    }
    state.counters["descriptions/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessorOsDescriptions);

} // namespace
} // namespace kestrav
