// Reading a dump file on Linux: opened without blocking (a FIFO put in its place cannot hold the run), only
// a regular file, read in large pieces of whole records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/record_file.h"

namespace kestrav {

namespace {

constexpr size_t ReadPiece = 8 * 1024 * 1024; // whole records

// Reads up to size bytes into buffer; the count read (short only at the end of the file), or -1 with errno.
ssize_t ReadFully(int fd, uint8_t* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t got = ::read(fd, buffer + done, size - done);
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

bool ReadRecordFile(const std::string& path, const std::function<void(std::span<const LogEntry>)>& each,
                    size_t& tailBytes, std::string& why) {
    tailBytes = 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = "not a regular file";
        return false;
    }
    std::vector<LogEntry> block(ReadPiece / LogEntrySize);
    // A file that grew meanwhile is read as it was when opened, one that shrank as far as it goes.
    for (uint64_t left = static_cast<uint64_t>(info.st_size); left > 0;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, ReadPiece));
        const ssize_t got = ReadFully(fd, reinterpret_cast<uint8_t*>(block.data()), want);
        if (got < 0) {
            why = std::strerror(errno);
            return false;
        }
        const size_t whole = static_cast<size_t>(got) / LogEntrySize;
        if (whole > 0) {
            each(std::span<const LogEntry>(block.data(), whole));
        }
        // Pieces are whole records: bytes left over can only be the end of the file.
        if (static_cast<size_t>(got) != want || want % LogEntrySize != 0) {
            tailBytes = static_cast<size_t>(got) % LogEntrySize;
            break;
        }
        left -= want;
    }
    return true;
}

} // namespace kestrav
