// The transport to the health device. On Linux the device is the emulated one (a store file named by
// ZORHLTH_DEVICE, default /var/lib/zorhlth/cvr.db); on Windows it is the kernel driver behind
// DeviceIoControl.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrav::platform {

struct HealthDevice; // an open device; opaque

// What a request asks of the device: a read changes nothing and needs read access only, so that an account
// allowed to read the log but not to change it can still read it.
enum class DeviceAccess { Read, Write };

// Opens the device for access; nullptr when it cannot be opened. refusal is then the system's error code
// when the device is there but the system refuses this account that access (its rights, a read-only file
// system, a driver that refuses to open), and 0 when there is no device (missing, not a device, no driver
// loaded).
HealthDevice* OpenHealthDevice(DeviceAccess access, uint32_t& refusal);

// Issues one control request; false when the request itself failed (not completed).
bool HealthDeviceControl(HealthDevice* device, uint32_t controlCode, const void* input, size_t inputSize,
                         void* output, size_t outputSize);

void CloseHealthDevice(HealthDevice* device);

// Whether path names the device's own storage (the emulated device's store and its journal files, existing or
// not), which no export or status log may overwrite. The kernel driver keeps its log in no file.
bool IsHealthDeviceStorage(const std::string& path);

// For an administrator when the last open failed although the device is there: it is busy with another
// program, or needs a run with write access to recover from an interrupted write. Empty otherwise, and where
// the driver says so itself (Windows).
std::string UnusableDeviceReason();

// For an administrator when there is no device: where it was looked for and how to name another; empty
// where there is nothing to choose (the kernel driver has one name).
std::string MissingDeviceHint();

} // namespace kestrav::platform
