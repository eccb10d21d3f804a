#include "emulator/device/device_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "emulator/device/store_vfs.h"

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
    write_status INTEGER NOT NULL DEFAULT 0,
    raw_records INTEGER NOT NULL DEFAULT 0);
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
    SelectReadAheadSettings,
    SelectReadAheadEntries,
    BeginSavepoint,
    ReleaseSavepoint,
    RollbackSavepoint,
    SkipNextNumbers,
    StatementCount
};

constexpr const char* StatementSql[StatementCount] = {
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

// Runs a query for one value. SQLITE_OK when a row was read, SQLITE_DONE when there was none, else the
// error, whose message is kept in message.
int QueryValue(sqlite3* db, const char* sql, int64_t* number, std::string* text, std::string& message) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW) {
            rc = SQLITE_OK;
            if (number != nullptr) {
                *number = sqlite3_column_int64(statement, 0);
            }
            if (text != nullptr) {
                const unsigned char* value = sqlite3_column_text(statement, 0);
                *text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
            }
        }
    }
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        message = sqlite3_errmsg(db);
    }
    sqlite3_finalize(statement);
    return rc;
}

// Whether db is a device made by Create; when it cannot be read, why says what is wrong instead (and code,
// when given, the store's result code).
bool CheckDevice(sqlite3* db, std::string& why, int* code = nullptr) {
    int64_t applicationId = 0;
    std::string format;
    std::string message;
    int rc = QueryValue(db, "PRAGMA application_id", &applicationId, nullptr, message);
    if (rc == SQLITE_OK && applicationId == ApplicationId) {
        rc = QueryValue(db, "SELECT format FROM cvr_device WHERE id = 1", nullptr, &format, message);
        if (rc == SQLITE_OK && format == FormatName) {
            return true;
        }
    }
    // Not a store at all, or a store without the device's table: not a device. Anything else (a damaged
    // page, a lock held past the timeout, an I/O error) is said as SQLite says it.
    int primary = rc & 0xFF;
    bool notDevice =
        rc == SQLITE_OK || rc == SQLITE_DONE || primary == SQLITE_NOTADB || primary == SQLITE_ERROR;
    why = notDevice ? "not a health device" : message;
    if (code != nullptr) {
        *code = notDevice ? SQLITE_NOTADB : rc;
    }
    return false;
}

// What an administrator can do about a device that could not be opened, from the store's result code.
OpenFailure ClassifyOpenFailure(int code, bool recoveryNeeded) {
    const int primary = code & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        return OpenFailure::Busy;
    }
    // The journal of an interrupted write cannot be rolled back by a connection that may not write.
    if (recoveryNeeded && (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN ||
                           primary == SQLITE_PERM || primary == SQLITE_IOERR)) {
        return OpenFailure::NeedsRecovery;
    }
    return OpenFailure::Other;
}

// Why a device cannot be written: the system's reason for the file, or for the folder that holds its journal.
std::string ReadOnlyReason(const std::string& path) {
    if (::access(path.c_str(), W_OK) != 0) {
        return std::string("read-only: ") + std::strerror(errno);
    }
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "read-only: its folder " + folder.string() + ": " + std::strerror(errno);
    }
    return "read-only";
}

// A device made with a write-ahead log: bytes 18 and 19 of the store's header are then 2.
bool UsesWriteAheadLog(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    unsigned char header[20] = {};
    bool wal = ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
               (header[18] == 2 || header[19] == 2);
    ::close(fd);
    return wal;
}

