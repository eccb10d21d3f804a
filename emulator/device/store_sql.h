// The store's SQL, shared by the store's own sources: what a device file holds (its marks and tables), every
// statement the store runs on it, and the transaction that each operation is.
#pragma once

#include <sqlite3.h>

#include <cstdint>

#include "emulator/device/device_store.h"

namespace kestrav::emulator {

// Marks a file as a health device: the SQLite application id ("KCVR") and the format row of cvr_device.
inline constexpr int32_t ApplicationId = 0x4B435652;
inline constexpr const char* FormatName = "kestrav cvr device 1";
inline constexpr int64_t FirstEventNumber = 1;
inline constexpr int64_t EventNumberLimit = int64_t{UINT32_MAX} + 1;
inline constexpr int BusyTimeoutMs = 15000;

inline constexpr const char* Schema = R"sql(
CREATE TABLE cvr_device(
    id INTEGER PRIMARY KEY CHECK (id = 1),
    format TEXT NOT NULL,
    supported INTEGER NOT NULL,
    next_number INTEGER NOT NULL,
    requests_fail INTEGER NOT NULL DEFAULT 0,
    erase_refused INTEGER NOT NULL DEFAULT 0,
    write_status INTEGER NOT NULL DEFAULT 0,
    raw_records INTEGER NOT NULL DEFAULT 0);
CREATE TABLE cvr_entries(
    number INTEGER PRIMARY KEY,
    record BLOB NOT NULL CHECK (length(record) = 256));
CREATE TABLE cvr_read_faults(
    number INTEGER PRIMARY KEY,
    status INTEGER NOT NULL);
)sql";

// The statements the store prepares once per connection (DeviceStore::Statement), by number.
enum StatementId {
    BeginWrite,
    BeginRead,
    Commit,
    Rollback,
    SelectSettings,
    SelectRead,
    InsertEntry,
    ReplaceEntry,
    UpdateEntry,
    DeleteEntries,
    UpdateNextNumber,
    SelectAllEntries,
    UpdateSupported,
    UpdateFaults,
    ReplaceReadFault,
    DeleteReadFaults,
    SelectReadAheadSettings,
    SelectReadAheadEntries,
    BeginSavepoint,
    ReleaseSavepoint,
    RollbackSavepoint,
    SkipNextNumbers,
    StatementCount
};

inline constexpr const char* StatementSql[StatementCount] = {
    "BEGIN IMMEDIATE",
    "BEGIN",
    "COMMIT",
    "ROLLBACK",
    "SELECT supported, requests_fail, erase_refused, write_status, raw_records, next_number FROM cvr_device"
    " WHERE id = 1",
    "SELECT supported, requests_fail, erase_refused, write_status, raw_records,"
    " (SELECT status FROM cvr_read_faults WHERE number = ?1),"
    " (SELECT number FROM cvr_entries WHERE number >= ?1 ORDER BY number LIMIT 1),"
    " (SELECT record FROM cvr_entries WHERE number >= ?1 ORDER BY number LIMIT 1)"
    " FROM cvr_device WHERE id = 1",
    "INSERT INTO cvr_entries(number, record) VALUES (?1, ?2)",
    "INSERT OR REPLACE INTO cvr_entries(number, record) VALUES (?1, ?2)",
    "UPDATE cvr_entries SET record = ?2 WHERE number = ?1",
    "DELETE FROM cvr_entries",
    "UPDATE cvr_device SET next_number = ?1 WHERE id = 1",
    "SELECT number, record FROM cvr_entries ORDER BY number",
    "UPDATE cvr_device SET supported = ?1 WHERE id = 1",
    "UPDATE cvr_device SET requests_fail = ?1, erase_refused = ?2, write_status = ?3, raw_records = ?4"
    " WHERE id = 1",
    "INSERT OR REPLACE INTO cvr_read_faults(number, status) VALUES (?1, ?2)",
    "DELETE FROM cvr_read_faults",
    "SELECT supported, requests_fail, erase_refused, write_status, raw_records,"
    " EXISTS (SELECT 1 FROM cvr_read_faults) FROM cvr_device WHERE id = 1",
    "SELECT number, record FROM cvr_entries WHERE number >= ?1 ORDER BY number LIMIT ?2",
    "SAVEPOINT request",
    "RELEASE request",
    "ROLLBACK TO request",
    "UPDATE cvr_device SET next_number = min(next_number + ?1, ?2) WHERE id = 1",
};
static_assert(sizeof StatementSql / sizeof StatementSql[0] <= 24);

// Runs a statement that returns no rows (or whose rows are not wanted) and resets it for the next use.
bool StepDone(sqlite3_stmt* statement);

// The device's settings from columns first .. first + 4 of a row: supported, requests_fail, erase_refused,
// write_status, raw_records.
void SettingsFromRow(sqlite3_stmt* statement, int first, DeviceSettings& settings);

// Holds one transaction open; rolls it back unless committed. Inside a hold it is a savepoint of the hold's
// transaction: committing it keeps its changes for the hold's commit, rolling it back undoes only its own.
class DeviceStore::Transaction {
public:
    Transaction(DeviceStore& store, bool write) : store_(store), nested_(store.held_) {
        begun_ = StepDone(store_.Statement(nested_ ? BeginSavepoint : write ? BeginWrite : BeginRead));
    }
    ~Transaction() { Rollback(); }
    bool Begun() const { return begun_; }
    void Rollback() {
        if (!begun_) {
            return;
        }
        if (nested_) {
            StepDone(store_.Statement(RollbackSavepoint));
            StepDone(store_.Statement(ReleaseSavepoint));
        } else {
            StepDone(store_.Statement(StatementId::Rollback));
        }
        begun_ = false;
    }
    bool Commit() {
        if (!begun_) {
            return false;
        }
        if (!StepDone(store_.Statement(nested_ ? ReleaseSavepoint : StatementId::Commit))) {
            return false;
        }
        begun_ = false;
        return true;
    }

private:
    DeviceStore& store_;
    bool nested_;
    bool begun_ = false;
};

} // namespace kestrav::emulator
