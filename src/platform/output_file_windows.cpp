// The command line's files on Windows. Names are UTF-8, turned into UTF-16 full paths with the "\\?\" prefix,
// so that neither the active code page nor the old 260-character limit applies, and "\\server\share" names
// work as well. Only files on a disk are written: device names, device namespaces and any handle that is not
// a disk file are refused. A link or junction as the last part of the name is followed only when it belongs
// to the running user, the Administrators or SYSTEM.
//
// Files are opened sharing only reading, so that another writer (a second run on the same status log, another
// program) is refused at once, and written in binary, so every line end is the "\r\n" the caller wrote. An
// export is written to a new file beside the older one and takes its place only once complete and flushed,
// with ReplaceFileW, which keeps the older file's security and attributes; a failed export leaves nothing
// at the target. An export that may not replace an older file holds a target new to the folder with an
// empty file of its own from the start, so that no other file can take the name meanwhile. Handles are kept
// as C runtime descriptors.
#include <io.h>
#include <windows.h>

#include <aclapi.h>
#include <fcntl.h>
#include <ntsecapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "platform/wide_text.h"
#include "platform/windows_names.h"

namespace kestrav {

namespace {

HANDLE FileHandle(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

std::string SystemErrorText(DWORD code) {
    wchar_t text[261] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 261, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' ||
                          text[length - 1] == L'.' || text[length - 1] == L' ')) {
        --length;
    }
    if (length == 0) {
        char number[32];
        std::snprintf(number, sizeof number, "error %lu", code);
        return number;
    }
    return platform::Utf8FromWide(std::wstring_view(text, length));
}

// A held file: the error of another program's handle, or of a file that may not be written.
bool IsHeldError(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
}

int Descriptor(HANDLE handle, int flags) {
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | flags);
    if (fd < 0) {
        CloseHandle(handle);
    }
    return fd;
}

// The full path with the "\\?\" (or "\\?\UNC\") prefix; false when the name cannot be one.
bool ExtendedPath(const std::wstring& name, std::wstring& out) {
    if (name.compare(0, 4, L"\\\\?\\") == 0) {
        out = name;
        return true;
    }
    DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return false;
    }
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {
        return false;
    }
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) {
        if (full.size() > 2 && (full[2] == L'.' || full[2] == L'?')) {
            out = full; // a device namespace, refused by the caller
        } else {
            out = L"\\\\?\\UNC\\" + full.substr(2);
        }
        return true;
    }
    out = L"\\\\?\\" + full;
    return true;
}

// The folder part of an extended path, with its final separator.
std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Whether the link itself (not what it leads to) belongs to the running user, the Administrators or SYSTEM.
bool LinkOwnerTrusted(const std::wstring& path) {
    HANDLE link = CreateFileW(path.c_str(), READ_CONTROL,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (link == INVALID_HANDLE_VALUE) {
        return false;
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD result = GetSecurityInfo(link, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                   nullptr, &descriptor);
    CloseHandle(link);
    if (result != ERROR_SUCCESS || owner == nullptr) {
        if (descriptor != nullptr) {
            LocalFree(descriptor);
        }
        return false;
    }
    bool trusted =
        IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid);
    HANDLE token = nullptr;
    if (!trusted && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::vector<unsigned char> user(size);
        if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
            trusted = EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid) != FALSE;
        }
        CloseHandle(token);
    }
    LocalFree(descriptor);
    return trusted;
}

// The path of the file that the handle has open, links resolved; false when the system cannot say.
bool FinalPath(HANDLE file, std::wstring& path) {
    std::wstring final(32768, L'\0');
    DWORD length =
        GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
    if (length == 0 || length >= final.size()) {
        return false;
    }
    final.resize(length);
    path = final;
    return true;
}

// Eight characters from the system's random source for a temporary name: a name that others cannot guess
// cannot be taken first in a folder that they may write in.
bool RandomNameCharacters(std::wstring& out) {
    static constexpr wchar_t Alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    unsigned char bytes[8];
    if (!RtlGenRandom(bytes, sizeof bytes)) {
        return false;
    }
    out.clear();
    for (unsigned char byte : bytes) {
        out.push_back(Alphabet[byte & 0x3F]);
    }
    return true;
}

