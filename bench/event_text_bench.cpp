// Throughput of the entry-time renderer over a realistic mix of timestamps and of the descriptions that need
// no decoder of their own.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "decode/event_text.h"

namespace kestrav {
namespace {

// A year of events: dates spread over twelve months, times spread over the day, a few invalid stamps.
std::vector<LogTime> TimestampMix(size_t count) {
    std::mt19937 random(7);
    std::vector<LogTime> times;
    for (size_t i = 0; i < count; ++i) {
        LogTime t;
        t.century = 20;
        t.year = static_cast<uint8_t>(25 + random() % 2);
        t.month = static_cast<uint8_t>(1 + random() % 12);
        t.day = static_cast<uint8_t>(1 + random() % 28);
        t.hour = static_cast<uint8_t>(random() % 24);
        t.minute = static_cast<uint8_t>(random() % 60);
        if (i % 97 == 0) {
            t = LogTime{};
        }
        times.push_back(t);
    }
    return times;
}

void BM_FormatEntryTime(benchmark::State& state) {
    setenv("LC_ALL", "en_US.UTF-8", 1);
    std::vector<LogTime> times = TimestampMix(100000);
    char buffer[DescriptionBufferSize];
    size_t i = 0;
    for (auto _ : state) {
        FormatEntryTime(times[i++ % times.size()], buffer);
        benchmark::DoNotOptimize(buffer);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatEntryTime);

struct Sample {
    uint16_t eventClass;
    uint16_t code;
    uint8_t data[EventDataSize];
};

void BM_InlineDescriptions(benchmark::State& state) {
    const std::pair<uint16_t, uint16_t> kinds[] = {{4, 1},  {7, 1},  {7, 2},  {13, 2}, {32, 1}, {33, 1},
                                                   {33, 2}, {39, 3}, {39, 4}, {40, 1}, {41, 1}, {12, 1}};
    std::vector<Sample> samples;
    for (auto [eventClass, code] : kinds) {
        Sample s{eventClass, code, {}};
        std::strcpy(reinterpret_cast<char*>(s.data) + 1, "Replaced the fan in bay 3 after an alert");
        s.data[0] = 2;
        samples.push_back(s);
    }
    char buffer[DescriptionBufferSize];
    size_t i = 0;
    for (auto _ : state) {
        const Sample& s = samples[i++ % samples.size()];
        FormatEventDescription(s.eventClass, s.code, s.data, buffer, 0);
        benchmark::DoNotOptimize(buffer);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InlineDescriptions);

}  // namespace
}  // namespace kestrav
