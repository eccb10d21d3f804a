#include "emulator/device_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace kestrav::emulator {

namespace {

// Marks a file as a health device: the SQLite application id ("KCVR") and the format row of cvr_device.
constexpr int32_t ApplicationId = 0x4B435652;
constexpr const char* FormatName = "kestrav cvr device 1";
constexpr int64_t FirstEventNumber = 1;
constexpr int64_t EventNumberLimit = int64_t{UINT32_MAX} + 1;
constexpr int BusyTimeoutMs = 15000;

constexpr const char* Schema = R"sql(
CREATE TABLE cvr_device(
    id INTEGER PRIMARY KEY CHECK (id = 1),
    format TEXT NOT NULL,
    supported INTEGER NOT NULL,
    next_number INTEGER NOT NULL,
    requests_fail INTEGER NOT NULL DEFAULT 0,
    erase_refused INTEGER NOT NULL DEFAULT 0,
    write_status INTEGER NOT NULL DEFAULT 0);
CREATE TABLE cvr_entries(
    number INTEGER PRIMARY KEY,
    record BLOB NOT NULL CHECK (length(record) = 256));
CREATE TABLE cvr_read_faults(
    number INTEGER PRIMARY KEY,
    status INTEGER NOT NULL);
)sql";

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
    StatementCount
};

constexpr const char* StatementSql[StatementCount] = {
    "BEGIN IMMEDIATE",
    "BEGIN",
    "COMMIT",
    "ROLLBACK",
    "SELECT supported, requests_fail, erase_refused, write_status, next_number FROM cvr_device WHERE id = 1",
    "SELECT supported, requests_fail, erase_refused, write_status,"
    " (SELECT status FROM cvr_read_faults WHERE number = ?1),"
    " (SELECT record FROM cvr_entries WHERE number >= ?1 ORDER BY number LIMIT 1)"
    " FROM cvr_device WHERE id = 1",
    "INSERT INTO cvr_entries(number, record) VALUES (?1, ?2)",
    "INSERT OR REPLACE INTO cvr_entries(number, record) VALUES (?1, ?2)",
    "UPDATE cvr_entries SET record = ?2 WHERE number = ?1",
    "DELETE FROM cvr_entries",
    "UPDATE cvr_device SET next_number = ?1 WHERE id = 1",
    "SELECT number, record FROM cvr_entries ORDER BY number",
    "UPDATE cvr_device SET supported = ?1 WHERE id = 1",
    "UPDATE cvr_device SET requests_fail = ?1, erase_refused = ?2, write_status = ?3 WHERE id = 1",
    "INSERT OR REPLACE INTO cvr_read_faults(number, status) VALUES (?1, ?2)",
    "DELETE FROM cvr_read_faults",
};
static_assert(sizeof StatementSql / sizeof StatementSql[0] <= 16);

// Runs a statement that returns no rows (or whose rows are not wanted) and resets it for the next use.
bool StepDone(sqlite3_stmt* statement) {
    if (statement == nullptr) {
        return false;
    }
    int rc = sqlite3_step(statement);
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(statement);
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return rc == SQLITE_DONE;
}

bool QueryInt(sqlite3* db, const char* sql, int64_t& value) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    bool ok = sqlite3_step(statement) == SQLITE_ROW;
    if (ok) {
        value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    return ok;
}

bool QueryText(sqlite3* db, const char* sql, std::string& value) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    bool ok = sqlite3_step(statement) == SQLITE_ROW;
    if (ok) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        value = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(statement);
    return ok;
}

void RemoveStoreFiles(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        ::unlink((path + suffix).c_str());
    }
}

} // namespace

const char* DevicePath() {
    const char* path = std::getenv("ZORHLTH_DEVICE");
    if (path == nullptr || path[0] == '\0') {
        return "/var/lib/zorhlth/cvr.db";
    }
    return path;
}

