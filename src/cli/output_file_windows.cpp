// The command line's files on Windows: opened with CreateFileA sharing only reading, so that another writer
// (a second run on the same status log, another program) is refused at once, and written in binary, so every
// line end is the "\r\n" the caller wrote. An export is written to a file beside the older one and takes its
// place only once complete and flushed. Handles are kept as C runtime descriptors.
#include <io.h>
#include <windows.h>

#include <fcntl.h>

#include <cstdio>

#include "cli/output_file.h"

namespace kestrav {

namespace {


HANDLE FileHandle(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

} // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Refuse(const std::string& why) {
    openError_ = why;
    return false;
}

namespace {

std::string SystemErrorText(DWORD code) {
    char text[261] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.')) {
        text[--length] = '\0';
    }
    if (length == 0) {
        std::snprintf(text, sizeof text, "error %lu", code);
    }
    return text;
}

int Descriptor(HANDLE handle, int flags) {
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | flags);
    if (fd < 0) {
        CloseHandle(handle);
    }
    return fd;
}

} // namespace

bool OutputFile::Open(const std::string& path, Mode mode) {
    Close();
    failed_ = false;
    mode_ = mode;
    openError_.clear();
    target_.clear();
    temp_.clear();
    // Appending asks for append access only, so that every write lands at the end of the file. An export
    // holds the older file (other writers refused, its removal allowed) while the new one is written beside
    // it, and the new one takes its place at Close.
    DWORD access = mode == Mode::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
    DWORD share = mode == Mode::Append ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_DELETE;
    HANDLE handle =
        CreateFileA(path.c_str(), access, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return Refuse(SystemErrorText(GetLastError()));
    }
    // Devices and pipes are written as they are: they have no content to replace.
    if (mode == Mode::Append || GetFileType(handle) != FILE_TYPE_DISK) {
        fd_ = Descriptor(handle, mode == Mode::Append ? _O_APPEND : 0);
        return fd_ >= 0 || Refuse("cannot keep the file open");
    }
    lockFd_ = Descriptor(handle, 0);
    if (lockFd_ < 0) {
        return Refuse("cannot keep the file open");
    }
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".kestrav-%lu.tmp", GetCurrentProcessId());
    std::string temp = path + suffix;
    HANDLE written = CreateFileA(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (written == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        _close(lockFd_);
        lockFd_ = -1;
        return Refuse(SystemErrorText(error));
    }
    fd_ = Descriptor(written, 0);
    if (fd_ < 0) {
        DeleteFileA(temp.c_str());
        _close(lockFd_);
        lockFd_ = -1;
        return Refuse("cannot keep the file open");
    }
    target_ = path;
    temp_ = temp;
    return true;
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
    if (lockFd_ >= 0) {
        _close(lockFd_);
        lockFd_ = -1;
        // The older file stays as it was unless the new one is complete.
        if (failed_ || !MoveFileExA(temp_.c_str(), target_.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            failed_ = true;
            DeleteFileA(temp_.c_str());
        }
        temp_.clear();
        target_.clear();
    }
    return !failed_;
}

} // namespace kestrav