// Moves a device from a write-ahead log to a rollback journal: the log's locks live in a shared-memory file
// under POSIX locks, which a process loses when it closes any descriptor of that file. Without shared memory
// the log can be read only by a connection that holds the store alone, so this one does, checks that the
// file is a device, and lets SQLite fold the log into the store.
bool ConvertFromWriteAheadLog(const char* vfs, const std::string& path, std::string& why) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, vfs);
    bool ok = rc == SQLITE_OK;
    std::string mode;
    if (!ok) {
        why = sqlite3_errstr(rc);
    } else {
        sqlite3_busy_timeout(db, BusyTimeoutMs);
        ok = sqlite3_exec(db, "PRAGMA locking_mode = EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK &&
             CheckDevice(db, why);
        if (ok && sqlite3_db_readonly(db, "main") != 0) {
            why = ReadOnlyReason(path);
            ok = false;
        }
        if (ok) {
            ok = QueryValue(db, "PRAGMA journal_mode = DELETE", nullptr, &mode, why) == SQLITE_OK &&
                 mode == "delete";
            if (!ok && why.empty()) {
                why = "cannot leave the write-ahead log (journal mode " + mode + ")";
            }
        }
    }
    sqlite3_close(db);
    return ok;
}

// Devices made before the raw-records fault lack its column; it is added once, under the write lock.
bool HasRawRecordsColumn(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    bool has =
        sqlite3_prepare_v2(db, "SELECT raw_records FROM cvr_device", -1, &statement, nullptr) == SQLITE_OK;
    sqlite3_finalize(statement);
    return has;
}

bool AddRawRecordsColumn(sqlite3* db, std::string& why) {
    if (HasRawRecordsColumn(db)) {
        return true;
    }
    std::string message;
    int64_t rows = 0;
    bool ok = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK &&
              QueryValue(db, "SELECT count(*) FROM cvr_device", &rows, nullptr, message) == SQLITE_OK;
    if (ok && !HasRawRecordsColumn(db)) {
        ok = sqlite3_exec(db, "ALTER TABLE cvr_device ADD COLUMN raw_records INTEGER NOT NULL DEFAULT 0",
                          nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) {
        why = sqlite3_errmsg(db);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return ok;
}

void RemoveStoreFiles(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        ::unlink((path + suffix).c_str());
    }
}

// A new store is shared with the group of its folder: a folder whose group is not the creator's own is a
// folder kept for that group (as /var/lib/zorhlth is for zorhlth), and its members are the ones meant to
// read the log. The system has already given the file the folder's group when the folder is setgid; a
// creator who may not give that group (neither root nor a member) keeps its own. fd is the new file.
bool ShareWithFolderGroup(int fd, const std::string& folder, std::string& why) {
    struct stat folderInfo {};
    struct stat fileInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0 || ::fstat(fd, &fileInfo) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (folderInfo.st_gid == fileInfo.st_gid) {
        return true;
    }
    if (::fchown(fd, static_cast<uid_t>(-1), folderInfo.st_gid) == 0 || errno == EPERM) {
        return true;
    }
    why = std::string("cannot give it its folder's group: ") + std::strerror(errno);
    return false;
}

// The device's settings from columns first .. first + 4 of a row: supported, requests_fail, erase_refused,
// write_status, raw_records.
void SettingsFromRow(sqlite3_stmt* statement, int first, DeviceSettings& settings) {
    settings.supported = sqlite3_column_int(statement, first) != 0;
    settings.faults.requestsFail = sqlite3_column_int(statement, first + 1) != 0;
    settings.faults.eraseRefused = sqlite3_column_int(statement, first + 2) != 0;
    settings.faults.writeStatus = static_cast<uint8_t>(sqlite3_column_int(statement, first + 3));
    settings.faults.rawRecords = sqlite3_column_int(statement, first + 4) != 0;
}

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

const char* DevicePath() {
    const char* path = std::getenv("ZORHLTH_DEVICE");
    if (path == nullptr || path[0] == '\0') {
        return "/var/lib/zorhlth/cvr.db";
    }
    return path;
}

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

DeviceStore::DeviceStore(std::string path, sqlite3* db, dev_t device, ino_t inode, bool readOnly)
    : path_(std::move(path)), db_(db), device_(device), inode_(inode), readOnly_(readOnly),
      watch_(PathWatch::Start(path_)) {}

DeviceStore::~DeviceStore() {
    for (sqlite3_stmt* statement : statements_) {
        sqlite3_finalize(statement);
    }
    sqlite3_close(db_);
}

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

bool DeviceStore::Create(const std::string& path, bool supported, bool replace, std::string& error,
                         std::optional<mode_t> mode) {
    const char* vfs = StoreVfsName();
    if (vfs == nullptr) {
        error = path + ": the store's file layer cannot be registered";
        return false;
    }
    mode_t fileMode = DefaultStoreMode;
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
        // The replacement is never open to more than the file it replaces was.
        fileMode &= info.st_mode & 0777;
        RemoveStoreFiles(path);
    }
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ec);
    }
    // O_EXCL: two creators racing for one path cannot both believe they made it. The umask applies to the
    // mode asked for here; an explicit mode is set as given afterwards.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, fileMode);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string why;
    bool rightsSet = ShareWithFolderGroup(fd, parent.empty() ? "." : parent.string(), why);
    if (rightsSet && mode && ::fchmod(fd, *mode) != 0) {
        why = std::strerror(errno);
        rightsSet = false;
    }
    ::close(fd);
    if (!rightsSet) {
        error = path + ": " + why;
        RemoveStoreFiles(path);
        return false;
    }

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, vfs);
    bool ok = rc == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(db, BusyTimeoutMs);
        std::string sql = std::string("PRAGMA journal_mode = DELETE; BEGIN; PRAGMA application_id = ") +
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

