// The health device on Linux: the emulated device, a store file named by ZORHLTH_DEVICE. Opening checks that
// the file is a device; each control request is answered by the emulated driver.
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

} // namespace kestrav::platform
