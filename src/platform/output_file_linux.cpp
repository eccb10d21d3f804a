#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "platform/health_device.h"

namespace kestrav {

namespace {

constexpr int MaxLinkHops = 40;
constexpr int MaxTempAttempts = 100;
constexpr size_t TempNameCharacters = 8;

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

bool TrustedOwner(uid_t owner) {
    return owner == ::geteuid() || owner == 0;
}

// Eight characters from the system's random source for a temporary name: a name that others cannot guess
// cannot be taken first in a folder that they may write in.
bool RandomNameCharacters(std::string& out) {
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    unsigned char bytes[TempNameCharacters];
    size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t got = ::getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        filled += static_cast<size_t>(got);
    }
    out.clear();
    for (unsigned char byte : bytes) {
        out.push_back(Alphabet[byte & 0x3F]);
    }
    return true;
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

bool ResolveTrustedPath(const std::string& path, std::string& resolved, int& error) {
    error = 0;
    if (path.empty()) {
        error = ENOENT;
        return false;
    }
    // The parts still to walk, the next one last.
    std::vector<std::string> pending;
    auto push = [&pending](const std::string& text) {
        size_t end = text.size();
        while (end > 0) {
            const size_t slash = text.rfind('/', end - 1);
            const size_t start = slash == std::string::npos ? 0 : slash + 1;
            if (end > start) {
                pending.push_back(text.substr(start, end - start));
            }
            if (slash == std::string::npos) {
                break;
            }
            end = slash;
        }
    };
    std::string walked; // absolute, free of links; empty for the root
    if (path[0] != '/') {
        char here[PATH_MAX];
        if (::getcwd(here, sizeof here) == nullptr) {
            error = errno;
            return false;
        }
        walked = here;
        if (walked == "/") {
            walked.clear();
        }
    }
    push(path);
    int hops = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.back());
        pending.pop_back();
        if (part == ".") {
            continue;
        }
        if (part == "..") {
            walked.erase(walked.empty() ? 0 : walked.find_last_of('/'));
            continue;
        }
        const std::string next = walked + "/" + part;
        struct stat info {};
        if (::lstat(next.c_str(), &info) != 0) {
            error = errno;
            // A file that does not exist yet may be created; a missing folder may not.
            if (error == ENOENT && pending.empty()) {
                resolved = next;
                error = 0;
                return true;
            }
            return false;
        }
        if (!S_ISLNK(info.st_mode)) {
            walked = next;
            continue;
        }
        if (!TrustedOwner(info.st_uid)) {
            error = EPERM;
            return false;
        }
        if (++hops > MaxLinkHops) {
            error = ELOOP;
            return false;
        }
        char target[PATH_MAX];
        const ssize_t length = ::readlink(next.c_str(), target, sizeof target);
        if (length < 0 || static_cast<size_t>(length) >= sizeof target) {
            error = length < 0 ? errno : ENAMETOOLONG;
            return false;
        }
        const std::string text(target, static_cast<size_t>(length));
        if (!text.empty() && text[0] == '/') {
            walked.clear();
        }
        push(text);
    }
    resolved = walked.empty() ? "/" : walked;
    return true;
}

std::string TrustedPathError(int error) {
    return error == EPERM ? "a symbolic link owned by another user" : std::strerror(error);
}

int OpenForReadingWithoutOthersLinks(const std::string& path, int flags, std::string& why) {
    std::string resolved;
    int error = 0;
    if (!ResolveTrustedPath(path, resolved, error)) {
        why = TrustedPathError(error);
        errno = error;
        return -1;
    }
    // The last part as resolved is no link; one put there since is not followed.
    const int fd = ::open(resolved.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | flags);
    if (fd < 0) {
        why = std::strerror(errno);
    }
    return fd;
}

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

bool OutputFile::RefuseNotRegular(const struct stat& info) {
    // A FIFO or a device says so in the status log; a folder keeps the plain line.
    if (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISSOCK(info.st_mode)) {
        notRegular_ = true;
    }
    return Refuse("not a regular file");
}

bool OutputFile::Open(const std::string& path, Mode mode) {
    Close();
    failed_ = false;
    olderKept_ = false;
    mode_ = mode;
    openError_.clear();
    buffer_.clear();

    heldError_.clear();
    notRegular_ = false;

    std::string resolved;
    int error = 0;
    if (!ResolveTrustedPath(path, resolved, error)) {
        // A missing folder is worth saying in the status log: the administrator can make it.
        if (error == ENOENT || error == ENOTDIR) {
            heldError_ = std::strerror(error);
        }
        return Refuse(TrustedPathError(error));
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
        if (::fstat(fd, &info) != 0) {
            return Refuse(std::strerror(errno));
        }
        if (!S_ISREG(info.st_mode)) {
            return RefuseNotRegular(info);
        }
        // Another user's file with a second name could be one that this program must not grow (a hard link
        // planted in a shared folder).
        if (info.st_nlink > 1 && info.st_uid != ::geteuid()) {
            return Refuse("a file with other names that belongs to another user");
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
            return RefuseNotRegular(old);
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
    const std::string prefix = DirName(resolved) + "/." + BaseName(resolved) + ".";
    std::string random;
    for (int attempt = 0; attempt < MaxTempAttempts && fd_ < 0; ++attempt) {
        if (!RandomNameCharacters(random)) {
            return Refuse(std::strerror(errno));
        }
        temp_ = prefix + random + ".tmp";
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
    // Without waiting: a FIFO is refused below, never waited on.
    const int fd = OpenForReadingWithoutOthersLinks(path, O_NONBLOCK | O_NOCTTY, why);
    if (fd < 0) {
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
    const bool read = ReadToEnd(
        static_cast<uint64_t>(info.st_size), limit,
        [fd](std::span<char> piece, std::string& error) -> std::optional<size_t> {
            for (;;) {
                const ssize_t got = ::read(fd, piece.data(), piece.size());
                if (got >= 0) {
                    return static_cast<size_t>(got);
                }
                if (errno != EINTR) {
                    error = std::strerror(errno);
                    return std::nullopt;
                }
            }
        },
        content, why);
    ::close(fd);
    return read ? OwnFileRead::Read : OwnFileRead::Refused;
}

} // namespace kestrav
