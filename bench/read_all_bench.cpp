// The emulated log at scale: ReadAllEntries over a device seeded with 100,000 entries, and the seeding
// itself.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "emulator/device/device_store.h"
#include "emulator/healthsim/seed.h"
#include "log/log_ops.h"

namespace {

using namespace kestrav;

// A seeded device in a temporary folder, made once for the whole benchmark run.
class SeededDevice {
public:
    explicit SeededDevice(uint64_t entries) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrav-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        path_ = (folder_ / "cvr.db").string();
        std::string error;
        if (!emulator::DeviceStore::Create(path_, true, false, error)) {
            std::abort();
        }
        std::unique_ptr<emulator::DeviceStore> store = emulator::DeviceStore::Open(path_, error);
        if (!store ||
            emulator::SeedDevice(*store, entries, std::time(nullptr)) != emulator::StoreResult::Done) {
            std::abort();
        }
    }
    ~SeededDevice() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

void BM_ReadAllEntries100k(benchmark::State& state) {
    static SeededDevice device(100000);
    setenv("ZORHLTH_DEVICE", device.Path().c_str(), 1);
    std::vector<LogEntry> entries;
    for (auto _ : state) {
        uint32_t status = ReadAllEntries(entries);
        if (status != StatusSuccess || entries.size() != 100000) {
            state.SkipWithError("walk did not read the whole log");
            break;
        }
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 100000);
    unsetenv("ZORHLTH_DEVICE");
}
BENCHMARK(BM_ReadAllEntries100k)->Unit(benchmark::kMillisecond);

// What `healthsim seed --entries 100000` spends in the store: one transaction of 100,000 sample entries.
void BM_SeedDevice100k(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto device = std::make_unique<SeededDevice>(0);
        std::string error;
        std::unique_ptr<emulator::DeviceStore> store = emulator::DeviceStore::Open(device->Path(), error);
        state.ResumeTiming();
        if (!store ||
            emulator::SeedDevice(*store, 100000, std::time(nullptr)) != emulator::StoreResult::Done) {
            state.SkipWithError("seeding failed");
            break;
        }
        state.PauseTiming();
        store.reset();
        device.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 100000);
}
BENCHMARK(BM_SeedDevice100k)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
