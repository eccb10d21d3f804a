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

// Why a run holds the device across several requests. A change (the look for new entries, the erase and the
// entry that records who cleared) must not interleave with any other writer; a walk must not interleave with
// a change made by another of Kestrav's runs.
enum class HoldPurpose { Walk, Change };

struct HeldDevice; // a hold under way; opaque

// Holds the device for the requests that follow, until ReleaseHealthDevice; nullptr when there is nothing to
// hold (the requests then go ahead one by one, as they would without it). On the emulated device a change
// holds the store in one write transaction: its requests commit together or not at all and other writers wait
// for it, while a walk needs no hold there (every read sees a committed store). On Windows the driver
// serialises single requests only, so every hold is Kestrav's own machine-wide lock. The requests themselves
// are those of the protocol: the hold is the transport's business.
HeldDevice* HoldHealthDevice(HoldPurpose purpose);

// Ends a hold. False when what the requests under it changed was not kept (the store could not commit it).
bool ReleaseHealthDevice(HeldDevice* held);

// A hold for the life of a scope.
class DeviceHold {
public:
    explicit DeviceHold(HoldPurpose purpose) : held_(HoldHealthDevice(purpose)) {}
    ~DeviceHold() { Release(); }
    DeviceHold(const DeviceHold&) = delete;
    DeviceHold& operator=(const DeviceHold&) = delete;
    // Ends the hold early; false as ReleaseHealthDevice. Later calls return true.
    bool Release() {
        HeldDevice* held = held_;
        held_ = nullptr;
        return held == nullptr || ReleaseHealthDevice(held);
    }

private:
    HeldDevice* held_;
};

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