// Holds one transaction open; rolls it back unless committed.
class DeviceStore::Transaction {
public:
    Transaction(DeviceStore& store, bool write) : store_(store) {
        begun_ = StepDone(store_.Statement(write ? BeginWrite : BeginRead));
    }
    ~Transaction() {
        if (begun_) {
            StepDone(store_.Statement(StatementId::Rollback));
        }
    }
    bool Begun() const { return begun_; }
    bool Commit() {
        if (!begun_) {
            return false;
        }
        if (!StepDone(store_.Statement(StatementId::Commit))) {
            return false;
        }
        begun_ = false;
        return true;
    }

private:
    DeviceStore& store_;
    bool begun_ = false;
};

DeviceStore::DeviceStore(std::string path, sqlite3* db, int identity)
    : path_(std::move(path)), db_(db), identity_(identity) {}

DeviceStore::~DeviceStore() {
    for (sqlite3_stmt* statement : statements_) {
        sqlite3_finalize(statement);
    }
    sqlite3_close(db_);
    ::close(identity_);
}

bool DeviceStore::StillLinked() const {
    struct stat info {};
    return ::fstat(identity_, &info) == 0 && info.st_nlink > 0;
}

bool DeviceStore::Create(const std::string& path, bool supported, bool replace, std::string& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            error = path + ": exists and is not a regular file";
            return false;
        }
        if (!replace) {
            error = path + ": already exists (use --force to replace it)";
            return false;
        }
        RemoveStoreFiles(path);
    }
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ec);
    }
    // O_EXCL: two creators racing for one path cannot both believe they made it.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    bool ok = rc == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(db, BusyTimeoutMs);
        std::string sql = std::string("PRAGMA journal_mode = WAL; BEGIN; PRAGMA application_id = ") +
                          std::to_string(ApplicationId) + ";" + Schema +
                          "INSERT INTO cvr_device(id, format, supported, next_number) VALUES (1, '" +
                          FormatName + "', " + (supported ? "1" : "0") + ", " +
                          std::to_string(FirstEventNumber) + "); COMMIT;";
        char* message = nullptr;
        ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK;
        if (!ok) {
            error = path + ": " + (message != nullptr ? message : sqlite3_errmsg(db));
        }
        sqlite3_free(message);
    } else {
        error = path + ": " + sqlite3_errstr(rc);
    }
    sqlite3_close(db);
    if (!ok) {
        RemoveStoreFiles(path);
    }
    return ok;
}

std::unique_ptr<DeviceStore> DeviceStore::Open(const std::string& path, std::string& error) {
    // Taken before the store is opened: should the file be replaced in between, this descriptor names the old
    // one, which has no links left, so the next request opens the store again.
    int identity = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    struct stat info {};
    if (identity < 0 || ::fstat(identity, &info) != 0) {
        error = path + ": " + std::strerror(errno);
        if (identity >= 0) {
            ::close(identity);
        }
        return nullptr;
    }
    sqlite3* db = nullptr;
    auto refuse = [&](const std::string& why) {
        error = path + ": " + why;
        sqlite3_close(db);
        ::close(identity);
        return nullptr;
    };
    if (!S_ISREG(info.st_mode)) {
        return refuse("not a health device");
    }
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        return refuse(sqlite3_errstr(rc));
    }
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    // Checked before anything could write: a file that is not a device is left exactly as it was.
    int64_t applicationId = 0;
    std::string format;
    if (!QueryInt(db, "PRAGMA application_id", applicationId) || applicationId != ApplicationId ||
        !QueryText(db, "SELECT format FROM cvr_device WHERE id = 1", format) || format != FormatName) {
        return refuse("not a health device");
    }
    // The driver is opened for reading and writing; a device that cannot be written cannot be opened.
    if (sqlite3_db_readonly(db, "main") != 0) {
        return refuse("cannot be opened for writing");
    }
    sqlite3_exec(db, "PRAGMA synchronous = FULL; PRAGMA journal_size_limit = 4194304", nullptr, nullptr,
                 nullptr);
    return std::unique_ptr<DeviceStore>(new DeviceStore(path, db, identity));
}

std::string DeviceStore::LastError() const {
    return sqlite3_errmsg(db_);
}

