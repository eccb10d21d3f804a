// Reading a dump file on Windows: only a file on disk (no device or pipe), shared with writers as any reader
// would, read in large pieces of whole records.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/record_file.h"
#include "platform/system.h"
#include "platform/wide_text.h"

namespace kestrav {

namespace {

constexpr size_t ReadPiece = 8 * 1024 * 1024; // whole records

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
        DWORD piece = static_cast<DWORD>(size - done);
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

bool ReadRecordFile(const std::string& path, const std::function<void(std::span<const LogEntry>)>& each,
                    size_t& tailBytes, std::string& why) {
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
    struct Closer {
        HANDLE file;
        ~Closer() { CloseHandle(file); }
    } closer{file};
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        why = "not a regular file";
        return false;
    }
    std::vector<LogEntry> block(ReadPiece / LogEntrySize);
    // A file that grew meanwhile is read as it was when opened, one that shrank as far as it goes.
    for (uint64_t left = static_cast<uint64_t>(size.QuadPart); left > 0;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, ReadPiece));
        size_t got = 0;
        DWORD error = 0;
        if (!ReadFully(file, reinterpret_cast<uint8_t*>(block.data()), want, got, error)) {
            why = ErrorText(error);
            return false;
        }
        const size_t whole = got / LogEntrySize;
        if (whole > 0) {
            each(std::span<const LogEntry>(block.data(), whole));
        }
        // Pieces are whole records: bytes left over can only be the end of the file.
        if (got != want || want % LogEntrySize != 0) {
            tailBytes = got % LogEntrySize;
            break;
        }
        left -= want;
    }
    return true;
}

} // namespace kestrav
