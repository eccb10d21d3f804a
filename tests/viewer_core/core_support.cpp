#include "viewer_core/core_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "viewer_core/list_order.h"

#ifdef _WIN32
#include <windows.h>

#include "tests/windows/driver/setup_request.h"
#else
#include "emulator/device/device_store.h"
#endif

namespace kestrav::test {

namespace {

#ifdef _WIN32
using namespace kestrav::testdriver;

bool SendSetup(uint32_t operation, uint32_t number = 0, uint32_t value = 0, const LogEntry* entry = nullptr) {
    SetupBlock block{};
    block.operation = operation;
    block.number = number;
    block.value = value;
    if (entry != nullptr) {
        std::memcpy(block.entry, entry->bytes, sizeof block.entry);
    }
    HANDLE device = CreateFileA("\\\\.\\ZorHlth", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD returned = 0;
    const BOOL done = DeviceIoControl(device, SetupIoControlCode, &block, sizeof block, &block, sizeof block,
                                      &returned, nullptr);
    CloseHandle(device);
    return done && returned == sizeof block;
}
#else
std::unique_ptr<emulator::DeviceStore> OpenStore() {
    std::string error;
    return emulator::DeviceStore::Open(emulator::DevicePath(), error);
}

template <typename Change> bool WithStore(Change change) {
    const std::unique_ptr<emulator::DeviceStore> store = OpenStore();
    return store != nullptr && change(*store) == emulator::StoreResult::Done;
}
#endif

std::filesystem::path NewFolder() {
    static std::mt19937_64 random(std::random_device{}());
    for (;;) {
        std::ostringstream name;
        name << "kestrav-core-" << std::hex << random();
        const std::filesystem::path path = std::filesystem::temp_directory_path() / name.str();
        if (std::filesystem::create_directory(path)) {
            return path;
        }
    }
}

} // namespace

ScratchFolder::ScratchFolder() : path_(NewFolder()) {}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

#ifdef _WIN32
CoreDevice::CoreDevice() {
    SendSetup(ResetDevice);
}

CoreDevice::~CoreDevice() {
    SendSetup(ResetDevice);
}

bool CoreDevice::Import(const std::vector<LogEntry>& entries) {
    return std::all_of(entries.begin(), entries.end(),
                       [](const LogEntry& entry) { return SendSetup(ImportEntry, 0, 0, &entry); });
}

bool CoreDevice::SetSupported(bool supported) {
    return SendSetup(testdriver::SetSupported, 0, supported ? 1 : 0);
}

bool CoreDevice::FaultReadStatus(uint32_t eventNumber, uint8_t status) {
    return SendSetup(testdriver::FaultReadStatus, eventNumber, status);
}

bool CoreDevice::FaultEraseRefuse() {
    return SendSetup(testdriver::FaultEraseRefuse);
}

bool CoreDevice::SkipNumbers(uint32_t count) {
    return SendSetup(testdriver::SkipNumbers, 0, count);
}

bool CoreDevice::FaultWriteStatus(uint8_t status) {
    return SendSetup(testdriver::FaultWriteStatus, 0, status);
}

bool CoreDevice::FaultFailRequests() {
    return SendSetup(testdriver::FaultFailRequests, 0, FailEveryRequest);
}

bool CoreDevice::CanBeMissing() {
    return false;
}

void CoreDevice::MakeMissing() {}
#else
CoreDevice::CoreDevice() : folder_(NewFolder()) {
    const std::string path = (folder_ / "cvr.db").string();
    setenv("ZORHLTH_DEVICE", path.c_str(), 1);
    std::string error;
    emulator::DeviceStore::Create(path, true, false, error);
}

CoreDevice::~CoreDevice() {
    unsetenv("ZORHLTH_DEVICE");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool CoreDevice::Import(const std::vector<LogEntry>& entries) {
    return WithStore([&](emulator::DeviceStore& store) { return store.Import(entries); });
}

bool CoreDevice::SetSupported(bool supported) {
    return WithStore([&](emulator::DeviceStore& store) { return store.SetSupported(supported); });
}

bool CoreDevice::FaultReadStatus(uint32_t eventNumber, uint8_t status) {
    return WithStore([&](emulator::DeviceStore& store) { return store.SetReadFault(eventNumber, status); });
}

bool CoreDevice::FaultEraseRefuse() {
    return WithStore([](emulator::DeviceStore& store) {
        return store.ChangeFaults([](emulator::DeviceFaults& faults) { faults.eraseRefused = true; });
    });
}

bool CoreDevice::SkipNumbers(uint32_t count) {
    return WithStore([&](emulator::DeviceStore& store) { return store.SkipNumbers(count); });
}

bool CoreDevice::FaultWriteStatus(uint8_t status) {
    return WithStore([&](emulator::DeviceStore& store) {
        return store.ChangeFaults([&](emulator::DeviceFaults& faults) { faults.writeStatus = status; });
    });
}

bool CoreDevice::FaultFailRequests() {
    return WithStore([](emulator::DeviceStore& store) {
        return store.ChangeFaults([](emulator::DeviceFaults& faults) { faults.requestsFail = true; });
    });
}

bool CoreDevice::CanBeMissing() {
    return true;
}

void CoreDevice::MakeMissing() {
    setenv("ZORHLTH_DEVICE", (folder_ / "missing.db").string().c_str(), 1);
}
#endif

void RecordingList::SetRows(const std::vector<CEventLogEntry*>& rows) {
    rows_ = rows;
    selected_.assign(rows.size(), false);
}

void RecordingList::SelectOnly(size_t row) {
    selected_.assign(rows_.size(), false);
    if (row < selected_.size()) {
        selected_[row] = true;
    }
}

std::vector<CEventLogEntry*> RecordingList::SelectedEntries() const {
    std::vector<CEventLogEntry*> entries;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (selected_[i]) {
            entries.push_back(rows_[i]);
        }
    }
    return entries;
}

size_t RecordingList::SelectedCount() const {
    return static_cast<size_t>(std::count(selected_.begin(), selected_.end(), true));
}

void RecordingList::Sort(int column, bool ascending) {
    std::vector<CEventLogEntry*> selected = SelectedEntries();
    SortRows(rows_, column, ascending);
    for (size_t i = 0; i < rows_.size(); ++i) {
        selected_[i] = std::find(selected.begin(), selected.end(), rows_[i]) != selected.end();
    }
}

void RecordingList::Select(const std::vector<uint32_t>& eventNumbers) {
    for (size_t i = 0; i < rows_.size(); ++i) {
        selected_[i] = std::find(eventNumbers.begin(), eventNumbers.end(), rows_[i]->m_entry.EventNumber()) !=
                       eventNumbers.end();
    }
}

std::vector<int32_t> RecordingList::Order() const {
    std::vector<int32_t> numbers;
    for (const CEventLogEntry* row : rows_) {
        numbers.push_back(static_cast<int32_t>(row->m_entry.EventNumber()));
    }
    return numbers;
}

std::vector<int32_t> RecordingList::SelectedNumbers() const {
    std::vector<int32_t> numbers;
    for (const CEventLogEntry* row : SelectedEntries()) {
        numbers.push_back(static_cast<int32_t>(row->m_entry.EventNumber()));
    }
    return numbers;
}

uint32_t ScriptedShell::RunWalk(const std::function<uint32_t()>& walk) {
    rowsDuringWalks.push_back(watched != nullptr ? watched->Rows().size() : 0);
    uint32_t status = 0;
    std::thread worker([&] { status = walk(); });
    worker.join();
    return status;
}

int ScriptedShell::Message(const std::string& text, uint32_t style) {
    texts.push_back(text);
    styles.push_back(style);
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return style == MessageStyleConfirm ? ButtonCancel : ButtonOk;
}

std::string ScriptedShell::SaveFileName(const std::string&, const std::string&, const std::string&) {
    if (saveNames.empty()) {
        return {};
    }
    std::string name = saveNames.front();
    saveNames.pop_front();
    return name;
}

bool ScriptedShell::RunNoteDialog(std::string& typed) {
    if (notes.empty()) {
        return false;
    }
    typed = notes.front();
    notes.pop_front();
    return true;
}

LogEntry MakeEntry(uint32_t eventNumber, uint8_t severity, uint16_t eventClass, uint16_t code, uint32_t count,
                   const LogTime& update, const LogTime& initial, const std::string& text) {
    LogEntry entry;
    entry.SetEventNumber(eventNumber);
    entry.SetSeverity(severity);
    entry.SetClass(eventClass);
    entry.SetCode(code);
    entry.SetCount(count);
    entry.SetUpdateTime(update);
    entry.SetInitialTime(initial);
    entry.SetHeaderByte6(1);
    const size_t length = std::min(text.size(), MaxNoteLength);
    std::memcpy(entry.EventData(), text.data(), length);
    entry.SetLength(static_cast<uint16_t>(EntryHeaderSize + length + 1));
    return entry;
}

} // namespace kestrav::test