sqlite3_stmt* DeviceStore::Statement(int id) {
    if (statements_[id] == nullptr) {
        sqlite3_prepare_v3(db_, StatementSql[id], -1, SQLITE_PREPARE_PERSISTENT, &statements_[id], nullptr);
    }
    return statements_[id];
}

bool DeviceStore::LoadSettings(DeviceSettings& settings, int64_t& nextNumber) {
    sqlite3_stmt* statement = Statement(SelectSettings);
    if (statement == nullptr) {
        return false;
    }
    bool ok = sqlite3_step(statement) == SQLITE_ROW;
    if (ok) {
        settings.supported = sqlite3_column_int(statement, 0) != 0;
        settings.faults.requestsFail = sqlite3_column_int(statement, 1) != 0;
        settings.faults.eraseRefused = sqlite3_column_int(statement, 2) != 0;
        settings.faults.writeStatus = static_cast<uint8_t>(sqlite3_column_int(statement, 3));
        nextNumber = sqlite3_column_int64(statement, 4);
    }
    sqlite3_reset(statement);
    return ok;
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

StoreResult DeviceStore::ReadSettings(DeviceSettings& settings) {
    std::lock_guard lock(mutex_);
    int64_t nextNumber = 0;
    return LoadSettings(settings, nextNumber) ? StoreResult::Done : StoreResult::Failed;
}

StoreResult DeviceStore::ReadAtOrAfter(uint32_t eventNumber, ReadOutcome& outcome) {
    std::lock_guard lock(mutex_);
    // One statement, so one implicit read transaction: settings, fault and entry come from the same snapshot.
    sqlite3_stmt* statement = Statement(SelectRead);
    if (statement == nullptr || sqlite3_bind_int64(statement, 1, eventNumber) != SQLITE_OK) {
        return StoreResult::Failed;
    }
    StoreResult result = StoreResult::Failed;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        outcome.settings.supported = sqlite3_column_int(statement, 0) != 0;
        outcome.settings.faults.requestsFail = sqlite3_column_int(statement, 1) != 0;
        outcome.settings.faults.eraseRefused = sqlite3_column_int(statement, 2) != 0;
        outcome.settings.faults.writeStatus = static_cast<uint8_t>(sqlite3_column_int(statement, 3));
        outcome.faultStatus.reset();
        if (sqlite3_column_type(statement, 4) != SQLITE_NULL) {
            outcome.faultStatus = static_cast<uint8_t>(sqlite3_column_int(statement, 4));
        }
        outcome.found = sqlite3_column_type(statement, 5) == SQLITE_BLOB &&
                        sqlite3_column_bytes(statement, 5) == static_cast<int>(LogEntrySize);
        if (outcome.found) {
            std::memcpy(outcome.entry.bytes, sqlite3_column_blob(statement, 5), LogEntrySize);
        }
        result = StoreResult::Done;
    }
    sqlite3_reset(statement);
    return result;
}

StoreResult DeviceStore::Append(const LogEntry& entry, DeviceSettings& settings, uint32_t& assigned) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, true);
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return StoreResult::Failed;
    }
    if (settings.faults.requestsFail || settings.faults.writeStatus != 0) {
        return StoreResult::Done;
    }
    if (nextNumber >= EventNumberLimit) {
        return StoreResult::Exhausted;
    }
    LogEntry stored = entry;
    assigned = static_cast<uint32_t>(nextNumber);
    stored.SetEventNumber(assigned);
    if (!InsertRecord(InsertEntry, assigned, stored) || !StoreNextNumber(nextNumber + 1) ||
        !transaction.Commit()) {
        return StoreResult::Failed;
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::Rewrite(uint32_t eventNumber, const LogEntry& entry, DeviceSettings& settings) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, true);
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return StoreResult::Failed;
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
        return StoreResult::Failed;
    }
    if (sqlite3_changes(db_) != 1) {
        return StoreResult::Absent;
    }
    return transaction.Commit() ? StoreResult::Done : StoreResult::Failed;
}

