// A file written by the command line or the viewer: opened for writing with other writers shut out (an
// exclusive lock taken without waiting, so a second writer is refused at once) and written through a buffer.
// Any failed write is remembered, so that the caller learns at Close whether every byte reached the file.
//
// Only regular files are written. A symbolic link anywhere along the name is followed only when it belongs to
// the running user or to root, so a program run as root cannot be pointed at another file by a link that
// someone else planted; nor is a status log appended to that belongs to another user and has other names
// (hard links). The health device's own storage is never written. An export replaces an older file only once
// the new one is complete and on disk; until then it is a file beside it named ".NAME.XXXXXXXX.tmp", with
// eight random characters, so that nobody can take the name first.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#if !defined(_WIN32)
struct stat;
#endif

namespace kestrav {

class OutputFile {
public:
    enum class Mode {
        Append,  // keep the content and write at the end: the status log
        Replace, // a new file that takes the place of any older one when it is closed: an export
        // As Replace, but never over an older file: an export of a log not read whole. Open refuses when a
        // file exists (OlderKept()), and Close puts the new one in place only where none has appeared since.
        KeepOlder,
    };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when the file cannot be created or opened, is not a regular file, is reached through a link of
    // another user, is the health device's storage, or another writer holds it. OpenError then says why.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& OpenError() const { return openError_; }
    // Why the file was refused, when the administrator can act on it and the status log line says it: another
    // program holds it or it may not be written (read-only, access denied), or its folder is missing (the
    // system's message). Empty otherwise.
    const std::string& HeldError() const { return heldError_; }
    // The file was refused because it is a FIFO or a device, not a regular file: the caller says so in the
    // user's language.
    bool NotRegularFile() const { return notRegular_; }
    // Open refused in KeepOlder mode because the file exists; it stays as it was.
    bool OlderKept() const { return olderKept_; }

    // Adds bytes as they are; they reach the file when the buffer fills, at Flush and at Close.
    void Write(std::string_view bytes);
    void Flush();

    // Flushes and closes; true when the file was open and every write and the close succeeded. An export is
    // then synced, put in the place of the older file and its folder synced; on failure the older file stays
    // as it was.
    bool Close();

    bool Failed() const { return failed_; }

private:
    void WriteOut(const char* data, size_t size);
    bool Refuse(const std::string& why);
#if !defined(_WIN32)
    bool RefuseNotRegular(const struct stat& info);
#endif

    int fd_ = -1;
    int lockFd_ = -1;          // an export: the older file, locked while the new one is written
    bool placeholder_ = false; // an export on Windows: the target was new and is held by an empty file
    Mode mode_ = Mode::Append;
    bool failed_ = false;
    bool olderKept_ = false;
    bool notRegular_ = false;
    std::string target_; // an export: the file that the new one replaces
    std::string temp_;   // an export: the new file until it is complete
    std::string openError_;
    std::string heldError_;
    std::string buffer_;
};

#if !defined(_WIN32)
// The name of the file that path leads to, every symbolic link along it followed, when each belongs to the
// running user or to root; the last part need not exist. Otherwise false with error: EPERM for a link of
// another user, else the errno of what failed (ENOENT or ENOTDIR for a missing folder, ELOOP).
bool ResolveTrustedPath(const std::string& path, std::string& resolved, int& error);
// The text of such an error, for a diagnostic.
std::string TrustedPathError(int error);

// Opens path for reading (O_RDONLY with extra flags such as O_NONBLOCK), following no symbolic link of
// another user anywhere along it; -1 with errno and why otherwise.
int OpenForReadingWithoutOthersLinks(const std::string& path, int flags, std::string& why);
#endif

// Appends text with every "\n" stored as "\r\n", the line end of the files this program writes.
void AppendWithLineEnds(std::string& out, std::string_view text);

enum class OwnFileRead { Read, Missing, Refused };

// Reads back a file that this program writes (the follower's state) under the rules it is written by: a
// regular file only, refused at once otherwise (a FIFO or device is never waited on), a link in the last
// part of the name followed only when it belongs to the running user or to root (on Windows the
// Administrators or SYSTEM), and at most limit bytes. Missing when there is no file there; Refused with why
// otherwise.
OwnFileRead ReadOwnFile(const std::string& path, size_t limit, std::string& content, std::string& why);

// What reads some bytes of an open file into piece: how many (0 at its end), or nothing with why set.
using ReadSomeBytes = std::function<std::optional<size_t>(std::span<char> piece, std::string& why)>;
// The part of ReadOwnFile both systems share: reads a file that was size bytes when it was opened to its end
// through readSome, following it as it grows up to limit bytes. False with why when it grew past limit, could
// not be read, or did not fit in memory; content is then released.
bool ReadToEnd(uint64_t size, size_t limit, const ReadSomeBytes& readSome, std::string& content,
               std::string& why);

} // namespace kestrav
