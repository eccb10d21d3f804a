#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/health_device.h"

namespace kestrav {

namespace {

constexpr int MaxLinkHops = 8;
constexpr int MaxTempAttempts = 100;

std::string DirName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links in the last part of path while each belongs to the running user or to root: a link
// that someone else planted must not send this program's writes to a file of its choosing. resolved is the
// file to write (which need not exist yet).
bool ResolveTrustedLinks(const std::string& path, std::string& resolved, std::string& why) {
    std::string current = path;
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                resolved = current;
                return true;
            }
            why = std::strerror(errno);
            return false;
        }
        if (!S_ISLNK(info.st_mode)) {
            resolved = current;
            return true;
        }
        if (info.st_uid != ::geteuid() && info.st_uid != 0) {
            why = "a symbolic link owned by another user";
            return false;
        }
        char target[PATH_MAX];
        ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
        if (length < 0) {
            why = std::strerror(errno);
            return false;
        }
        target[length] = '\0';
        current = target[0] == '/' ? std::string(target) : DirName(current) + "/" + target;
    }
    why = std::strerror(ELOOP);
    return false;
}

// Opens an existing regular file to hold its lock; never blocks (a FIFO put in its place opens at once or not
// at all) and never follows a link.
int OpenForLock(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    return fd;
}

// Gives the new file its name; over an older file only when replace is set. Where the file system cannot
// rename without replacing, a second link to the new file does the same: it fails where the name is taken.
bool PutInPlace(const std::string& temp, const std::string& target, bool replace) {
    if (replace) {
        return ::rename(temp.c_str(), target.c_str()) == 0;
    }
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL || ::link(temp.c_str(), target.c_str()) != 0) {
        return false;
    }
    ::unlink(temp.c_str());
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Refuse(const std::string& why) {
    openError_ = why;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    if (lockFd_ >= 0) {
        ::close(lockFd_);
        lockFd_ = -1;
    }
    return false;
}

bool OutputFile::Open(const std::string& path, Mode mode) {
    Close();
    failed_ = false;
    olderKept_ = false;
    mode_ = mode;
    openError_.clear();
    buffer_.clear();

    std::string resolved;
    std::string why;
    if (!ResolveTrustedLinks(path, resolved, why)) {
        return Refuse(why);
    }
    if (platform::IsHealthDeviceStorage(resolved)) {
        return Refuse("the health device's own storage");
    }

    if (mode == Mode::Append) {
        // Non-blocking, so that a FIFO with no reader fails at once instead of hanging the run.
        int fd = ::open(resolved.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        0666);
        if (fd < 0) {
            return Refuse(std::strerror(errno));
        }
        fd_ = fd;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            return Refuse("not a regular file");
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            return Refuse("in use by another writer");
        }
        return true;
    }

    struct stat old {};
    const bool exists = ::lstat(resolved.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return Refuse(std::strerror(errno));
    }
    if (exists) {
        if (!S_ISREG(old.st_mode)) {
            return Refuse("not a regular file");
        }
        if (mode == Mode::KeepOlder) {
            olderKept_ = true;
            return Refuse("an older file exists");
        }
        // The older file stays locked until the new one has taken its place, so another writer of the same
        // file is refused as before.
        lockFd_ = OpenForLock(resolved);
        struct stat locked {};
        if (lockFd_ < 0) {
            return Refuse(std::strerror(errno));
        }
        if (::fstat(lockFd_, &locked) != 0 || !S_ISREG(locked.st_mode) || !SameFile(locked, old)) {
            return Refuse("changed while it was being opened");
        }
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
            return Refuse("in use by another writer");
        }
    }

    // The new content goes to a file of its own in the same folder, so that the rename at Close is atomic.
    const std::string prefix =
        DirName(resolved) + "/." + BaseName(resolved) + "." + std::to_string(::getpid());
    for (int attempt = 0; attempt < MaxTempAttempts && fd_ < 0; ++attempt) {
        temp_ = prefix + "." + std::to_string(attempt) + ".tmp";
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) {
            int error = errno;
            temp_.clear();
            return Refuse(std::strerror(error));
        }
    }
    if (fd_ < 0) {
        temp_.clear();
        return Refuse(std::strerror(EEXIST));
    }
    // An export that replaces one of the user's own files keeps its permissions.
    if (exists && old.st_uid == ::geteuid()) {
        ::fchmod(fd_, old.st_mode & 07777);
    }
    target_ = resolved;
    return true;
}

void OutputFile::WriteOut(const char* data, size_t size) {
    while (size > 0 && !failed_) {
        ssize_t written = ::write(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed_ = true;
            return;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
}

bool OutputFile::Close() {
    if (fd_ < 0) {
        return false;
    }
    Flush();
    if (mode_ != Mode::Append && !failed_ && ::fsync(fd_) != 0) {
        failed_ = true;
    }
    if (::close(fd_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    if (mode_ != Mode::Append) {
        if (!failed_ && !PutInPlace(temp_, target_, mode_ == Mode::Replace)) {
            failed_ = true;
        }
        if (failed_) {
            ::unlink(temp_.c_str());
        } else {
            // The rename is durable only once the folder is synced.
            int folder = ::open(DirName(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (folder < 0 || ::fsync(folder) != 0) {
                failed_ = true;
            }
            if (folder >= 0) {
                ::close(folder);
            }
        }
        temp_.clear();
        if (lockFd_ >= 0) {
            ::close(lockFd_);
            lockFd_ = -1;
        }
    }
    return !failed_;
}

OwnFileRead ReadOwnFile(const std::string& path, size_t limit, std::string& content, std::string& why) {
    content.clear();
    std::string resolved;
    if (!ResolveTrustedLinks(path, resolved, why)) {
        return OwnFileRead::Refused;
    }
    const int fd = ::open(resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return errno == ENOENT ? OwnFileRead::Missing : OwnFileRead::Refused;
    }
    auto refuse = [&](std::string text) {
        ::close(fd);
        std::string().swap(content);
        why = std::move(text);
        return OwnFileRead::Refused;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return refuse("not a regular file");
    }
    if (static_cast<uint64_t>(info.st_size) > limit) {
        return refuse("larger than it can be (" + std::to_string(info.st_size) + " bytes)");
    }
    try {
        // One byte more than the limit shows a file that grew past it meanwhile.
        content.resize(static_cast<size_t>(info.st_size) + 1);
        size_t done = 0;
        for (;;) {
            if (done == content.size()) {
                if (content.size() > limit) {
                    return refuse("larger than it can be");
                }
                content.resize(std::min(limit + 1, content.size() * 2));
            }
            const ssize_t got = ::read(fd, content.data() + done, content.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return refuse(std::strerror(errno));
            }
            if (got == 0) {
                break;
            }
            done += static_cast<size_t>(got);
        }
        content.resize(done);
    } catch (const std::bad_alloc&) {
        return refuse("too large to read into memory");
    }
    ::close(fd);
    return OwnFileRead::Read;
}

} // namespace kestrav
