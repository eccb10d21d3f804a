// The line end of every file this program writes, on every platform: "\r\n".
#include "cli/output_file.h"

namespace kestrav {

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
