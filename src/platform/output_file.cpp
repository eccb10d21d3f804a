// What the output files of both platforms share: the buffered writing, the line end "\r\n" of every file
// this program writes, and reading back a file of its own to the end.
#include "platform/output_file.h"

#include <algorithm>
#include <new>

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

bool ReadToEnd(uint64_t size, size_t limit, const ReadSomeBytes& readSome, std::string& content,
               std::string& why) {
    auto refuse = [&](std::string text) {
        std::string().swap(content);
        why = std::move(text);
        return false;
    };
    if (size > limit) {
        return refuse("larger than it can be (" + std::to_string(size) + " bytes)");
    }
    try {
        // One byte more than the limit shows a file that grew past it meanwhile.
        content.resize(static_cast<size_t>(size) + 1);
        size_t done = 0;
        for (;;) {
            if (done == content.size()) {
                if (content.size() > limit) {
                    return refuse("larger than it can be");
                }
                content.resize(std::min(limit + 1, content.size() * 2));
            }
            std::string error;
            const std::optional<size_t> got =
                readSome(std::span<char>(content.data() + done, content.size() - done), error);
            if (!got) {
                return refuse(std::move(error));
            }
            if (*got == 0) {
                break;
            }
            done += *got;
        }
        content.resize(done);
    } catch (const std::bad_alloc&) {
        return refuse("too large to read into memory");
    }
    return true;
}

} // namespace kestrav
