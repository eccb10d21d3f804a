// The health device on Linux: the emulated device, a store file named by ZORHLTH_DEVICE. Opening checks that
// the file is a device; each control request is answered by the emulated driver.
#include <filesystem>
#include <memory>
#include <new>

#include "emulator/request_handler.h"
#include "platform/health_device.h"

namespace kestrav::platform {

struct HealthDevice {
    std::shared_ptr<emulator::DeviceStore> store;
};

HealthDevice* OpenHealthDevice() {
    std::shared_ptr<emulator::DeviceStore> store = emulator::AcquireDevice(emulator::DevicePath());
    if (!store) {
        return nullptr;
    }
    return new (std::nothrow) HealthDevice{std::move(store)};
}

bool HealthDeviceControl(HealthDevice* device, uint32_t controlCode, const void* input, size_t inputSize,
                         void* output, size_t outputSize) {
    if (device == nullptr) {
        return false;
    }
    return emulator::HandleControl(*device->store, controlCode, input, inputSize, output, outputSize);
}

void CloseHealthDevice(HealthDevice* device) {
    delete device;
}

bool IsHealthDeviceStorage(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const fs::path store(emulator::DevicePath());
    const fs::path storeFolder = store.has_parent_path() ? store.parent_path() : fs::path(".");
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        fs::path part = store;
        part += suffix;
        // The same file by identity, or a file not there yet under the same name in the same folder.
        if (fs::equivalent(file, part, ec) ||
            (file.filename() == part.filename() && fs::equivalent(folder, storeFolder, ec))) {
            return true;
        }
    }
    return false;
}

// A store that cannot be opened counts as no device.
uint32_t HealthDeviceOpenError() {
    return 0;
}

} // namespace kestrav::platform
