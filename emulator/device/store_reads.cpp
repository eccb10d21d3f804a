// The store's reads: a read at or after a number, answered from entries read ahead while the store shows no
// commit since they were read; the settings; every entry in order. A driver request's look at the device's
// path (BeginRequest) also answers for whether the entries read ahead are still the store's.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "emulator/device/device_store.h"
#include "emulator/device/store_sql.h"
#include "emulator/device/store_vfs.h"

namespace kestrav::emulator {

namespace {

// The answer to a read from the row found at or after the number asked (none when found is false):
// outcome.settings must already hold the snapshot's settings.
void SetReadEntry(ReadOutcome& outcome, bool found, int64_t number, bool whole, const uint8_t* record) {
    outcome.found = found;
    std::memset(outcome.entry.bytes, 0, LogEntrySize);
    if (whole) {
        std::memcpy(outcome.entry.bytes, record, LogEntrySize);
    }
    bool ownNumber = int64_t{outcome.entry.EventNumber()} == number;
    outcome.damaged = found && (!whole || (!outcome.settings.faults.rawRecords && !ownNumber));
    if (outcome.damaged) {
        std::memset(outcome.entry.bytes, 0, LogEntrySize);
    }
}

bool WholeRecord(sqlite3_stmt* statement, int column) {
    return sqlite3_column_type(statement, column) == SQLITE_BLOB &&
           sqlite3_column_bytes(statement, column) == static_cast<int>(LogEntrySize);
}

} // namespace

std::optional<uint64_t> DeviceStore::LookAtWatch() {
    if (watch_ == nullptr) {
        return std::nullopt;
    }
    const uint64_t look = watch_->Look();
    if (!watch_->Spent()) {
        return look;
    }
    // A new watch is armed before anything is looked at, so that whatever happens after is seen; what was
    // found in place under the old one is looked at again.
    watch_ = PathWatch::Start(path_);
    pathLook_.reset();
    readAhead_.look.reset();
    return watch_ != nullptr ? std::optional<uint64_t>(watch_->Look()) : std::nullopt;
}

bool DeviceStore::BeginRequest() {
    std::lock_guard lock(mutex_);
    requestLook_ = LookAtWatch();
    if (requestLook_ && pathLook_ == requestLook_) {
        return true;
    }
    struct stat info {};
    const bool same = ::stat(path_.c_str(), &info) == 0 && info.st_dev == device_ && info.st_ino == inode_;
    pathLook_ = same ? requestLook_ : std::nullopt;
    return same;
}

void DeviceStore::EndRequest() {
    std::lock_guard lock(mutex_);
    requestLook_.reset();
}

StoreResult DeviceStore::ReadSettings(DeviceSettings& settings) {
    std::lock_guard lock(mutex_);
    int64_t nextNumber = 0;
    return LoadSettings(settings, nextNumber) ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::ReadAtOrAfter(uint32_t eventNumber, ReadOutcome& outcome) {
    std::lock_guard lock(mutex_);
    if (held_) {
        return ReadOne(eventNumber, outcome);
    }
    if (AnswerFromReadAhead(eventNumber, outcome)) {
        return StoreResult::Done;
    }
    return ReadAndReadAhead(eventNumber, outcome);
}

// Answers from the entries read ahead when they cover eventNumber and are still what the store holds. While
// the watch has seen no write in the store's folder, nothing can have changed. Otherwise the header's version
// bytes are compared: a commit rewrites them before it completes, so bytes that read the same mean that no
// commit has completed since the entries were read, and the answer is the one a read transaction would give
// now. A commit still under way has not happened yet for this read; one left half done by a killed writer is
// undone to the very snapshot these entries come from. Anything else is asked of the store.
bool DeviceStore::AnswerFromReadAhead(uint32_t eventNumber, ReadOutcome& outcome) {
    ReadAhead& ahead = readAhead_;
    const int64_t number = eventNumber;
    if (!ahead.valid || number < ahead.from || (!ahead.toEnd && number > ahead.rows.back().number)) {
        return false;
    }
    const std::optional<uint64_t> look = RequestLook();
    if (!look || ahead.look != look) {
        unsigned char version[sizeof ahead.version];
        if (!StoreFileVersion(db_, version) || std::memcmp(version, ahead.version, sizeof version) != 0) {
            ahead.valid = false;
            return false;
        }
        ahead.look = look;
    }
    AnswerFromRows(eventNumber, outcome);
    return true;
}

// The look at the watch that this read answers for: the request's own, or a new one outside a request.
std::optional<uint64_t> DeviceStore::RequestLook() {
    std::optional<uint64_t> look = requestLook_ ? requestLook_ : LookAtWatch();
    requestLook_.reset();
    return look;
}

// The answer for a number the entries read ahead cover.
void DeviceStore::AnswerFromRows(uint32_t eventNumber, ReadOutcome& outcome) const {
    const ReadAhead& ahead = readAhead_;
    const int64_t number = eventNumber;
    auto row = std::lower_bound(ahead.rows.begin(), ahead.rows.end(), number,
                                [](const ReadAheadRow& r, int64_t n) { return r.number < n; });
    outcome.settings = ahead.settings;
    outcome.faultStatus.reset();
    if (row == ahead.rows.end()) {
        SetReadEntry(outcome, false, 0, false, nullptr);
    } else {
        SetReadEntry(outcome, true, row->number, row->whole, row->entry.bytes);
    }
}

// One read transaction: the settings, then up to ReadAheadEntries entries from eventNumber on, kept with the
// header version read under the same lock. A store with read faults is read one request at a time instead,
// as each fault belongs to one number.
StoreResult DeviceStore::ReadAndReadAhead(uint32_t eventNumber, ReadOutcome& outcome) {
    ReadAhead& ahead = readAhead_;
    ahead.valid = false;
    // Taken before the snapshot: a write after it, even one the snapshot holds, is seen by the next look.
    ahead.look = RequestLook();
    Transaction transaction(*this, false);
    sqlite3_stmt* settingsRow = Statement(SelectReadAheadSettings);
    if (!transaction.Begun() || settingsRow == nullptr) {
        return Failure();
    }
    // The first step takes the read lock, so the version read after it is this snapshot's.
    if (sqlite3_step(settingsRow) != SQLITE_ROW) {
        StoreResult failed = Failure();
        sqlite3_reset(settingsRow);
        return failed;
    }
    SettingsFromRow(settingsRow, 0, ahead.settings);
    const bool readFaults = sqlite3_column_int(settingsRow, 5) != 0;
    sqlite3_reset(settingsRow);
    if (readFaults || !StoreFileVersion(db_, ahead.version)) {
        return transaction.Commit() ? ReadOne(eventNumber, outcome) : Failure();
    }
    sqlite3_stmt* rows = Statement(SelectReadAheadEntries);
    if (rows == nullptr || sqlite3_bind_int64(rows, 1, eventNumber) != SQLITE_OK ||
        sqlite3_bind_int64(rows, 2, static_cast<int64_t>(ReadAheadEntries)) != SQLITE_OK) {
        return Failure();
    }
    ahead.rows.clear();
    ahead.rows.reserve(ReadAheadEntries);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
        ReadAheadRow& row = ahead.rows.emplace_back();
        row.number = sqlite3_column_int64(rows, 0);
        row.whole = WholeRecord(rows, 1);
        if (row.whole) {
            std::memcpy(row.entry.bytes, sqlite3_column_blob(rows, 1), LogEntrySize);
        }
    }
    if (rc != SQLITE_DONE) {
        Failure();
    }
    sqlite3_reset(rows);
    sqlite3_clear_bindings(rows);
    if (rc != SQLITE_DONE && ahead.rows.empty()) {
        // Trouble before the first entry (a damaged page, busy past the timeout): the read is asked alone,
        // so that it fails or succeeds exactly as it would without reading ahead.
        transaction.Rollback();
        return ReadOne(eventNumber, outcome);
    }
    // Trouble further on leaves the entries read before it: they answer the reads up to the last of them,
    // and the read after it is asked anew.
    if (rc == SQLITE_DONE && !transaction.Commit()) {
        return Failure();
    }
    transaction.Rollback();
    ahead.from = eventNumber;
    ahead.toEnd = rc == SQLITE_DONE && ahead.rows.size() < ReadAheadEntries;
    ahead.valid = true;
    AnswerFromRows(eventNumber, outcome);
    return StoreResult::Done;
}

// The read as one statement, so one implicit read transaction: settings, fault and entry come from the same
// snapshot.
StoreResult DeviceStore::ReadOne(uint32_t eventNumber, ReadOutcome& outcome) {
    sqlite3_stmt* statement = Statement(SelectRead);
    if (statement == nullptr || sqlite3_bind_int64(statement, 1, eventNumber) != SQLITE_OK) {
        return Failure();
    }
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        SettingsFromRow(statement, 0, outcome.settings);
        outcome.faultStatus.reset();
        if (sqlite3_column_type(statement, 5) != SQLITE_NULL) {
            outcome.faultStatus = static_cast<uint8_t>(sqlite3_column_int(statement, 5));
        }
        bool whole = WholeRecord(statement, 7);
        SetReadEntry(outcome, sqlite3_column_type(statement, 6) != SQLITE_NULL,
                     sqlite3_column_int64(statement, 6), whole,
                     whole ? static_cast<const uint8_t*>(sqlite3_column_blob(statement, 7)) : nullptr);
    }
    StoreResult result = rc == SQLITE_ROW ? StoreResult::Done : Failure();
    sqlite3_reset(statement);
    return result;
}

StoreResult DeviceStore::ForEach(const std::function<void(uint32_t, const LogEntry&)>& visit) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, false);
    sqlite3_stmt* statement = Statement(SelectAllEntries);
    if (!transaction.Begun() || statement == nullptr) {
        return Failure();
    }
    int rc = SQLITE_ROW;
    LogEntry entry;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::memset(entry.bytes, 0, LogEntrySize);
        int size = std::min(sqlite3_column_bytes(statement, 1), static_cast<int>(LogEntrySize));
        if (size > 0) {
            std::memcpy(entry.bytes, sqlite3_column_blob(statement, 1), static_cast<size_t>(size));
        }
        visit(static_cast<uint32_t>(sqlite3_column_int64(statement, 0)), entry);
    }
    sqlite3_reset(statement);
    return rc == SQLITE_DONE && transaction.Commit() ? StoreResult::Done : Failure();
}

} // namespace kestrav::emulator
