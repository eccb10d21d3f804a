// Descriptions per second over the sample mix of every decoder group (the events `healthsim seed` draws from),
// as a whole and class by class, to show the slowest class.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "decode/event_text.h"
#include "emulator/seed_samples.h"

namespace {

struct Event {
    uint16_t eventClass;
    uint16_t code;
    std::array<uint8_t, kestrav::EventDataSize> data{};
};

std::vector<kestrav::emulator::SeedSample> AllSamples() {
    using namespace kestrav::emulator;
    std::vector<SeedSample> all;
    for (auto group : {EnvironmentMemorySamples, ProcessorOsSamples, DriveArrayNodeSamples, PowerSamples,
                       InfrastructureErrorNvSamples}) {
        std::vector<SeedSample> samples = group();
        all.insert(all.end(), samples.begin(), samples.end());
    }
    return all;
}

std::vector<Event> Events(int onlyClass) {
    std::vector<Event> events;
    for (const auto& s : AllSamples()) {
        if (onlyClass >= 0 && s.eventClass != onlyClass) {
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

// range(0) is the class, or -1 for the whole mix.
void BM_DescribeAllClasses(benchmark::State& state) {
    const std::vector<Event> events = Events(static_cast<int>(state.range(0)));
    std::array<char, kestrav::DescriptionBufferSize> buffer;
    size_t next = 0;
    for (auto _ : state) {
        const Event& e = events[next];
        kestrav::FormatEventDescription(e.eventClass, e.code, e.data.data(), buffer, kestrav::EventDataSize);
        benchmark::DoNotOptimize(buffer.data());
        next = next + 1 == events.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void AllClassArguments(benchmark::internal::Benchmark* b) {
    b->Arg(-1);
    std::set<int> classes;
    for (const auto& s : AllSamples()) {
        classes.insert(s.eventClass);
    }
    for (int c : classes) {
        b->Arg(c);
    }
}
BENCHMARK(BM_DescribeAllClasses)->Apply(AllClassArguments);

}  // namespace
