// The health device on Linux: the emulated device, a store file named by ZORHLTH_DEVICE. Opening checks that
// the file is a device; each control request is answered by the emulated driver.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>

#include "emulator/device/request_handler.h"
#include "platform/health_device.h"

namespace kestrav::platform {

struct HealthDevice {
    std::shared_ptr<emulator::DeviceStore> store;
};

struct HeldDevice {
    std::shared_ptr<emulator::DeviceStore> store;
};

namespace {

// The store this process holds, if any: every request until the hold ends goes to it, inside its transaction.
std::mutex heldMutex;
std::shared_ptr<emulator::DeviceStore> heldStore;

// Why the system refuses this account the access to a device that is there: the file's or its folder's rights
// (a writer also needs the folder, for the store's journal), or a read-only file system. 0 when it does not
// refuse, or there is no file to refuse.
uint32_t AccessRefusal(const char* path, DeviceAccess access) {
    auto refused = [](int error) { return error == EACCES || error == EPERM || error == EROFS; };
    struct stat info {};
    if (::stat(path, &info) != 0) {
        return refused(errno) ? static_cast<uint32_t>(errno) : 0;
    }
    if (!S_ISREG(info.st_mode)) {
        return 0;
    }
    const bool write = access == DeviceAccess::Write;
    if (::faccessat(AT_FDCWD, path, write ? R_OK | W_OK : R_OK, AT_EACCESS) != 0) {
        return refused(errno) ? static_cast<uint32_t>(errno) : 0;
    }
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (write && ::faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        return refused(errno) ? static_cast<uint32_t>(errno) : 0;
    }
    return 0;
}

// What kept the last open from succeeding, when the device is there but cannot be used now.
std::atomic<emulator::OpenFailure> lastFailure{emulator::OpenFailure::Other};

} // namespace

HealthDevice* OpenHealthDevice(DeviceAccess access, uint32_t& refusal) {
    refusal = 0;
    {
        std::lock_guard lock(heldMutex);
        if (heldStore) {
            return new (std::nothrow) HealthDevice{heldStore};
        }
    }
    const char* path = emulator::DevicePath();
    emulator::OpenFailure failure = emulator::OpenFailure::Other;
    std::shared_ptr<emulator::DeviceStore> store =
        emulator::AcquireDevice(path, access == DeviceAccess::Read, &failure);
    if (!store) {
        refusal = AccessRefusal(path, access);
        lastFailure = refusal == 0 ? failure : emulator::OpenFailure::Other;
        return nullptr;
    }
    lastFailure = emulator::OpenFailure::Other;
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
    if (device != nullptr) {
        device->store->EndRequest();
    }
    delete device;
}

HeldDevice* HoldHealthDevice(HoldPurpose purpose) {
    // Readers see only committed stores, so a walk never meets half a change and needs no hold.
    if (purpose == HoldPurpose::Walk) {
        return nullptr;
    }
    std::lock_guard lock(heldMutex);
    if (heldStore) {
        return nullptr;
    }
    std::shared_ptr<emulator::DeviceStore> store = emulator::AcquireDevice(emulator::DevicePath(), false);
    if (!store) {
        return nullptr;
    }
    const bool held = store->BeginHold();
    store->EndRequest();
    if (!held) {
        return nullptr;
    }
    HeldDevice* hold = new (std::nothrow) HeldDevice{store};
    if (hold == nullptr) {
        store->EndHold();
        return nullptr;
    }
    heldStore = std::move(store);
    return hold;
}

bool ReleaseHealthDevice(HeldDevice* held) {
    if (held == nullptr) {
        return true;
    }
    {
        std::lock_guard lock(heldMutex);
        heldStore.reset();
    }
    const bool kept = held->store->EndHold();
    delete held;
    return kept;
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

std::string UnusableDeviceReason() {
    switch (lastFailure.load()) {
    case emulator::OpenFailure::Busy:
        return std::string("the health device ") + emulator::DevicePath() +
               " is busy: another program has held it too long; try again later";
    case emulator::OpenFailure::NeedsRecovery:
        return std::string("the health device ") + emulator::DevicePath() +
               " needs a run with write access to recover from an interrupted write";
    case emulator::OpenFailure::Other: break;
    }
    return "";
}

std::string MissingDeviceHint() {
    return std::string("no health device at ") + emulator::DevicePath() +
           " (set ZORHLTH_DEVICE to the device's path)";
}

} // namespace kestrav::platform
