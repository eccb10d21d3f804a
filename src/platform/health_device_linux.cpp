// PLACEHOLDER: the emulated device transport is built with the emulator.
#include "platform/health_device.h"

namespace kestrav::platform {

HealthDevice* OpenHealthDevice() { return nullptr; }
bool HealthDeviceControl(HealthDevice*, uint32_t, const void*, size_t, void*, size_t) { return false; }
void CloseHealthDevice(HealthDevice*) {}

}  // namespace kestrav::platform
