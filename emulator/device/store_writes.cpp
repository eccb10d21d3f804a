// The store's writes: the operations behind the driver's write, rewrite and erase, the management of its
// entries and settings, and the hold that makes a sequence of requests one transaction.
#include <algorithm>

#include "emulator/device/device_store.h"
#include "emulator/device/store_sql.h"

namespace kestrav::emulator {

bool DeviceStore::BeginHold() {
    std::lock_guard lock(mutex_);
    if (held_ || readOnly_) {
        return false;
    }
    // Entries read ahead come from a snapshot of their own; reads under the hold are asked of the store,
    // which then includes what the hold has changed so far.
    readAhead_.valid = false;
    held_ = StepDone(Statement(BeginWrite));
    return held_;
}

bool DeviceStore::EndHold() {
    std::lock_guard lock(mutex_);
    if (!held_) {
        return false;
    }
    held_ = false;
    readAhead_.valid = false;
    if (StepDone(Statement(StatementId::Commit))) {
        return true;
    }
    Failure();
    StepDone(Statement(StatementId::Rollback));
    return false;
}

bool DeviceStore::StoreNextNumber(int64_t nextNumber) {
    sqlite3_stmt* statement = Statement(UpdateNextNumber);
    return statement != nullptr && sqlite3_bind_int64(statement, 1, nextNumber) == SQLITE_OK &&
           StepDone(statement);
}

bool DeviceStore::InsertRecord(int statementId, uint32_t eventNumber, const LogEntry& entry) {
    sqlite3_stmt* statement = Statement(statementId);
    return statement != nullptr && sqlite3_bind_int64(statement, 1, eventNumber) == SQLITE_OK &&
           sqlite3_bind_blob(statement, 2, entry.bytes, LogEntrySize, SQLITE_STATIC) == SQLITE_OK &&
           StepDone(statement) && sqlite3_changes(db_) == 1;
}

// The opening that every write shares: the store to this thread, the entries read ahead dropped (the write
// is about to make them stale), a write transaction begun (a savepoint under a hold) and the settings read
// in it, so that what the settings say holds until the commit. Ready is false when the transaction or the
// settings could not be had; the write then fails. Rolled back unless committed, then the store is let go.
class DeviceStore::Write {
public:
    Write(DeviceStore& store, DeviceSettings& settings) : lock_(store.mutex_), transaction_(store, true) {
        store.readAhead_.valid = false;
        ready_ = transaction_.Begun() && store.LoadSettings(settings, nextNumber_);
    }
    bool Ready() const { return ready_; }
    // The number the next entry written is stored under.
    int64_t NextNumber() const { return nextNumber_; }
    bool Commit() { return transaction_.Commit(); }

private:
    std::lock_guard<std::mutex> lock_;
    Transaction transaction_;
    int64_t nextNumber_ = 0;
    bool ready_ = false;
};

StoreResult DeviceStore::Append(const LogEntry& entry, DeviceSettings& settings, uint32_t& assigned) {
    Write write(*this, settings);
    if (!write.Ready()) {
        return Failure();
    }
    if (settings.faults.requestsFail || settings.faults.writeStatus != 0) {
        return StoreResult::Done;
    }
    const int64_t nextNumber = write.NextNumber();
    if (nextNumber >= EventNumberLimit) {
        return StoreResult::Exhausted;
    }
    LogEntry stored = entry;
    assigned = static_cast<uint32_t>(nextNumber);
    stored.SetEventNumber(assigned);
    if (!InsertRecord(InsertEntry, assigned, stored) || !StoreNextNumber(nextNumber + 1) || !write.Commit()) {
        return Failure();
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::Rewrite(uint32_t eventNumber, const LogEntry& entry, DeviceSettings& settings) {
    Write write(*this, settings);
    if (!write.Ready()) {
        return Failure();
    }
    if (settings.faults.requestsFail || settings.faults.writeStatus != 0) {
        return StoreResult::Done;
    }
    LogEntry stored = entry;
    stored.SetEventNumber(eventNumber);
    sqlite3_stmt* statement = Statement(UpdateEntry);
    if (statement == nullptr || sqlite3_bind_int64(statement, 1, eventNumber) != SQLITE_OK ||
        sqlite3_bind_blob(statement, 2, stored.bytes, LogEntrySize, SQLITE_STATIC) != SQLITE_OK ||
        !StepDone(statement)) {
        return Failure();
    }
    if (sqlite3_changes(db_) != 1) {
        return StoreResult::Absent;
    }
    return write.Commit() ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::Erase(DeviceSettings& settings) {
    Write write(*this, settings);
    if (!write.Ready()) {
        return Failure();
    }
    if (settings.faults.requestsFail || settings.faults.eraseRefused) {
        return StoreResult::Done;
    }
    if (!StepDone(Statement(DeleteEntries)) || !write.Commit()) {
        return Failure();
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::SetSupported(bool supported) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    sqlite3_stmt* statement = Statement(UpdateSupported);
    bool ok = statement != nullptr && sqlite3_bind_int(statement, 1, supported ? 1 : 0) == SQLITE_OK &&
              StepDone(statement);
    return ok ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::SkipNumbers(uint32_t count) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* statement = Statement(SkipNextNumbers);
    bool ok = statement != nullptr && sqlite3_bind_int64(statement, 1, count) == SQLITE_OK &&
              sqlite3_bind_int64(statement, 2, EventNumberLimit) == SQLITE_OK && StepDone(statement);
    return ok ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::SetReadFault(uint32_t eventNumber, uint8_t status) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    sqlite3_stmt* statement = Statement(ReplaceReadFault);
    bool ok = statement != nullptr && sqlite3_bind_int64(statement, 1, eventNumber) == SQLITE_OK &&
              sqlite3_bind_int(statement, 2, status) == SQLITE_OK && StepDone(statement);
    return ok ? StoreResult::Done : Failure();
}

// Stores the fault settings of faults (read faults aside).
bool DeviceStore::StoreFaults(const DeviceFaults& faults) {
    sqlite3_stmt* statement = Statement(UpdateFaults);
    return statement != nullptr && sqlite3_bind_int(statement, 1, faults.requestsFail ? 1 : 0) == SQLITE_OK &&
           sqlite3_bind_int(statement, 2, faults.eraseRefused ? 1 : 0) == SQLITE_OK &&
           sqlite3_bind_int(statement, 3, faults.writeStatus) == SQLITE_OK &&
           sqlite3_bind_int(statement, 4, faults.rawRecords ? 1 : 0) == SQLITE_OK && StepDone(statement);
}

StoreResult DeviceStore::ChangeFaults(const std::function<void(DeviceFaults&)>& change) {
    DeviceSettings settings;
    Write write(*this, settings);
    if (!write.Ready()) {
        return Failure();
    }
    change(settings.faults);
    return StoreFaults(settings.faults) && write.Commit() ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::ClearFaults() {
    DeviceSettings settings;
    Write write(*this, settings);
    bool ok = write.Ready() && StoreFaults(DeviceFaults{}) && StepDone(Statement(DeleteReadFaults)) &&
              write.Commit();
    return ok ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::Import(std::span<const LogEntry> records) {
    DeviceSettings settings;
    Write write(*this, settings);
    if (!write.Ready()) {
        return Failure();
    }
    int64_t nextNumber = write.NextNumber();
    for (const LogEntry& record : records) {
        if (!InsertRecord(ReplaceEntry, record.EventNumber(), record)) {
            return Failure();
        }
        nextNumber = std::max(nextNumber, int64_t{record.EventNumber()} + 1);
    }
    if (!StoreNextNumber(nextNumber) || !write.Commit()) {
        return Failure();
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::AppendMany(uint64_t count, const std::function<void(uint64_t, LogEntry&)>& make) {
    DeviceSettings settings;
    Write write(*this, settings);
    if (!write.Ready()) {
        return Failure();
    }
    const int64_t nextNumber = write.NextNumber();
    if (count > static_cast<uint64_t>(EventNumberLimit - nextNumber)) {
        return StoreResult::Exhausted;
    }
    for (uint64_t i = 0; i < count; ++i) {
        LogEntry entry;
        make(i, entry);
        uint32_t number = static_cast<uint32_t>(nextNumber + static_cast<int64_t>(i));
        entry.SetEventNumber(number);
        if (!InsertRecord(InsertEntry, number, entry)) {
            return Failure();
        }
    }
    if (!StoreNextNumber(nextNumber + static_cast<int64_t>(count)) || !write.Commit()) {
        return Failure();
    }
    return StoreResult::Done;
}

} // namespace kestrav::emulator
