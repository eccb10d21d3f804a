// The emulated driver over any sequence of control requests (any control code, block sizes and 288 bytes),
// fault settings and imported records, on a real store. After every step the store must hold exactly what a
// model of the device expects: a request that is refused or fails stores nothing, a write takes the next
// number (never one used before, even across erases), a rewrite changes only its own entry, and an answer
// that is not completed leaves the caller's output untouched.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "emulator/device/device_store.h"
#include "emulator/device/request_handler.h"
#include "fuzz/fuzz_support.h"
#include "record/health_protocol.h"
#include "log/log_ops.h"

using namespace kestrav;
using namespace kestrav::emulator;
using kestrav::fuzz::Check;

namespace {

constexpr size_t MaxSteps = 12;
constexpr uint8_t Untouched = 0xA5;

// Reads the input front to back; past its end every byte is 0.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Empty() const { return position_ >= size_; }
    uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    uint32_t Le32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<uint32_t>(Byte()) << (8 * i);
        }
        return value;
    }
    void Bytes(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            out[i] = Byte();
        }
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// What the device should hold and how it should answer.
struct Model {
    std::map<uint32_t, LogEntry> entries;
    int64_t nextNumber = 1;
    bool supported = true;
    DeviceFaults faults;
    std::map<uint32_t, uint8_t> readFaults;
};

void CheckStore(DeviceStore& store, const Model& model) {
    auto expected = model.entries.begin();
    Check(store.ForEach([&](uint32_t number, const LogEntry& entry) {
        Check(expected != model.entries.end() && expected->first == number,
              "stored numbers are the expected ones");
        Check(entry.EventNumber() == number, "a record's own number is its key");
        Check(std::memcmp(entry.bytes, expected->second.bytes, LogEntrySize) == 0,
              "a record holds what was stored");
        ++expected;
    }) == StoreResult::Done,
          "the store can be read");
    Check(expected == model.entries.end(), "no expected entry is missing");
}

size_t SizeChoice(Input& in, size_t usual) {
    switch (in.Byte() % 4) {
    case 0:
    case 1: return usual;
    case 2: return in.Byte();
    default: return HealthBlockSize + 1;
    }
}

uint32_t CodeChoice(Input& in) {
    switch (in.Byte() % 4) {
    case 0:
    case 1: return LogIoControlCode;
    case 2: return CapabilityIoControlCode;
    default: return in.Le32();
    }
}

// Well-formed requests are hard to guess byte by byte, so a request may be put right: a known command, the
// entry's own length, a zero operation (one for an erase).
void ShapeRequest(uint8_t how, HealthRequest& request) {
    static constexpr uint32_t Commands[] = {WriteEntryCommand, ReadEntryCommand, RewriteEntryCommand,
                                            LogControlCommand};
    if ((how & 1) == 0) {
        return;
    }
    uint32_t command = Commands[(how >> 1) % 4];
    request.SetCommand(command);
    LogEntry entry = request.Entry();
    switch (command) {
    case ReadEntryCommand:
        request.SetOperation(0);
        request.SetDataLength(LogEntrySize);
        break;
    case LogControlCommand:
        request.SetOperation(EraseLogOperation);
        request.SetDataLength(0);
        request.SetEventNumber(0);
        break;
    default:
        request.SetOperation(0);
        if ((how & 0x10) == 0) {
            entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + entry.bytes[0] % (EventDataSize + 1)));
            request.SetEntry(entry);
        }
        request.SetDataLength(entry.Length());
        if (command == WriteEntryCommand) {
            request.SetEventNumber(0);
        }
        break;
    }
}

void CheckCapability(const Model& model, size_t inputSize, size_t outputSize, bool completed,
                     const uint8_t* output) {
    bool expected = inputSize == 0 && outputSize == CapabilityBlockSize && !model.faults.requestsFail;
    Check(completed == expected, "a capability request completes exactly when well formed");
    if (completed) {
        Check(((output[CapabilityBlock::LogSupportByte] & CapabilityBlock::LogSupportMask) != 0) ==
                  model.supported,
              "the log bit says whether the log is kept");
    }
}

bool ValidLength(const HealthRequest& request) {
    uint32_t length = request.DataLength();
    return length == request.Entry().Length() && length >= EntryHeaderSize && length <= LogEntrySize;
}

