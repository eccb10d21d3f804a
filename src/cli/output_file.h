// A file written by the command line: opened for writing with other writers shut out (an exclusive lock taken
// without waiting, so a second writer is refused at once) and written through a buffer. Any failed write is
// remembered, so that the caller learns at Close whether every byte reached the file.
#pragma once

#include <string>
#include <string_view>

namespace kestrav {

class OutputFile {
public:
    enum class Mode {
        Append,  // keep the content and write at the end: the status log
        Replace, // keep nothing of an older file: an export
    };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when the file cannot be created or opened, or another writer holds it.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return fd_ >= 0; }

    // Adds bytes as they are; they reach the file when the buffer fills, at Flush and at Close.
    void Write(std::string_view bytes);
    void Flush();

    // Flushes and closes; true when the file was open and every write and the close succeeded.
    bool Close();

    bool Failed() const { return failed_; }

private:
    void WriteOut(const char* data, size_t size);

    int fd_ = -1;
    bool failed_ = false;
    std::string buffer_;
};

// Appends text with every "\n" stored as "\r\n", the line end of the files this program writes.
void AppendWithLineEnds(std::string& out, std::string_view text);

} // namespace kestrav
