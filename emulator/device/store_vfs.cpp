#include "emulator/device/store_vfs.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace kestrav::emulator {

namespace {

constexpr const char* VfsName = "kestrav-ofd";

// SQLite's lock bytes: a reader holds a read lock on the shared range; a writer about to commit holds the
// pending byte (no new readers), then a write lock on the shared range.
constexpr off_t PendingByte = 0x40000000;
constexpr off_t ReservedByte = PendingByte + 1;
constexpr off_t SharedFirst = PendingByte + 2;
constexpr off_t SharedSize = 510;

struct StoreFile {
    sqlite3_file base; // first, so that SQLite's handle is this record
    int fd;
    int level;        // SQLITE_LOCK_NONE .. SQLITE_LOCK_EXCLUSIVE
    const char* path; // SQLite keeps the name alive as long as the file is open
    dev_t device;
    ino_t inode;
};

sqlite3_vfs* Base() {
    static sqlite3_vfs* base = sqlite3_vfs_find("unix");
    return base;
}

StoreFile& File(sqlite3_file* file) {
    return *reinterpret_cast<StoreFile*>(file);
}

// One open-file-description lock on [start, start + length); false when another holder conflicts or on error
// (errno says which).
bool SetLock(int fd, short type, off_t start, off_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

int BusyOr(int ioError) {
    return errno == EAGAIN || errno == EACCES || errno == EINTR ? SQLITE_BUSY : ioError;
}

int Close(sqlite3_file* file) {
    StoreFile& f = File(file);
    int rc = ::close(f.fd) == 0 ? SQLITE_OK : SQLITE_IOERR_CLOSE;
    f.fd = -1;
    return rc;
}

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    StoreFile& f = File(file);
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    size_t wanted = static_cast<size_t>(amount);
    while (done < wanted) {
        ssize_t got = ::pread(f.fd, out + done, wanted - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return SQLITE_IOERR_READ;
        }
        if (got == 0) {
            std::memset(out + done, 0, wanted - done);
            return SQLITE_IOERR_SHORT_READ;
        }
        done += static_cast<size_t>(got);
    }
    return SQLITE_OK;
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    StoreFile& f = File(file);
    const auto* in = static_cast<const unsigned char*>(buffer);
    size_t done = 0;
    size_t wanted = static_cast<size_t>(amount);
    while (done < wanted) {
        ssize_t put = ::pwrite(f.fd, in + done, wanted - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return put < 0 && errno == ENOSPC ? SQLITE_FULL : SQLITE_IOERR_WRITE;
        }
        done += static_cast<size_t>(put);
    }
    return SQLITE_OK;
}

int Truncate(sqlite3_file* file, sqlite3_int64 size) {
    return ::ftruncate(File(file).fd, static_cast<off_t>(size)) == 0 ? SQLITE_OK : SQLITE_IOERR_TRUNCATE;
}

int Sync(sqlite3_file* file, int flags) {
    int fd = File(file).fd;
    int rc = (flags & SQLITE_SYNC_DATAONLY) != 0 ? ::fdatasync(fd) : ::fsync(fd);
    return rc == 0 ? SQLITE_OK : SQLITE_IOERR_FSYNC;
}

int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    struct stat info {};
    if (::fstat(File(file).fd, &info) != 0) {
        return SQLITE_IOERR_FSTAT;
    }
    *size = info.st_size;
    return SQLITE_OK;
}

