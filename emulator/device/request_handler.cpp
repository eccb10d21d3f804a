#include "emulator/device/request_handler.h"

#include <pthread.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "record/health_protocol.h"

namespace kestrav::emulator {

namespace {

bool ValidEntryLength(uint32_t dataLength, const LogEntry& entry) {
    return dataLength == entry.Length() && dataLength >= EntryHeaderSize && dataLength <= LogEntrySize;
}

bool HandleCapability(DeviceStore& store, size_t inputSize, void* output, size_t outputSize) {
    if (inputSize != 0 || output == nullptr || outputSize != CapabilityBlockSize) {
        return false;
    }
    DeviceSettings settings;
    if (store.ReadSettings(settings) != StoreResult::Done || settings.faults.requestsFail) {
        return false;
    }
    CapabilityBlock block;
    if (settings.supported) {
        block.bytes[CapabilityBlock::LogSupportByte] |= CapabilityBlock::LogSupportMask;
    }
    std::memcpy(output, block.bytes, sizeof block.bytes);
    return true;
}

// Another program's clear, through a connection of its own (a read may have opened the device for reading
// only): the log erased and the entry that records who cleared it stored.
bool ClearAsAnotherProgram(const DeviceStore& store) {
    static constexpr char User[] = "another program";
    std::string error;
    std::unique_ptr<DeviceStore> other = DeviceStore::Open(store.Path(), error);
    if (!other) {
        return false;
    }
    LogEntry entry;
    entry.SetHeaderByte6(1);
    entry.SetSeverity(2);
    entry.SetClass(33);
    entry.SetCode(1);
    entry.SetCount(1);
    std::memcpy(entry.EventData(), User, sizeof User);
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + sizeof User));
    DeviceSettings settings;
    uint32_t assigned = 0;
    return other->Erase(settings) == StoreResult::Done &&
           other->Append(entry, settings, assigned) == StoreResult::Done;
}

bool HandleRead(DeviceStore& store, const HealthRequest& request, HealthResponse& response) {
    if (request.Operation() != 0 || request.DataLength() != LogEntrySize) {
        response.SetStatus(BadRequestStatus);
        return true;
    }
    ReadOutcome outcome;
    if (store.ReadAtOrAfter(request.EventNumber(), outcome) != StoreResult::Done ||
        outcome.settings.faults.requestsFail) {
        return false;
    }
    if (outcome.faultStatus == ClearBeforeRead) {
        if (!ClearAsAnotherProgram(store) ||
            store.ReadAtOrAfter(request.EventNumber(), outcome) != StoreResult::Done) {
            return false;
        }
        outcome.faultStatus.reset();
    }
    if (outcome.faultStatus) {
        response.SetStatus(*outcome.faultStatus);
    } else if (!outcome.found) {
        response.SetStatus(EndOfLog);
    } else if (outcome.damaged) {
        response.SetStatus(DamagedEntryStatus);
    } else {
        response.SetEntry(outcome.entry);
    }
    return true;
}

bool HandleWrite(DeviceStore& store, const HealthRequest& request, HealthResponse& response) {
    LogEntry entry = request.Entry();
    if (request.Operation() != 0 || request.EventNumber() != 0 ||
        !ValidEntryLength(request.DataLength(), entry)) {
        response.SetStatus(BadRequestStatus);
        return true;
    }
    DeviceSettings settings;
    uint32_t assigned = 0;
    StoreResult result = store.Append(entry, settings, assigned);
    if (result == StoreResult::Failed || settings.faults.requestsFail) {
        return false;
    }
    if (settings.faults.writeStatus != 0) {
        response.SetStatus(settings.faults.writeStatus);
    } else if (result == StoreResult::Exhausted) {
        response.SetStatus(LogFullStatus);
    }
    return true;
}

bool HandleRewrite(DeviceStore& store, const HealthRequest& request, HealthResponse& response) {
    LogEntry entry = request.Entry();
    if (request.Operation() != 0 || !ValidEntryLength(request.DataLength(), entry)) {
        response.SetStatus(BadRequestStatus);
        return true;
    }
    DeviceSettings settings;
    StoreResult result = store.Rewrite(request.EventNumber(), entry, settings);
    if (result == StoreResult::Failed || settings.faults.requestsFail) {
        return false;
    }
    if (settings.faults.writeStatus != 0) {
        response.SetStatus(settings.faults.writeStatus);
    } else if (result == StoreResult::Absent) {
        response.SetStatus(NoSuchEntryStatus);
    }
    return true;
}

bool HandleLogControl(DeviceStore& store, const HealthRequest& request, HealthResponse& response) {
    if (request.Operation() != EraseLogOperation || request.DataLength() != 0 || request.EventNumber() != 0) {
        response.SetStatus(BadRequestStatus);
        return true;
    }
    DeviceSettings settings;
    if (store.Erase(settings) != StoreResult::Done || settings.faults.requestsFail) {
        return false;
    }
    if (settings.faults.eraseRefused) {
        response.SetStatus(EraseRefusedStatus);
        response.SetControlFlags(HealthResponse::EraseRefusedFlag);
    }
    return true;
}

} // namespace

bool HandleControl(DeviceStore& store, uint32_t controlCode, const void* input, size_t inputSize,
                   void* output, size_t outputSize) {
    if (controlCode == CapabilityIoControlCode) {
        return HandleCapability(store, inputSize, output, outputSize);
    }
    if (controlCode != LogIoControlCode || input == nullptr || inputSize != HealthBlockSize ||
        output == nullptr || outputSize != HealthBlockSize) {
        return false;
    }
    HealthRequest request;
    std::memcpy(request.bytes, input, HealthBlockSize);
    HealthResponse response;
    bool completed = false;
    switch (request.Command()) {
    case ReadEntryCommand: completed = HandleRead(store, request, response); break;
    case WriteEntryCommand: completed = HandleWrite(store, request, response); break;
    case RewriteEntryCommand: completed = HandleRewrite(store, request, response); break;
    case LogControlCommand: completed = HandleLogControl(store, request, response); break;
    default:
        response.SetStatus(BadRequestStatus);
        completed = true;
        break;
    }
    if (completed) {
        std::memcpy(output, response.bytes, HealthBlockSize);
    }
    return completed;
}

namespace {

// Bumped in a forked child: a connection inherited across fork must be neither used nor closed by the child.
std::atomic<unsigned> forkGeneration{0};

} // namespace

std::shared_ptr<DeviceStore> AcquireDevice(const char* path, bool readOnly, OpenFailure* failure) {
    struct Cached {
        std::shared_ptr<DeviceStore> store;
        unsigned generation = 0;
    };
    static std::mutex mutex;
    static Cached cached;
    static std::once_flag atfork;
    std::call_once(atfork, [] { pthread_atfork(nullptr, nullptr, [] { ++forkGeneration; }); });

    std::lock_guard lock(mutex);
    if (cached.store && cached.generation == forkGeneration && cached.store->Path() == path &&
        (readOnly || !cached.store->ReadOnly()) && cached.store->BeginRequest()) {
        return cached.store;
    }
    if (cached.generation != forkGeneration) {
        new std::shared_ptr<DeviceStore>(std::move(cached.store));
    }
    cached = Cached{};
    std::string error;
    std::unique_ptr<DeviceStore> opened = DeviceStore::Open(path, error, readOnly, failure);
    if (!opened) {
        return nullptr;
    }
    cached = Cached{std::shared_ptr<DeviceStore>(std::move(opened)), forkGeneration};
    return cached.store;
}

} // namespace kestrav::emulator