// Checks one answered log request against the model and brings the model up to date.
void CheckLogRequest(Model& model, const HealthRequest& request, bool completed,
                     const HealthResponse& response) {
    bool failing = model.faults.requestsFail;
    switch (request.Command()) {
    case ReadEntryCommand: {
        if (request.Operation() != 0 || request.DataLength() != LogEntrySize) {
            Check(completed && response.Status() == BadRequestStatus, "a malformed read is refused");
            return;
        }
        Check(completed == !failing, "a read completes unless requests fail");
        if (!completed) {
            return;
        }
        auto fault = model.readFaults.find(request.EventNumber());
        auto found = model.entries.lower_bound(request.EventNumber());
        if (fault != model.readFaults.end()) {
            Check(response.Status() == fault->second, "a read fault answers its status");
        } else if (found == model.entries.end()) {
            Check(response.Status() == EndOfLog, "a read past the last entry is the end of the log");
        } else {
            Check(response.Status() == DriverStatusDone, "a read finds the next entry");
            Check(std::memcmp(response.bytes + HealthResponse::EntryOffset, found->second.bytes,
                              LogEntrySize) == 0,
                  "a read answers the entry at or after the number");
        }
        return;
    }
    case WriteEntryCommand:
    case RewriteEntryCommand: {
        bool write = request.Command() == WriteEntryCommand;
        if (request.Operation() != 0 || (write && request.EventNumber() != 0) || !ValidLength(request)) {
            Check(completed && response.Status() == BadRequestStatus, "a malformed write is refused");
            return;
        }
        Check(completed == !failing, "a write completes unless requests fail");
        if (!completed) {
            return;
        }
        if (model.faults.writeStatus != 0) {
            Check(response.Status() == model.faults.writeStatus, "a write fault answers its status");
            return;
        }
        LogEntry stored = request.Entry();
        if (write) {
            if (model.nextNumber > UINT32_MAX) {
                Check(response.Status() == LogFullStatus, "a write with no number left is refused");
                return;
            }
            Check(response.Status() == DriverStatusDone, "a well-formed write is stored");
            uint32_t number = static_cast<uint32_t>(model.nextNumber++);
            Check(model.entries.count(number) == 0, "a new number is never one in use");
            stored.SetEventNumber(number);
            model.entries[number] = stored;
            return;
        }
        auto found = model.entries.find(request.EventNumber());
        if (found == model.entries.end()) {
            Check(response.Status() == NoSuchEntryStatus, "a rewrite of a missing entry is refused");
            return;
        }
        Check(response.Status() == DriverStatusDone, "a rewrite of a present entry is stored");
        stored.SetEventNumber(request.EventNumber());
        found->second = stored;
        return;
    }
    case LogControlCommand:
        if (request.Operation() != EraseLogOperation || request.DataLength() != 0 ||
            request.EventNumber() != 0) {
            Check(completed && response.Status() == BadRequestStatus, "a malformed erase is refused");
            return;
        }
        Check(completed == !failing, "an erase completes unless requests fail");
        if (!completed) {
            return;
        }
        if (model.faults.eraseRefused) {
            Check(response.Status() == EraseRefusedStatus &&
                      (response.ControlFlags() & HealthResponse::EraseRefusedFlag) != 0,
                  "a refused erase says so");
            return;
        }
        Check(response.Status() == DriverStatusDone && response.ControlFlags() == 0, "an erase is done");
        model.entries.clear();
        return;
    default:
        Check(completed && response.Status() == BadRequestStatus, "an unknown command is refused");
        return;
    }
}

void Request(DeviceStore& store, Model& model, Input& in) {
    uint32_t code = CodeChoice(in);
    uint8_t how = in.Byte();
    size_t inputSize = SizeChoice(in, code == CapabilityIoControlCode ? 0 : HealthBlockSize);
    size_t outputSize =
        SizeChoice(in, code == CapabilityIoControlCode ? CapabilityBlockSize : HealthBlockSize);
    HealthRequest request;
    in.Bytes(request.bytes, HealthBlockSize);
    ShapeRequest(how, request);

    // The blocks are exactly as large as claimed, so that any access beyond them is caught.
    std::unique_ptr<uint8_t[]> input(new uint8_t[inputSize]);
    std::memcpy(input.get(), request.bytes, std::min(inputSize, HealthBlockSize));
    if (inputSize > HealthBlockSize) {
        std::memset(input.get() + HealthBlockSize, 0, inputSize - HealthBlockSize);
    }
    std::unique_ptr<uint8_t[]> output(new uint8_t[outputSize]);
    std::memset(output.get(), Untouched, outputSize);
    bool nullInput = (how & 0x20) != 0 && (how & 0x40) != 0;
    bool completed =
        HandleControl(store, code, nullInput ? nullptr : input.get(), inputSize, output.get(), outputSize);

    if (!completed) {
        for (size_t i = 0; i < outputSize; ++i) {
            Check(output[i] == Untouched, "a request that is not completed leaves the output as it was");
        }
    }
    if (code == CapabilityIoControlCode) {
        CheckCapability(model, inputSize, outputSize, completed, output.get());
        return;
    }
    if (code != LogIoControlCode || nullInput || inputSize != HealthBlockSize ||
        outputSize != HealthBlockSize) {
        Check(!completed, "a request with a wrong code or block size fails");
        return;
    }
    HealthResponse response;
    if (completed) {
        std::memcpy(response.bytes, output.get(), HealthBlockSize);
    }
    CheckLogRequest(model, request, completed, response);
}

