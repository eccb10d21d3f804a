// The transport to the health device. On Linux the device is the emulated one (a store file named by
// ZORHLTH_DEVICE, default /var/lib/zorhlth/cvr.db); on Windows it is the kernel driver behind
// DeviceIoControl.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrav::platform {

struct HealthDevice; // an open device; opaque

// Opens the device; nullptr when it cannot be opened (missing, not a device).
HealthDevice* OpenHealthDevice();

// Why the last OpenHealthDevice of this thread failed: 0 when there is no device (no driver loaded), else the
// system's status code (access denied, a driver that refuses to open).
uint32_t HealthDeviceOpenError();

// Issues one control request; false when the request itself failed (not completed).
bool HealthDeviceControl(HealthDevice* device, uint32_t controlCode, const void* input, size_t inputSize,
                         void* output, size_t outputSize);

void CloseHealthDevice(HealthDevice* device);

// Whether path names the device's own storage (the emulated device's store and its journal files, existing or
// not), which no export or status log may overwrite. The kernel driver keeps its log in no file.
bool IsHealthDeviceStorage(const std::string& path);

} // namespace kestrav::platform
