#include "cli/status_log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "log/health_protocol.h"
#include "platform/system.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {

// The system's message texts hold at most 260 characters.
constexpr size_t ErrorTextSize = 261;

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

void WriteIndented(StatusLog& log, std::string_view text) {
    std::string line = "   ";
    AppendWithLineEnds(line, text);
    line.append("\r\n");
    log.file.Write(line);
    log.file.Flush();
}

} // namespace

bool OpenStatusLog(StatusLog& log, const std::string& name) {
    return log.file.Open(name, OutputFile::Mode::Append);
}

void WriteStatusText(StatusLog& log, std::string_view text) {
    std::string bytes;
    AppendWithLineEnds(bytes, text);
    log.file.Write(bytes);
    log.file.Flush();
}

void WriteStatusLine(StatusLog& log, const char* format, ...) {
    char text[StatusLineBufferSize];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int wanted = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::string whole;
    if (wanted >= static_cast<int>(sizeof text)) {
        // Formatted whole, so that the cut comes after the escapes.
        std::vector<char> longer(static_cast<size_t>(wanted) + 1);
        std::vsnprintf(longer.data(), longer.size(), format, again);
        whole.assign(longer.data(), static_cast<size_t>(wanted));
    } else if (wanted > 0) {
        whole.assign(text, static_cast<size_t>(wanted));
    }
    va_end(again);
    log.lastLine = CutStatusLine(whole);
    WriteIndented(log, log.lastLine);
}

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

std::string StatusErrorText(uint32_t code) {
    if (code == DeviceNotAvailable) {
        return TableText(DriverNotLoadedText);
    }
    char text[ErrorTextSize] = {};
    if (platform::GetErrorText(code, text) && text[0] != '\0') {
        return text;
    }
    char unknown[StatusLineBufferSize];
    std::snprintf(unknown, sizeof unknown, TableText(UnknownErrorText), code);
    return unknown;
}

void WriteStatusError(StatusLog& log, uint32_t code) {
    WriteStatusLine(log, "%s", StatusErrorText(code).c_str());
}

bool CloseStatusLog(StatusLog& log) {
    WriteStatusText(log, "  \n");
    return log.file.Close();
}

} // namespace kestrav