int Lock(sqlite3_file* file, int level) {
    StoreFile& f = File(file);
    if (f.level >= level) {
        return SQLITE_OK;
    }
    if (level == SQLITE_LOCK_SHARED) {
        if (!SetLock(f.fd, F_RDLCK, SharedFirst, SharedSize)) {
            return BusyOr(SQLITE_IOERR_RDLOCK);
        }
        // A writer waiting to commit holds the pending byte: new readers step back so they cannot starve it.
        // Asked after the shared lock is taken, which costs one call less than locking the byte first.
        struct flock pending {};
        pending.l_type = F_RDLCK;
        pending.l_whence = SEEK_SET;
        pending.l_start = PendingByte;
        pending.l_len = 1;
        if (::fcntl(f.fd, F_OFD_GETLK, &pending) != 0 || pending.l_type != F_UNLCK) {
            SetLock(f.fd, F_UNLCK, SharedFirst, SharedSize);
            return SQLITE_BUSY;
        }
        f.level = SQLITE_LOCK_SHARED;
        return SQLITE_OK;
    }
    if (level == SQLITE_LOCK_RESERVED) {
        if (!SetLock(f.fd, F_WRLCK, ReservedByte, 1)) {
            return BusyOr(SQLITE_IOERR_LOCK);
        }
        f.level = SQLITE_LOCK_RESERVED;
        return SQLITE_OK;
    }
    // Exclusive, through pending: the pending byte is kept when the readers are not gone yet.
    if (f.level < SQLITE_LOCK_PENDING) {
        if (!SetLock(f.fd, F_WRLCK, PendingByte, 1)) {
            return BusyOr(SQLITE_IOERR_LOCK);
        }
        f.level = SQLITE_LOCK_PENDING;
    }
    if (!SetLock(f.fd, F_WRLCK, SharedFirst, SharedSize)) {
        return BusyOr(SQLITE_IOERR_LOCK);
    }
    f.level = SQLITE_LOCK_EXCLUSIVE;
    return SQLITE_OK;
}

int Unlock(sqlite3_file* file, int level) {
    StoreFile& f = File(file);
    if (f.level <= level) {
        return SQLITE_OK;
    }
    if (level == SQLITE_LOCK_SHARED) {
        if (f.level == SQLITE_LOCK_EXCLUSIVE && !SetLock(f.fd, F_RDLCK, SharedFirst, SharedSize)) {
            return SQLITE_IOERR_RDLOCK;
        }
        if (!SetLock(f.fd, F_UNLCK, PendingByte, 2)) {
            return SQLITE_IOERR_UNLOCK;
        }
        f.level = SQLITE_LOCK_SHARED;
        return SQLITE_OK;
    }
    if (!SetLock(f.fd, F_UNLCK, 0, 0)) {
        return SQLITE_IOERR_UNLOCK;
    }
    f.level = SQLITE_LOCK_NONE;
    return SQLITE_OK;
}

int CheckReservedLock(sqlite3_file* file, int* reserved) {
    StoreFile& f = File(file);
    if (f.level >= SQLITE_LOCK_RESERVED) {
        *reserved = 1;
        return SQLITE_OK;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = ReservedByte;
    lock.l_len = 1;
    if (::fcntl(f.fd, F_OFD_GETLK, &lock) != 0) {
        return SQLITE_IOERR_CHECKRESERVEDLOCK;
    }
    *reserved = lock.l_type != F_UNLCK ? 1 : 0;
    return SQLITE_OK;
}

int FileControl(sqlite3_file* file, int op, void* argument) {
    // A store whose path no longer names it (renamed away, replaced, removed) takes no more commits.
    if (op == SQLITE_FCNTL_HAS_MOVED) {
        StoreFile& f = File(file);
        struct stat info {};
        *static_cast<int*>(argument) =
            ::stat(f.path, &info) != 0 || info.st_dev != f.device || info.st_ino != f.inode ? 1 : 0;
        return SQLITE_OK;
    }
    return SQLITE_NOTFOUND;
}

int SectorSize(sqlite3_file*) {
    return 4096;
}

int DeviceCharacteristics(sqlite3_file*) {
    return 0;
}

const sqlite3_io_methods StoreFileMethods = {
    1, // no shared memory: the store uses a rollback journal
    Close,       Read,       Write,
    Truncate,    Sync,       FileSize,
    Lock,        Unlock,     CheckReservedLock,
    FileControl, SectorSize, DeviceCharacteristics,
    nullptr,     nullptr,    nullptr,
    nullptr,     nullptr,    nullptr,
};

// Opens the store itself here; journals and temporary files are SQLite's own Unix files, which take no locks.
int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    if ((flags & SQLITE_OPEN_MAIN_DB) == 0 || name == nullptr) {
        return Base()->xOpen(Base(), name, file, flags, outFlags);
    }
    file->pMethods = nullptr;
    bool writable = (flags & SQLITE_OPEN_READWRITE) != 0;
    // Non-blocking, so that a FIFO at the path cannot hold the open; it is refused below.
    int common = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(
        name, (writable ? O_RDWR : O_RDONLY) | common | ((flags & SQLITE_OPEN_CREATE) != 0 ? O_CREAT : 0),
        0644);
    if (fd < 0 && writable && (errno == EACCES || errno == EROFS || errno == EISDIR)) {
        fd = ::open(name, O_RDONLY | common);
        writable = false;
    }
    if (fd < 0) {
        return SQLITE_CANTOPEN;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return SQLITE_CANTOPEN;
    }
    StoreFile& f = File(file);
    f.fd = fd;
    f.level = SQLITE_LOCK_NONE;
    f.path = name;
    f.device = info.st_dev;
    f.inode = info.st_ino;
    file->pMethods = &StoreFileMethods;
    if (outFlags != nullptr) {
        *outFlags =
            writable ? flags : (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    }
    return SQLITE_OK;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) {
    return Base()->xDelete(Base(), name, syncDir);
}

int Access(sqlite3_vfs*, const char* name, int flags, int* result) {
    return Base()->xAccess(Base(), name, flags, result);
}

int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return Base()->xFullPathname(Base(), name, size, out);
}

