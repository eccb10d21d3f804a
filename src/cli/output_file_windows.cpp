// The command line's files on Windows: opened with CreateFileA sharing only reading, so that another writer
// (a second run on the same status log, another program) is refused at once, and written in binary, so every
// line end is the "\r\n" the caller wrote. The handle is kept as a C runtime descriptor.
#include <io.h>
#include <windows.h>

#include <fcntl.h>

#include "cli/output_file.h"

namespace kestrav {

namespace {

constexpr size_t BufferLimit = 64 * 1024;

HANDLE FileHandle(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

} // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Open(const std::string& path, Mode mode) {
    Close();
    failed_ = false;
    // Appending asks for append access only, so that every write lands at the end of the file.
    DWORD access = mode == Mode::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
    HANDLE handle = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    // The old content goes only once the file is held, so a file another run is writing is never cut. Devices
    // and pipes have no content to cut.
    bool disk = GetFileType(handle) == FILE_TYPE_DISK;
    if (mode == Mode::Replace && disk && !SetEndOfFile(handle)) {
        failed_ = true;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                             _O_BINARY | (mode == Mode::Append ? _O_APPEND : 0));
    if (fd < 0) {
        CloseHandle(handle);
        return false;
    }
    fd_ = fd;
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
    HANDLE handle = FileHandle(fd_);
    while (size > 0 && !failed_) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) {
            failed_ = true;
            return;
        }
        data += written;
        size -= written;
    }
}

bool OutputFile::Close() {
    if (fd_ < 0) {
        return false;
    }
    Flush();
    HANDLE handle = FileHandle(fd_);
    // Bytes the system still holds are written out now, so that a failure shows here rather than never.
    if (!failed_ && GetFileType(handle) == FILE_TYPE_DISK && !FlushFileBuffers(handle)) {
        failed_ = true;
    }
    if (_close(fd_) != 0) {
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
