#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace kestrav {

namespace {

constexpr size_t BufferLimit = 64 * 1024;

} // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Open(const std::string& path, Mode mode) {
    Close();
    failed_ = false;
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Append ? O_APPEND : 0);
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    // The old content goes only once the lock is held, so a file another run is writing is never cut. Devices
    // and pipes have no content to cut.
    struct stat info {};
    if (mode == Mode::Replace && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        ::ftruncate(fd, 0) != 0) {
        failed_ = true;
    }
    return true;
}

void OutputFile::Write(std::string_view bytes) {
    if (fd_ < 0) {
        failed_ = true;
        return;
    }
    buffer_.append(bytes);
    if (buffer_.size() >= BufferLimit) {
        Flush();
    }
}

void OutputFile::Flush() {
    if (fd_ >= 0 && !buffer_.empty()) {
        WriteOut(buffer_.data(), buffer_.size());
    }
    buffer_.clear();
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
    if (::close(fd_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    return !failed_;
}

void AppendWithLineEnds(std::string& out, std::string_view text) {
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
        out.append(text.substr(start, end - start));
        out.append("\r\n");
        start = end + 1;
    }
    out.append(text.substr(start));
}

} // namespace kestrav