void ChangeSettings(DeviceStore& store, Model& model, Input& in) {
    uint8_t what = in.Byte();
    switch (what % 4) {
    case 0: {
        uint8_t status = in.Byte();
        Check(store.ChangeFaults([&](DeviceFaults& faults) {
            faults.requestsFail = (what & 0x30) == 0x30;
            faults.eraseRefused = (what & 0x40) != 0;
            faults.writeStatus = (what & 0x80) != 0 ? status : 0;
        }) == StoreResult::Done,
              "faults can be changed");
        model.faults.requestsFail = (what & 0x30) == 0x30;
        model.faults.eraseRefused = (what & 0x40) != 0;
        model.faults.writeStatus = (what & 0x80) != 0 ? status : 0;
        return;
    }
    case 1: {
        // healthsim sets read faults with statuses 1 to 255 only: a read answered Status 0 is a found entry.
        uint32_t number = in.Le32();
        uint8_t status = std::max<uint8_t>(in.Byte(), 1);
        Check(store.SetReadFault(number, status) == StoreResult::Done, "a read fault can be set");
        model.readFaults[number] = status;
        return;
    }
    case 2:
        Check(store.ClearFaults() == StoreResult::Done, "faults can be cleared");
        model.faults = DeviceFaults{};
        model.readFaults.clear();
        return;
    default:
        Check(store.SetSupported((what & 4) != 0) == StoreResult::Done, "support can be set");
        model.supported = (what & 4) != 0;
        return;
    }
}

void ImportRecord(DeviceStore& store, Model& model, Input& in) {
    LogEntry record;
    in.Bytes(record.bytes, LogEntrySize);
    Check(store.Import({&record, 1}) == StoreResult::Done, "a record can be imported");
    model.entries[record.EventNumber()] = record;
    model.nextNumber = std::max(model.nextNumber, int64_t{record.EventNumber()} + 1);
}

void CheckWalk(const std::string& path, const Model& model) {
    setenv("ZORHLTH_DEVICE", path.c_str(), 1);
    std::vector<LogEntry> walked;
    Check(ReadAllEntries(walked) == StatusSuccess, "the walk finds the device");
    int64_t previous = -1;
    for (const LogEntry& entry : walked) {
        Check(int64_t{entry.EventNumber()} > previous, "the walk ascends");
        previous = entry.EventNumber();
        auto stored = model.entries.find(entry.EventNumber());
        Check(stored != model.entries.end() &&
                  std::memcmp(stored->second.bytes, entry.bytes, LogEntrySize) == 0,
              "the walk sees stored entries");
    }
    if (model.readFaults.empty() && !model.faults.requestsFail) {
        Check(walked.size() == model.entries.size(), "without read faults the walk sees every entry");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static unsigned round = 0;
    std::string path =
        (kestrav::fuzz::ScratchDir() / ("request-" + std::to_string(round++ % 2) + ".db")).string();
    kestrav::fuzz::FreshDevice(path);
    std::string error;
    std::unique_ptr<DeviceStore> store = DeviceStore::Open(path, error);
    Check(store != nullptr, "the fresh device opens");

    Model model;
    Input in(data, size);
    for (size_t step = 0; step < MaxSteps && !in.Empty(); ++step) {
        switch (in.Byte() % 8) {
        case 6: ChangeSettings(*store, model, in); break;
        case 7: ImportRecord(*store, model, in); break;
        default: Request(*store, model, in); break;
        }
        CheckStore(*store, model);
    }
    store.reset();
    Check(DeviceStore::Open(path, error) != nullptr, "the device opens again");
    CheckWalk(path, model);
    return 0;
}
