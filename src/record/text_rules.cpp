#include "record/text_rules.h"

#include <cstdio>

namespace kestrav {

namespace {

// Length of text without a trailing UTF-8 sequence that the cut left incomplete.
size_t WholeCharacterLength(const char* text, size_t length) {
    size_t start = length;
    size_t continuation = 0;
    while (start > 0 && continuation < 3 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
        --start;
        ++continuation;
    }
    if (start == 0) {
        return length;
    }
    unsigned char first = static_cast<unsigned char>(text[start - 1]);
    if (first < 0xC0) {
        return length;
    }
    size_t needed = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
    return continuation + 1 < needed ? start - 1 : length;
}

} // namespace

std::string CutStatusLine(std::string_view text) {
    // Every status line is one line, whatever the texts it shows hold; a system message's own line end at its
    // end stays as the system gave it.
    const size_t body = text.find_last_not_of("\r\n") + 1;
    std::string line = EscapeControls(text.substr(0, body));
    line.append(text.substr(body));
    if (line.size() < StatusLineBufferSize) {
        return line;
    }
    line.resize(WholeCharacterLength(line.data(), StatusLineBufferSize - 1));
    return line;
}

std::string EscapeControls(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            escaped.push_back(c);
            continue;
        }
        char code[5];
        switch (c) {
        case '\n': escaped.append("\\n"); break;
        case '\r': escaped.append("\\r"); break;
        case '\t': escaped.append("\\t"); break;
        default:
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            escaped.append(code);
            break;
        }
    }
    return escaped;
}

} // namespace kestrav
