// Output building in-process: entries rendered per second into the lines of /export: and of the three query
// outputs (--list, --json, --csv), without the device walk.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/export_line.h"
#include "render/entry_formats.h"

namespace kestrav {
namespace {

// A spread of classes, codes and times, so that the decoders and the date cache are exercised as on a real
// log.
std::vector<LogEntry> SampleEntries(size_t count) {
    std::vector<LogEntry> entries(count);
    const uint16_t classes[] = {2, 3, 5, 11, 19, 33, 34, 37, 41, 42};
    for (size_t i = 0; i < count; ++i) {
        LogEntry& e = entries[i];
        e.SetLength(60);
        e.SetEventNumber(static_cast<uint32_t>(i + 1));
        e.SetSeverity(i % 3 == 0 ? 15 : 2);
        e.SetClass(classes[i % std::size(classes)]);
        e.SetCode(static_cast<uint16_t>(1 + i % 12));
        LogTime t{20,
                  static_cast<uint8_t>(20 + i % 7),
                  static_cast<uint8_t>(1 + i % 12),
                  static_cast<uint8_t>(1 + i % 28),
                  static_cast<uint8_t>(i % 24),
                  static_cast<uint8_t>(i % 60)};
        e.SetInitialTime(t);
        e.SetUpdateTime(t);
        e.SetCount(static_cast<uint32_t>(1 + i % 5));
        std::memcpy(e.EventData(),
                    "\x01\x02\x03"
                    "Chassis 1\0Slot 4",
                    20);
    }
    return entries;
}

void BM_CsvLines(benchmark::State& state) {
    setenv("LC_ALL", "C", 1);
    std::vector<LogEntry> entries = SampleEntries(10000);
    std::string out;
    for (auto _ : state) {
        out.clear();
        out.append(CsvHeaderLine());
        for (const LogEntry& entry : entries) {
            AppendCsvLine(out, entry);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * entries.size()));
}
BENCHMARK(BM_CsvLines)->Unit(benchmark::kMillisecond);

// The query outputs of the same entries: 0 the listing (measured, then written), 1 JSON Lines, 2 CSV.
void BM_QueryOutput(benchmark::State& state) {
    setenv("LC_ALL", "C", 1);
    std::vector<LogEntry> entries = SampleEntries(10000);
    std::string out;
    for (auto _ : state) {
        out.clear();
        if (state.range(0) == 0) {
            const ListLayout layout = MeasureListing(entries);
            AppendListHeader(out, layout);
            for (const LogEntry& entry : entries) {
                AppendListLine(out, layout, entry);
            }
        } else if (state.range(0) == 1) {
            for (const LogEntry& entry : entries) {
                AppendJsonLine(out, entry);
            }
        } else {
            AppendCsvHeaderRow(out);
            for (const LogEntry& entry : entries) {
                AppendCsvRow(out, entry);
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * entries.size()));
}
BENCHMARK(BM_QueryOutput)->ArgName("list_json_csv")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrav
