// On Windows the C runtime opens standard output in text mode, which would write every "\n" as "\r\n", and
// converts nothing to the console's code page correctly; standard output and standard error are written with
// the system's calls.
#include <io.h>
#include <windows.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/standard_output.h"
#include "platform/wide_text.h"

namespace kestrav {

namespace {

// The length of an incomplete UTF-8 sequence at the end of the bytes, kept for the next write so that a
// character split between two writes reaches the console whole.
size_t IncompleteTail(const std::string& bytes) {
    size_t back = 0;
    while (back < 3 && back < bytes.size()) {
        unsigned char byte = static_cast<unsigned char>(bytes[bytes.size() - 1 - back]);
        ++back;
        if ((byte & 0xC0) != 0x80) {
            size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return needed > back ? back : 0;
        }
    }
    return 0;
}

int WriteConsoleText(HANDLE console, std::string& pending, const char* data, size_t size) {
    pending.append(data, size);
    size_t keep = IncompleteTail(pending);
    std::string whole = pending.substr(0, pending.size() - keep);
    pending.erase(0, pending.size() - keep);
    // Bytes that are not UTF-8 are shown as U+FFFD.
    std::wstring text(whole.size(), L'\0');
    int length = whole.empty() ? 0
                               : MultiByteToWideChar(CP_UTF8, 0, whole.data(), static_cast<int>(whole.size()),
                                                     text.data(), static_cast<int>(text.size()));
    for (int done = 0; done < length;) {
        DWORD chunk = static_cast<DWORD>(length - done > 8192 ? 8192 : length - done);
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data() + done, chunk, &written, nullptr) || written == 0) {
            return EIO;
        }
        done += static_cast<int>(written);
    }
    return 0;
}

// pending holds the stream's incomplete UTF-8 sequence between writes to a console.
int WriteStandardHandle(DWORD which, std::string& pending, const char* data, size_t size) {
    HANDLE output = GetStdHandle(which);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return EBADF;
    }
    DWORD mode = 0;
    if (GetConsoleMode(output, &mode)) {
        return WriteConsoleText(output, pending, data, size);
    }
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(output, data, chunk, &written, nullptr)) {
            DWORD error = GetLastError();
            // The reader's end closed: "being closed" on Windows, "not connected" under Wine.
            bool gone =
                error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED;
            return gone ? EPIPE : EIO;
        }
        data += written;
        size -= written;
    }
    return 0;
}

} // namespace

void UseBinaryStandardOutput() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool StandardOutputIsTerminal() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return output != nullptr && output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode);
}

int WriteStandardOutput(const char* data, size_t size) {
    std::fflush(stdout);
    static std::string pending;
    return WriteStandardHandle(STD_OUTPUT_HANDLE, pending, data, size);
}

int WriteStandardError(const char* data, size_t size) {
    std::fflush(stderr);
    static std::string pending;
    return WriteStandardHandle(STD_ERROR_HANDLE, pending, data, size);
}

} // namespace kestrav