StoreResult DeviceStore::Erase(DeviceSettings& settings) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, true);
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return StoreResult::Failed;
    }
    if (settings.faults.requestsFail || settings.faults.eraseRefused) {
        return StoreResult::Done;
    }
    if (!StepDone(Statement(DeleteEntries)) || !transaction.Commit()) {
        return StoreResult::Failed;
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::SetSupported(bool supported) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* statement = Statement(UpdateSupported);
    bool ok = statement != nullptr && sqlite3_bind_int(statement, 1, supported ? 1 : 0) == SQLITE_OK &&
              StepDone(statement);
    return ok ? StoreResult::Done : StoreResult::Failed;
}

StoreResult DeviceStore::SetReadFault(uint32_t eventNumber, uint8_t status) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* statement = Statement(ReplaceReadFault);
    bool ok = statement != nullptr && sqlite3_bind_int64(statement, 1, eventNumber) == SQLITE_OK &&
              sqlite3_bind_int(statement, 2, status) == SQLITE_OK && StepDone(statement);
    return ok ? StoreResult::Done : StoreResult::Failed;
}

StoreResult DeviceStore::ChangeFaults(const std::function<void(DeviceFaults&)>& change) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, true);
    DeviceSettings settings;
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return StoreResult::Failed;
    }
    change(settings.faults);
    const DeviceFaults& faults = settings.faults;
    sqlite3_stmt* statement = Statement(UpdateFaults);
    bool ok = statement != nullptr &&
              sqlite3_bind_int(statement, 1, faults.requestsFail ? 1 : 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 2, faults.eraseRefused ? 1 : 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 3, faults.writeStatus) == SQLITE_OK && StepDone(statement) &&
              transaction.Commit();
    return ok ? StoreResult::Done : StoreResult::Failed;
}

StoreResult DeviceStore::ClearFaults() {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, true);
    sqlite3_stmt* statement = Statement(UpdateFaults);
    bool ok = transaction.Begun() && statement != nullptr && sqlite3_bind_int(statement, 1, 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 2, 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 3, 0) == SQLITE_OK && StepDone(statement) &&
              StepDone(Statement(DeleteReadFaults)) && transaction.Commit();
    return ok ? StoreResult::Done : StoreResult::Failed;
}

StoreResult DeviceStore::Import(std::span<const LogEntry> records) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, true);
    DeviceSettings settings;
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return StoreResult::Failed;
    }
    for (const LogEntry& record : records) {
        if (!InsertRecord(ReplaceEntry, record.EventNumber(), record)) {
            return StoreResult::Failed;
        }
        nextNumber = std::max(nextNumber, int64_t{record.EventNumber()} + 1);
    }
    if (!StoreNextNumber(nextNumber) || !transaction.Commit()) {
        return StoreResult::Failed;
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::AppendMany(uint64_t count, const std::function<void(uint64_t, LogEntry&)>& make) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, true);
    DeviceSettings settings;
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return StoreResult::Failed;
    }
    if (count > static_cast<uint64_t>(EventNumberLimit - nextNumber)) {
        return StoreResult::Exhausted;
    }
    for (uint64_t i = 0; i < count; ++i) {
        LogEntry entry;
        make(i, entry);
        uint32_t number = static_cast<uint32_t>(nextNumber + static_cast<int64_t>(i));
        entry.SetEventNumber(number);
        if (!InsertRecord(InsertEntry, number, entry)) {
            return StoreResult::Failed;
        }
    }
    if (!StoreNextNumber(nextNumber + static_cast<int64_t>(count)) || !transaction.Commit()) {
        return StoreResult::Failed;
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::ForEach(const std::function<void(uint32_t, const LogEntry&)>& visit) {
    std::lock_guard lock(mutex_);
    Transaction transaction(*this, false);
    sqlite3_stmt* statement = Statement(SelectAllEntries);
    if (!transaction.Begun() || statement == nullptr) {
        return StoreResult::Failed;
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
    return rc == SQLITE_DONE && transaction.Commit() ? StoreResult::Done : StoreResult::Failed;
}

} // namespace kestrav::emulator
