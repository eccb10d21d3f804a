// Creating and opening a device: the file made with its rights and tables, and the checks that a file is a
// device before anything is written to it (a write-ahead log left behind, a column added since).
#include "emulator/device/device_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "emulator/device/store_sql.h"
#include "emulator/device/store_vfs.h"

namespace kestrav::emulator {

namespace {

constexpr const char* DefaultDevicePath = "/var/lib/zorhlth/cvr.db";

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

// What to do about a device's missing folder: the default device's is made by the package.
std::string MissingFolderAdvice(const std::filesystem::path& folder) {
    if (folder == std::filesystem::path(DefaultDevicePath).parent_path()) {
        return "the kestrav package makes it (root:zorhlth, mode 0750), or create it first";
    }
    return "create it first";
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

} // namespace

const char* DevicePath() {
    const char* path = std::getenv("ZORHLTH_DEVICE");
    if (path == nullptr || path[0] == '\0') {
        return DefaultDevicePath;
    }
    return path;
}

DeviceStore::DeviceStore(std::string path, sqlite3* db, dev_t device, ino_t inode, bool readOnly)
    : path_(std::move(path)), db_(db), device_(device), inode_(inode), readOnly_(readOnly),
      watch_(PathWatch::Start(path_)) {}

DeviceStore::~DeviceStore() {
    for (sqlite3_stmt* statement : statements_) {
        sqlite3_finalize(statement);
    }
    sqlite3_close(db_);
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
    // O_EXCL: two creators racing for one path cannot both believe they made it. The umask applies to the
    // mode asked for here; an explicit mode is set as given afterwards.
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, fileMode);
    if (fd < 0 && errno == ENOENT && !parent.empty()) {
        // The folder is not made here: made by root, it would be root's and open to all, where the package
        // makes the default device's folder for the group that reads the log.
        error = path + ": the folder " + parent.string() + " does not exist; " + MissingFolderAdvice(parent);
        return false;
    }
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

} // namespace kestrav::emulator