std::unique_ptr<DeviceStore> DeviceStore::Open(const std::string& path, std::string& error, bool readOnly,
                                               OpenFailure* failure) {
    const char* vfs = StoreVfsName();
    if (vfs == nullptr) {
        error = path + ": the store's file layer cannot be registered";
        return nullptr;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    sqlite3* db = nullptr;
    int code = SQLITE_OK; // of the step that failed
    bool journalLeft = false;
    auto refuse = [&](const std::string& why) {
        error = path + ": " + why;
        if (failure != nullptr) {
            *failure = ClassifyOpenFailure(code, readOnly && journalLeft);
        }
        sqlite3_close(db);
        return nullptr;
    };
    if (failure != nullptr) {
        *failure = OpenFailure::Other;
    }
    if (!S_ISREG(info.st_mode)) {
        return refuse("not a health device");
    }
    std::string why;
    if (UsesWriteAheadLog(path) && !ConvertFromWriteAheadLog(vfs, path, why)) {
        return refuse(why);
    }
    // A journal left by a writer that died mid-transaction must be rolled back before the store can be read,
    // which only a connection that may write can do: a reader that may write opens for writing then.
    journalLeft = ::access((path + "-journal").c_str(), F_OK) == 0;
    // Checked before anything could write: a file that is not a device is left exactly as it was.
    auto openDevice = [&](int mode) {
        sqlite3_close(db);
        db = nullptr;
        int rc = sqlite3_open_v2(path.c_str(), &db, mode | SQLITE_OPEN_NOMUTEX, vfs);
        if (rc != SQLITE_OK) {
            why = sqlite3_errstr(rc);
            code = rc;
            return false;
        }
        sqlite3_busy_timeout(db, BusyTimeoutMs);
        return CheckDevice(db, why, &code);
    };
    const bool reading = readOnly && !journalLeft;
    if (!openDevice(reading ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)) {
        return refuse(why);
    }
    // A device from before the raw-records column gets it from the first connection that may write.
    if (reading && !HasRawRecordsColumn(db) && !openDevice(SQLITE_OPEN_READWRITE)) {
        return refuse(why);
    }
    // Opened for reading and writing, a device that cannot be written cannot be opened.
    const bool connectionReadOnly = sqlite3_db_readonly(db, "main") != 0;
    if (!readOnly && connectionReadOnly) {
        return refuse(ReadOnlyReason(path));
    }
    if (!AddRawRecordsColumn(db, why)) {
        return refuse(why);
    }
    // The identity of the file SQLite really opened: should the path be replaced meanwhile, the next request
    // finds it changed and opens the store again.
    dev_t device = 0;
    ino_t inode = 0;
    if (!StoreFileIdentity(db, device, inode)) {
        return refuse("not a health device");
    }
    sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    return std::unique_ptr<DeviceStore>(new DeviceStore(path, db, device, inode, connectionReadOnly));
}

std::string DeviceStore::LastError() const {
    return lastError_.empty() ? sqlite3_errmsg(db_) : lastError_;
}

StoreResult DeviceStore::Failure() {
    lastError_ = sqlite3_errmsg(db_);
    return StoreResult::Failed;
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
        SettingsFromRow(statement, 0, settings);
        nextNumber = sqlite3_column_int64(statement, 5);
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

StoreResult DeviceStore::Append(const LogEntry& entry, DeviceSettings& settings, uint32_t& assigned) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    Transaction transaction(*this, true);
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return Failure();
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
        return Failure();
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::Rewrite(uint32_t eventNumber, const LogEntry& entry, DeviceSettings& settings) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    Transaction transaction(*this, true);
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
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
    return transaction.Commit() ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::Erase(DeviceSettings& settings) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    Transaction transaction(*this, true);
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return Failure();
    }
    if (settings.faults.requestsFail || settings.faults.eraseRefused) {
        return StoreResult::Done;
    }
    if (!StepDone(Statement(DeleteEntries)) || !transaction.Commit()) {
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

StoreResult DeviceStore::ChangeFaults(const std::function<void(DeviceFaults&)>& change) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    Transaction transaction(*this, true);
    DeviceSettings settings;
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return Failure();
    }
    change(settings.faults);
    const DeviceFaults& faults = settings.faults;
    sqlite3_stmt* statement = Statement(UpdateFaults);
    bool ok = statement != nullptr &&
              sqlite3_bind_int(statement, 1, faults.requestsFail ? 1 : 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 2, faults.eraseRefused ? 1 : 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 3, faults.writeStatus) == SQLITE_OK &&
              sqlite3_bind_int(statement, 4, faults.rawRecords ? 1 : 0) == SQLITE_OK && StepDone(statement) &&
              transaction.Commit();
    return ok ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::ClearFaults() {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    Transaction transaction(*this, true);
    sqlite3_stmt* statement = Statement(UpdateFaults);
    bool ok = transaction.Begun() && statement != nullptr && sqlite3_bind_int(statement, 1, 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 2, 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 3, 0) == SQLITE_OK &&
              sqlite3_bind_int(statement, 4, 0) == SQLITE_OK && StepDone(statement) &&
              StepDone(Statement(DeleteReadFaults)) && transaction.Commit();
    return ok ? StoreResult::Done : Failure();
}

StoreResult DeviceStore::Import(std::span<const LogEntry> records) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    Transaction transaction(*this, true);
    DeviceSettings settings;
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return Failure();
    }
    for (const LogEntry& record : records) {
        if (!InsertRecord(ReplaceEntry, record.EventNumber(), record)) {
            return Failure();
        }
        nextNumber = std::max(nextNumber, int64_t{record.EventNumber()} + 1);
    }
    if (!StoreNextNumber(nextNumber) || !transaction.Commit()) {
        return Failure();
    }
    return StoreResult::Done;
}

StoreResult DeviceStore::AppendMany(uint64_t count, const std::function<void(uint64_t, LogEntry&)>& make) {
    std::lock_guard lock(mutex_);
    readAhead_.valid = false;
    Transaction transaction(*this, true);
    DeviceSettings settings;
    int64_t nextNumber = 0;
    if (!transaction.Begun() || !LoadSettings(settings, nextNumber)) {
        return Failure();
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
            return Failure();
        }
    }
    if (!StoreNextNumber(nextNumber + static_cast<int64_t>(count)) || !transaction.Commit()) {
        return Failure();
    }
    return StoreResult::Done;
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