// Lets the target go after a failure: an older file as it was, a placeholder removed.
void ReleaseTarget(int& lockFd, bool& placeholder, const std::wstring& target) {
    if (lockFd >= 0) {
        _close(lockFd);
        lockFd = -1;
    }
    if (placeholder) {
        DeleteFileW(target.c_str());
        placeholder = false;
    }
}

} // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Refuse(const std::string& why) {
    openError_ = why;
    return false;
}

bool OutputFile::Open(const std::string& path, Mode mode) {
    Close();
    failed_ = false;
    olderKept_ = false;
    mode_ = mode;
    openError_.clear();
    heldError_.clear();
    notRegular_ = false;
    buffer_.clear();
    target_.clear();
    temp_.clear();

    std::wstring name;
    std::wstring full;
    if (path.empty() || !platform::WideFromUtf8(path, name) || !ExtendedPath(name, full)) {
        return Refuse(SystemErrorText(ERROR_INVALID_NAME));
    }
    if (IsDeviceFileName(name) || IsDeviceFileName(full)) {
        notRegular_ = true;
        return Refuse("not a regular file");
    }
    // "x.csv:hidden" is a stream of x.csv, which nobody would find as a file.
    if (IsStreamName(name) || IsStreamName(full)) {
        return Refuse(SystemErrorText(ERROR_INVALID_NAME));
    }
    DWORD attributes = GetFileAttributesW(full.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if (!LinkOwnerTrusted(full)) {
            return Refuse("a link that belongs to another user");
        }
        // What the link leads to decides the rest.
        attributes = GetFileAttributesW(full.c_str());
        exists = attributes != INVALID_FILE_ATTRIBUTES;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Refuse("not a regular file");
    }
    if (exists && mode == Mode::KeepOlder) {
        olderKept_ = true;
        return Refuse("an older file exists");
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        heldError_ = SystemErrorText(ERROR_ACCESS_DENIED);
        return Refuse(heldError_);
    }

    if (mode == Mode::Append) {
        // Append access only, so that every write lands at the end of the file.
        HANDLE handle = CreateFileW(full.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return Refuse(SystemErrorText(GetLastError()));
        }
        if (GetFileType(handle) != FILE_TYPE_DISK) {
            CloseHandle(handle);
            notRegular_ = true;
            return Refuse("not a regular file");
        }
        fd_ = Descriptor(handle, _O_APPEND);
        return fd_ >= 0 || Refuse("cannot keep the file open");
    }

    // The target is held while the new file is written: other writers are refused, and so is a program that
    // holds an older file without letting it be written or removed (whose handle would make the replacement
    // fail once the whole log is written). A target new to the folder is held by an empty file, removed again
    // when the export fails.
    HANDLE held = CreateFileW(full.c_str(), exists ? GENERIC_WRITE | DELETE : GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              exists ? OPEN_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS && mode == Mode::KeepOlder) {
            olderKept_ = true;
            return Refuse("an older file exists");
        }
        // A missing folder is worth saying too: the administrator can make it.
        if (IsHeldError(error) || error == ERROR_FILE_EXISTS || error == ERROR_PATH_NOT_FOUND) {
            heldError_ = SystemErrorText(error);
        }
        return Refuse(SystemErrorText(error));
    }
    if (GetFileType(held) != FILE_TYPE_DISK) {
        CloseHandle(held);
        notRegular_ = true;
        return Refuse("not a regular file");
    }
    lockFd_ = Descriptor(held, 0);
    if (lockFd_ < 0) {
        if (!exists) {
            DeleteFileW(full.c_str());
        }
        return Refuse("cannot keep the file open");
    }
    placeholder_ = !exists;
    // An older file reached through a link is replaced where it is; the link stays.
    if (exists && !FinalPath(held, full)) {
        ReleaseTarget(lockFd_, placeholder_, full);
        return Refuse("cannot find where the file is");
    }
    // A short name beside the target, so that a target near the limit of a name's length stays writable;
    // random, so that nobody can take it first.
    HANDLE written = INVALID_HANDLE_VALUE;
    std::wstring temp;
    std::wstring random;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && written == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS;
         ++attempt) {
        if (!RandomNameCharacters(random)) {
            error = ERROR_GEN_FAILURE;
            break;
        }
        temp = FolderOf(full) + L".kestrav-" + random + L".tmp";
        written = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        error = written == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    if (written == INVALID_HANDLE_VALUE) {
        ReleaseTarget(lockFd_, placeholder_, full);
        return Refuse(SystemErrorText(error));
    }
    fd_ = Descriptor(written, 0);
    if (fd_ < 0) {
        DeleteFileW(temp.c_str());
        ReleaseTarget(lockFd_, placeholder_, full);
        return Refuse("cannot keep the file open");
    }
    target_ = platform::Utf8FromWide(full);
    temp_ = platform::Utf8FromWide(temp);
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
    if (!failed_ && !FlushFileBuffers(handle)) {
        failed_ = true;
    }
    if (_close(fd_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    if (mode_ != Mode::Append) {
        std::wstring target;
        std::wstring temp;
        platform::WideFromUtf8(target_, target);
        platform::WideFromUtf8(temp_, temp);
        bool older = !placeholder_;
        // The older file stays as it was unless the new one is complete. ReplaceFileW gives the new content
        // the older file's security and attributes; a file new to the folder takes the place of its
        // placeholder.
        if (failed_) {
            ReleaseTarget(lockFd_, placeholder_, target);
        } else {
            _close(lockFd_);
            lockFd_ = -1;
            placeholder_ = false;
            DWORD attributes = older ? GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
            bool replaced = older && ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
            // Some implementations of ReplaceFileW keep the security but not the attributes.
            if (replaced && attributes != INVALID_FILE_ATTRIBUTES &&
                GetFileAttributesW(target.c_str()) != attributes) {
                SetFileAttributesW(target.c_str(), attributes);
            }
            if (!replaced && (!older || GetLastError() == ERROR_FILE_NOT_FOUND)) {
                replaced = MoveFileExW(temp.c_str(), target.c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
            }
            failed_ = !replaced;
        }
        if (failed_) {
            DeleteFileW(temp.c_str());
        }
        temp_.clear();
        target_.clear();
    }
    return !failed_;
}

OwnFileRead ReadOwnFile(const std::string& path, size_t limit, std::string& content, std::string& why) {
    content.clear();
    auto missing = [](DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; };
    std::wstring name;
    std::wstring full;
    if (path.empty() || !platform::WideFromUtf8(path, name) || !ExtendedPath(name, full)) {
        why = SystemErrorText(ERROR_INVALID_NAME);
        return OwnFileRead::Refused;
    }
    if (IsDeviceFileName(name) || IsDeviceFileName(full)) {
        why = "not a regular file";
        return OwnFileRead::Refused;
    }
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if (!LinkOwnerTrusted(full)) {
            why = "a link that belongs to another user";
            return OwnFileRead::Refused;
        }
        attributes = GetFileAttributesW(full.c_str());
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        why = SystemErrorText(error);
        return missing(error) ? OwnFileRead::Missing : OwnFileRead::Refused;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        why = "not a regular file";
        return OwnFileRead::Refused;
    }
    HANDLE file =
        CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        why = SystemErrorText(error);
        return missing(error) ? OwnFileRead::Missing : OwnFileRead::Refused;
    }
    auto refuse = [&](std::string text) {
        CloseHandle(file);
        std::string().swap(content);
        why = std::move(text);
        return OwnFileRead::Refused;
    };
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        return refuse("not a regular file");
    }
    const bool read = ReadToEnd(
        static_cast<uint64_t>(size.QuadPart), limit,
        [file](std::span<char> piece, std::string& error) -> std::optional<size_t> {
            DWORD got = 0;
            const DWORD most = static_cast<DWORD>(std::min<size_t>(piece.size(), 0x40000000));
            if (!ReadFile(file, piece.data(), most, &got, nullptr)) {
                error = SystemErrorText(GetLastError());
                return std::nullopt;
            }
            return got;
        },
        content, why);
    CloseHandle(file);
    return read ? OwnFileRead::Read : OwnFileRead::Refused;
}

} // namespace kestrav
