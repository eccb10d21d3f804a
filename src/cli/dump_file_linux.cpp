// Reading a dump file on Linux: opened without blocking (a FIFO put in its place cannot hold the run), only
// a regular file, its whole records read straight into the entries in large reads.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "cli/dump_file.h"

namespace kestrav {

namespace {

constexpr size_t ReadPiece = 8 * 1024 * 1024;

// Reads up to size bytes into buffer; the count read (short only at the end of the file), or -1 with errno.
ssize_t ReadFully(int fd, uint8_t* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(fd, buffer + done, std::min(size - done, ReadPiece));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

bool ReadRecordFile(const std::string& path, std::vector<LogEntry>& records, size_t& tailBytes,
                    std::string& why) {
    records.clear();
    tailBytes = 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        why = "not a regular file";
        return false;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    try {
        records.resize(static_cast<size_t>(size / LogEntrySize));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        std::vector<LogEntry>().swap(records);
        why = "too large to read into memory";
        return false;
    }
    // The records, then what follows them up to one record more: a file that grew meanwhile is read as it
    // was when opened, one that shrank as far as it goes.
    const size_t wholeBytes = records.size() * LogEntrySize;
    ssize_t got = ReadFully(fd, reinterpret_cast<uint8_t*>(records.data()), wholeBytes);
    LogEntry tail;
    ssize_t tailGot = 0;
    if (got == static_cast<ssize_t>(wholeBytes)) {
        tailGot = ReadFully(fd, tail.bytes, static_cast<size_t>(size - wholeBytes));
    }
    const int error = errno;
    ::close(fd);
    if (got < 0 || tailGot < 0) {
        std::vector<LogEntry>().swap(records);
        why = std::strerror(error);
        return false;
    }
    records.resize(static_cast<size_t>(got) / LogEntrySize);
    tailBytes = static_cast<size_t>(got) % LogEntrySize + static_cast<size_t>(tailGot);
    return true;
}

} // namespace kestrav
