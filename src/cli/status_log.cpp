#include "cli/status_log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "record/health_protocol.h"
#include "app/outcome_texts.h"
#include "platform/system.h"
#include "record/text_rules.h"
#include "resources/string_table.h"

namespace kestrav {

namespace {


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

void WriteStatusError(StatusLog& log, uint32_t code) {
    WriteStatusLine(log, "%s", StatusErrorText(code).c_str());
}

void ReportOutcome(const StatusLog& log, Outcome outcome) {
    ReportOutcome(outcome, log.lastLine);
}

bool CloseStatusLog(StatusLog& log) {
    WriteStatusText(log, "  \n");
    return log.file.Close();
}

} // namespace kestrav
