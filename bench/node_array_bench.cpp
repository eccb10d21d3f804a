// Descriptions per second for a realistic mix of drive array, QRC node-controller and carrier events: the
// sample events of the emulated device, each in a full 228-byte event data area.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "decode/event_text.h"
#include "emulator/seed_samples.h"
#include "log/log_entry.h"

namespace {

struct Event {
    uint16_t eventClass;
    uint16_t code;
    std::array<uint8_t, kestrav::EventDataSize> data{};
};

std::vector<Event> SampleEvents(uint16_t onlyClass) {
    std::vector<Event> events;
    for (const kestrav::emulator::SeedSample& s : kestrav::emulator::DriveArrayNodeSamples()) {
        if (onlyClass != 0 && s.eventClass != onlyClass) {
            continue;
        }
        Event e{s.eventClass, s.code};
        for (size_t i = 0; i < s.data.size() && i < e.data.size(); ++i) {
            e.data[i] = s.data[i];
        }
        events.push_back(e);
    }
    return events;
}

// range(0) picks the class: 0 for the whole mix.
void BM_DescribeDriveArrayAndNodeEvents(benchmark::State& state) {
    const std::vector<Event> events = SampleEvents(static_cast<uint16_t>(state.range(0)));
    std::array<char, kestrav::DescriptionBufferSize> buffer;
    size_t next = 0;
    for (auto _ : state) {
        const Event& e = events[next];
        kestrav::FormatEventDescription(e.eventClass, e.code, e.data.data(), buffer, 0);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
        next = next + 1 == events.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DescribeDriveArrayAndNodeEvents)->Arg(0)->Arg(19)->Arg(37);

} // namespace
