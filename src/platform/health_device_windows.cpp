// The health device on Windows: the kernel health driver "\\.\ZorHlth", opened for each request and spoken to
// with one device control request.
#include <windows.h>

#include <new>

#include "platform/health_device.h"

namespace kestrav::platform {

struct HealthDevice {
    HANDLE handle;
};

HealthDevice* OpenHealthDevice(DeviceAccess, uint32_t& refusal) {
    refusal = 0;
    HANDLE handle = CreateFileW(L"\\\\.\\ZorHlth", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // No such device is a driver that is not loaded; anything else (access denied to a run without
        // administrator rights, a driver that refuses) is the system's to say.
        DWORD error = GetLastError();
        refusal = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
        return nullptr;
    }
    HealthDevice* device = new (std::nothrow) HealthDevice{handle};
    if (device == nullptr) {
        CloseHandle(handle);
    }
    return device;
}

bool HealthDeviceControl(HealthDevice* device, uint32_t controlCode, const void* input, size_t inputSize,
                         void* output, size_t outputSize) {
    if (device == nullptr || inputSize > MAXDWORD || outputSize > MAXDWORD) {
        return false;
    }
    // Buffered requests only read the input; the call is declared with a writable one.
    DWORD returned = 0;
    return DeviceIoControl(device->handle, controlCode, const_cast<void*>(input),
                           static_cast<DWORD>(inputSize), output, static_cast<DWORD>(outputSize), &returned,
                           nullptr) != FALSE;
}

void CloseHealthDevice(HealthDevice* device) {
    if (device == nullptr) {
        return;
    }
    CloseHandle(device->handle);
    delete device;
}

struct HeldDevice {
    HANDLE mutex;
};

namespace {

// Kestrav's own runs on this machine take this lock around a walk and around a clear's look for new entries,
// erase and cleared-by entry, so that no run's walk is cut in two by another run's clear. It is one plain
// mutex for readers and writers alike: walks wait for each other too, but a clear waits only for the walk
// under way and is never starved by a stream of readers. Every wait is bounded; a run that cannot get the
// lock in time (a hung holder) goes ahead without it, as runs did before there was a lock, and what a clear
// then erased unsaved still shows in the number of its cleared-by entry.
constexpr wchar_t HoldMutexName[] = L"Global\\KestravHealthLog";
constexpr DWORD HoldWaitMs = 60000;

} // namespace

HeldDevice* HoldHealthDevice(HoldPurpose) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, HoldMutexName);
    if (mutex == nullptr) {
        return nullptr;
    }
    // An abandoned lock was held by a run that ended without releasing it; it is ours now.
    const DWORD waited = WaitForSingleObject(mutex, HoldWaitMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return nullptr;
    }
    HeldDevice* held = new (std::nothrow) HeldDevice{mutex};
    if (held == nullptr) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    return held;
}

bool ReleaseHealthDevice(HeldDevice* held) {
    if (held == nullptr) {
        return true;
    }
    ReleaseMutex(held->mutex);
    CloseHandle(held->mutex);
    delete held;
    return true;
}

// The kernel driver keeps its log in no file.
bool IsHealthDeviceStorage(const std::string&) {
    return false;
}

std::string UnusableDeviceReason() {
    return "";
}

std::string MissingDeviceHint() {
    return "";
}

} // namespace kestrav::platform
