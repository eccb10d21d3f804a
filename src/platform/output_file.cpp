// What the output files of both platforms share: the buffered writing, and the line end "\r\n" of every file
// this program writes.
#include "platform/output_file.h"

namespace kestrav {

namespace {

constexpr size_t BufferLimit = 64 * 1024;

} // namespace

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