void* DlOpen(sqlite3_vfs*, const char* name) {
    return Base()->xDlOpen(Base(), name);
}

void DlError(sqlite3_vfs*, int size, char* message) {
    Base()->xDlError(Base(), size, message);
}

void (*DlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return Base()->xDlSym(Base(), handle, symbol);
}

void DlClose(sqlite3_vfs*, void* handle) {
    Base()->xDlClose(Base(), handle);
}

int Randomness(sqlite3_vfs*, int size, char* out) {
    return Base()->xRandomness(Base(), size, out);
}

int Sleep(sqlite3_vfs*, int microseconds) {
    return Base()->xSleep(Base(), microseconds);
}

int CurrentTime(sqlite3_vfs*, double* now) {
    return Base()->xCurrentTime(Base(), now);
}

int GetLastError(sqlite3_vfs*, int size, char* out) {
    return Base()->xGetLastError(Base(), size, out);
}

int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now) {
    return Base()->xCurrentTimeInt64(Base(), now);
}

} // namespace

const char* StoreVfsName() {
    static sqlite3_vfs vfs{};
    static bool registered = false;
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_vfs* base = Base();
        if (base == nullptr || base->iVersion < 2) {
            return;
        }
        vfs.iVersion = 2;
        vfs.szOsFile = std::max(base->szOsFile, static_cast<int>(sizeof(StoreFile)));
        vfs.mxPathname = base->mxPathname;
        vfs.zName = VfsName;
        vfs.xOpen = Open;
        vfs.xDelete = Delete;
        vfs.xAccess = Access;
        vfs.xFullPathname = FullPathname;
        vfs.xDlOpen = DlOpen;
        vfs.xDlError = DlError;
        vfs.xDlSym = DlSym;
        vfs.xDlClose = DlClose;
        vfs.xRandomness = Randomness;
        vfs.xSleep = Sleep;
        vfs.xCurrentTime = CurrentTime;
        vfs.xGetLastError = GetLastError;
        vfs.xCurrentTimeInt64 = CurrentTimeInt64;
        registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    });
    return registered ? VfsName : nullptr;
}

bool StoreFileIdentity(sqlite3* db, dev_t& device, ino_t& inode) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
        file->pMethods != &StoreFileMethods) {
        return false;
    }
    device = File(file).device;
    inode = File(file).inode;
    return true;
}

bool StoreFileVersion(sqlite3* db, unsigned char (&version)[16]) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
        file->pMethods != &StoreFileMethods) {
        return false;
    }
    return ::pread(File(file).fd, version, sizeof version, 24) == static_cast<ssize_t>(sizeof version);
}

} // namespace kestrav::emulator
