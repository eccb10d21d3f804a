// Reading a dump file on Windows: only a file on disk (no device or pipe), shared with writers as any reader
// would, its whole records read straight into the entries in large reads.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include "cli/dump_file.h"
#include "platform/system.h"
#include "platform/wide_text.h"

namespace kestrav {

namespace {

constexpr DWORD ReadPiece = 8 * 1024 * 1024;

std::string ErrorText(DWORD code) {
    char text[300] = {};
    if (!platform::GetErrorText(code, text)) {
        std::snprintf(text, sizeof text, "error %lu", code);
    }
    std::string why = text;
    while (!why.empty() &&
           (why.back() == '\n' || why.back() == '\r' || why.back() == ' ' || why.back() == '.')) {
        why.pop_back();
    }
    return why;
}

// Reads up to size bytes into buffer; false with the error when a read fails. done is short only at the end
// of the file.
bool ReadFully(HANDLE file, uint8_t* buffer, size_t size, size_t& done, DWORD& error) {
    done = 0;
    while (done < size) {
        DWORD got = 0;
        DWORD piece = static_cast<DWORD>(std::min<size_t>(size - done, ReadPiece));
        if (!ReadFile(file, buffer + done, piece, &got, nullptr)) {
            error = GetLastError();
            return false;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return true;
}

} // namespace

bool ReadRecordFile(const std::string& path, std::vector<LogEntry>& records, size_t& tailBytes,
                    std::string& why) {
    records.clear();
    tailBytes = 0;
    // The name is UTF-8 whatever the active code page is.
    std::wstring widePath;
    if (!platform::WideFromUtf8(path, widePath)) {
        why = "the name is not valid UTF-8";
        return false;
    }
    HANDLE file =
        CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = ErrorText(GetLastError());
        return false;
    }
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        why = "not a regular file";
        return false;
    }
    const uint64_t bytes = static_cast<uint64_t>(size.QuadPart);
    try {
        records.resize(static_cast<size_t>(bytes / LogEntrySize));
    } catch (const std::bad_alloc&) {
        CloseHandle(file);
        std::vector<LogEntry>().swap(records);
        why = "too large to read into memory";
        return false;
    }
    const size_t wholeBytes = records.size() * LogEntrySize;
    size_t got = 0;
    size_t tailGot = 0;
    DWORD error = 0;
    LogEntry tail;
    bool read = ReadFully(file, reinterpret_cast<uint8_t*>(records.data()), wholeBytes, got, error);
    if (read && got == wholeBytes) {
        read = ReadFully(file, tail.bytes, static_cast<size_t>(bytes - wholeBytes), tailGot, error);
    }
    CloseHandle(file);
    if (!read) {
        std::vector<LogEntry>().swap(records);
        why = ErrorText(error);
        return false;
    }
    records.resize(got / LogEntrySize);
    tailBytes = got % LogEntrySize + tailGot;
    return true;
}

} // namespace kestrav
